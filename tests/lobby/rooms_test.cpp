// The lobby's rooms without sockets: codes, pairing, refusals, expiry, the token on relayed words,
// the relay's rate limit and the rule that a stranger never gets back more than it sent.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "lobby/rooms.h"

namespace flopfist::lobby {
namespace {

constexpr uint64_t seed = 0x5EED2026;

// splitmix64: a fixed, printed seed makes every code and token of a test the same on each run.
randomsource seeded(uint64_t s) {
  std::printf("random seed %llu\n", static_cast<unsigned long long>(s));
  return [state = s](std::span<uint8_t> into) mutable {
    for (uint8_t& b : into) {
      state += 0x9E3779B97F4A7C15ull;
      uint64_t z = state;
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      b = uint8_t(z ^ (z >> 31));
    }
  };
}

endpoint udpat(uint32_t ip, uint16_t port) { return {transportkind::udp, {ip, port}, 0}; }
endpoint browser(uint64_t id) { return {transportkind::websocket, {0x7F000001, 5555}, id}; }

const net::versions ours{2, 7};

struct lobbytest : ::testing::Test {
  rooms lobby{roomsettings{}, seeded(seed)};
  std::vector<outgoing> out;
  uint64_t now = 1'000'000;

  // Sends a word and returns what came back to the sender, checking that nothing else was sent
  // and, before pairing, that no answer is longer than the word.
  std::vector<net::word> ask(const endpoint& from, const net::word& w, bool answersonly = true) {
    const net::wordbytes b = net::encode(w);
    out.clear();
    lobby.receive(from, b.view(), now, out);
    std::vector<net::word> got;
    for (const outgoing& o : out) {
      if (answersonly) {
        EXPECT_TRUE(o.to == from) << "a word went to someone who did not ask";
        EXPECT_LE(o.word.size, b.size) << "an answer longer than its request";
      }
      if (o.to == from) got.push_back(net::decodeword(o.word.view()));
    }
    return got;
  }
  net::word open(const endpoint& host, net::versions v = ours, uint32_t nonce = 1) {
    net::word w;
    w.kind = net::wordkind::open;
    w.nonce = nonce;
    w.mine = v;
    w.lancount = 1;
    w.lan[0] = {0xC6336482, 27960};
    const auto got = ask(host, w);
    EXPECT_EQ(got.size(), 1u);
    return got.empty() ? net::word{} : got[0];
  }
  net::word join(const endpoint& guest, const net::roomcode& code, net::versions v = ours, uint32_t nonce = 2) {
    net::word w;
    w.kind = net::wordkind::join;
    w.nonce = nonce;
    w.code = code;
    w.mine = v;
    w.lancount = 2;
    w.lan[0] = {0xC6336483, 27960};
    w.lan[1] = {0xC6336484, 27960};
    const auto got = ask(guest, w);
    EXPECT_EQ(got.size(), 1u);
    return got.empty() ? net::word{} : got[0];
  }
  void keepalive(const endpoint& from, uint64_t key) {
    net::word w;
    w.kind = net::wordkind::keepalive;
    w.key = key;
    const net::wordbytes b = net::encode(w);
    out.clear();
    lobby.receive(from, b.view(), now, out);
  }
  // A paired room: the host showed its token, the guest its ticket.
  uint64_t paired(const endpoint& host, const endpoint& guest) {
    const net::word room = open(host);
    keepalive(host, room.key);
    const net::word seat = join(guest, room.code);
    EXPECT_EQ(seat.kind, net::wordkind::seat);
    keepalive(guest, seat.key);
    return room.key;
  }
  std::vector<outgoing> relay(const endpoint& from, uint64_t token, size_t payload = 80) {
    const std::vector<uint8_t> p(payload, 0xAB);
    net::word w;
    w.kind = net::wordkind::relay;
    w.key = token;
    w.payload = p;
    out.clear();
    lobby.receive(from, net::encode(w).view(), now, out);
    return out;
  }
  std::vector<std::string> log() {
    std::vector<std::string> lines;
    for (const roomevent& e : lobby.events()) lines.push_back(eventtext(e));
    lobby.events().clear();
    return lines;
  }
};

// Documentation addresses: 203.0.113.1, 198.51.100.2, 192.0.2.3.
const endpoint host = udpat(0xCB007101, 40001), guest = udpat(0xC6336402, 50002), third = udpat(0xC0000203, 60003);

TEST_F(lobbytest, CodesAreUniqueUniformOverTheAlphabetAndHonourThePrefix) {
  std::set<std::string> codes;
  std::map<char, int> seen;
  constexpr int count = 10000;
  for (int k = 0; k < count; ++k) {
    const net::word room = open(udpat(0x0A000000 + uint32_t(k), 1000));
    const std::string code(room.code.begin(), room.code.end());
    ASSERT_TRUE(net::validcode(code)) << code;
    codes.insert(code);
    for (char c : code) ++seen[c];
  }
  EXPECT_EQ(codes.size(), size_t(count)) << "two open rooms shared a code";
  // 50,000 characters over 31: about 1,613 each. A draw that folded bytes onto the alphabet with a
  // bare modulo would give the first eight characters 9% more.
  ASSERT_EQ(seen.size(), net::codealphabet.size());
  for (const auto& [c, n] : seen) {
    EXPECT_NEAR(n, 50000.0 / 31, 50000.0 / 31 * 0.06) << c;
  }
  rooms prefixed({10000, 600000, 40000, 'Q'}, seeded(seed + 1));
  for (int k = 0; k < 100; ++k) {
    net::word w;
    w.kind = net::wordkind::open;
    out.clear();
    prefixed.receive(udpat(0x0A000000 + uint32_t(k), 1), net::encode(w).view(), now, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(net::decodeword(out[0].word.view()).code[0], 'Q');
  }
}

TEST_F(lobbytest, AHostAndAGuestArePairedAndEachLearnsTheOthersAddresses) {
  const net::word room = open(host);
  ASSERT_EQ(room.kind, net::wordkind::room);
  EXPECT_EQ(open(host).code, room.code) << "a lost answer, asked for again, names the same room";
  keepalive(host, room.key);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(net::decodeword(out[0].word.view()).kind, net::wordkind::alive);
  const net::word seat = join(guest, room.code);
  ASSERT_EQ(seat.kind, net::wordkind::seat);
  EXPECT_NE(seat.key, room.key) << "the token goes to the guest only once it is paired";
  keepalive(guest, seat.key);
  ASSERT_EQ(out.size(), 2u);
  std::map<int, net::word> peers;
  for (const outgoing& o : out) {
    const net::word p = net::decodeword(o.word.view());
    ASSERT_EQ(p.kind, net::wordkind::peer);
    EXPECT_EQ(p.key, room.key);
    peers[o.to == host ? 0 : o.to == guest ? 1 : 2] = p;
  }
  ASSERT_TRUE(peers.contains(0) && peers.contains(1));
  EXPECT_EQ(peers[0].side, net::role::host);
  EXPECT_EQ(peers[0].seen, guest.address);
  EXPECT_EQ(peers[0].lancount, 2);
  EXPECT_EQ(peers[0].lan[1], (net::address4{0xC6336484, 27960}));
  EXPECT_EQ(peers[1].side, net::role::guest);
  EXPECT_EQ(peers[1].seen, host.address);
  EXPECT_EQ(peers[1].lan[0], (net::address4{0xC6336482, 27960}));
  // A lost peer word: the next keepalive brings it again.
  keepalive(guest, room.key);
  ASSERT_EQ(out.size(), 2u);
  const std::vector<std::string> lines = log();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("created"), std::string::npos);
  EXPECT_NE(lines[1].find("joined"), std::string::npos);
}

TEST_F(lobbytest, ABrowserGuestHasNoAddressToPunchTo) {
  const net::word room = open(host);
  keepalive(host, room.key);
  const net::word seat = join(browser(9), room.code);
  keepalive(browser(9), seat.key);
  ASSERT_EQ(out.size(), 2u);
  for (const outgoing& o : out) {
    const net::word p = net::decodeword(o.word.view());
    if (o.to == host) EXPECT_EQ(p.seen.port, 0);
    else EXPECT_EQ(p.seen, host.address);
  }
}

TEST_F(lobbytest, AThirdPlayerAndOtherVersionsAreRefused) {
  const net::word room = open(host);
  keepalive(host, room.key);
  const net::versions older{2, 6}, newer{3, 7};
  for (const net::versions v : {older, newer}) {
    const net::word no = join(guest, room.code, v);
    ASSERT_EQ(no.kind, net::wordkind::refuse);
    EXPECT_EQ(no.why, net::refusereason::versions);
    EXPECT_EQ(no.host, ours);
    EXPECT_EQ(no.mine, v);
    const std::vector<std::string> lines = log();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("refused: versions differ"), std::string::npos) << lines.back();
    EXPECT_NE(lines.back().find("host version 7 protocol 2, guest version " + std::to_string(v.game) + " protocol " +
                                std::to_string(v.protocol)),
              std::string::npos)
        << lines.back();
  }
  EXPECT_EQ(join(host, room.code).why, net::refusereason::full) << "a host cannot be its own guest";
  keepalive(guest, join(guest, room.code).key);
  const net::word no = join(third, room.code);
  EXPECT_EQ(no.kind, net::wordkind::refuse);
  EXPECT_EQ(no.why, net::refusereason::full);
  net::roomcode other = room.code;
  other[4] = other[4] == '2' ? '3' : '2';
  EXPECT_EQ(join(third, other).why, net::refusereason::noroom);
}

TEST_F(lobbytest, TheLobbyHoldsAtMostItsRooms) {
  rooms small({3, 600000, 40000, 0}, seeded(seed));
  for (uint32_t k = 0; k < 4; ++k) {
    net::word w;
    w.kind = net::wordkind::open;
    out.clear();
    small.receive(udpat(0x0A000000 + k, 1), net::encode(w).view(), now, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(net::decodeword(out[0].word.view()).kind, k < 3 ? net::wordkind::room : net::wordkind::refuse);
  }
  EXPECT_EQ(small.count(), 3u);
}

TEST_F(lobbytest, OneAddressHoldsFewWaitingRoomsAndForgedHostsLoseTheirsSoon) {
  // Sixteen hosts behind one address may wait at once; the seventeenth waits until one is paired.
  std::vector<net::word> opened;
  for (uint16_t port = 1; port <= 17; ++port) opened.push_back(open(udpat(0xCB007109, port)));
  EXPECT_EQ(opened[15].kind, net::wordkind::room);
  EXPECT_EQ(opened[16].kind, net::wordkind::refuse);
  EXPECT_EQ(opened[16].why, net::refusereason::busy);
  keepalive(udpat(0xCB007109, 1), opened[0].key);
  keepalive(guest, join(guest, opened[0].code).key);
  EXPECT_EQ(open(udpat(0xCB007109, 17), ours, 5).kind, net::wordkind::room) << "a paired room no longer counts";
  // Ten seconds on, the rooms of hosts that never showed their token (any forged address's) end;
  // the paired room stays.
  now += 9'999;
  lobby.tick(now, out);
  EXPECT_EQ(lobby.count(), 17u);
  now += 1;
  lobby.tick(now, out);
  EXPECT_EQ(lobby.count(), 1u);
  EXPECT_TRUE(open(udpat(0xCB007109, 20)).kind == net::wordkind::room) << "the address's allowance came back";
}

TEST_F(lobbytest, UnjoinedRoomsEndAfterTenMinutesAndLeftRoomsAtOnce) {
  const net::word room = open(host);
  // The host keeps the room alive every 10 s; nobody joins.
  const uint64_t created = now;
  while (now - created < 590'000) {
    now += 10'000;
    keepalive(host, room.key);
    lobby.tick(now, out);
  }
  now = created + 599'999;
  keepalive(host, room.key);
  lobby.tick(now, out);
  ASSERT_EQ(lobby.count(), 1u) << "still open a millisecond before ten minutes";
  now += 1;
  out.clear();
  lobby.tick(now, out);
  EXPECT_EQ(lobby.count(), 0u);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(net::decodeword(out[0].word.view()).kind, net::wordkind::gone);
  EXPECT_EQ(join(guest, room.code).why, net::refusereason::noroom) << "an ended room's code is gone";

  // A paired room ends the moment one side leaves, and the other hears of it.
  const uint64_t token = paired(host, guest);
  net::word leave;
  leave.kind = net::wordkind::leave;
  leave.key = token;
  ask(third, leave);
  EXPECT_EQ(lobby.count(), 1u) << "a stranger cannot end a room by its token";
  ask(guest, leave, false);
  EXPECT_EQ(lobby.count(), 0u);
  EXPECT_TRUE(std::any_of(out.begin(), out.end(), [](const outgoing& o) {
    return o.to == host && net::decodeword(o.word.view()).kind == net::wordkind::gone;
  }));

  // A room whose host falls silent ends at the next tick past the silence, as does a closed browser's.
  const net::word silent = open(host);
  keepalive(host, silent.key);
  now += 39'000;
  lobby.tick(now, out);
  EXPECT_EQ(lobby.count(), 1u);
  now += 1'000;
  lobby.tick(now, out);
  EXPECT_EQ(lobby.count(), 0u);
  paired(browser(4), guest);
  out.clear();
  lobby.closed(browser(4), now, out);
  EXPECT_EQ(lobby.count(), 0u);
  const std::vector<std::string> lines = log();
  EXPECT_NE(lines.back().find("ended: websocket #4"), std::string::npos) << lines.back();
}

TEST_F(lobbytest, OnlyThePairedPlayersAreRelayedAndOnlyBehindTheToken) {
  const net::word room = open(host);
  keepalive(host, room.key);
  EXPECT_TRUE(relay(host, room.key).empty()) << "nothing is relayed before pairing";
  const net::word seat = join(guest, room.code);
  keepalive(guest, seat.key);
  const uint64_t token = room.key;
  std::vector<outgoing> sent = relay(host, token);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_TRUE(sent[0].to == guest && sent[0].forward);
  sent = relay(guest, token);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_TRUE(sent[0].to == host);
  EXPECT_TRUE(relay(host, token ^ 1).empty()) << "a wrong token";
  EXPECT_TRUE(relay(host, seat.key).empty()) << "the guest's ticket is no token";
  EXPECT_TRUE(relay(third, token).empty()) << "the right token from a stranger's address";
  EXPECT_TRUE(relay(udpat(host.address.ip, uint16_t(host.address.port + 1)), token).empty())
      << "the host's address from another port";
  const std::vector<std::string> lines = log();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.find("relayed") != std::string::npos; }),
            1)
      << "one line when relaying starts, not one per word";
}

// Relayed words of `payload` bytes sent evenly at `perSecond` for `seconds`, from both sides in
// turn; returns how many were dropped.
uint64_t droppedat(lobbytest& t, uint64_t token, uint64_t perSecond, size_t payload, uint64_t seconds) {
  const uint64_t before = t.lobby.dropped();
  const uint64_t total = perSecond * seconds;
  const uint64_t start = t.now;
  for (uint64_t k = 0; k < total; ++k) {
    t.now = start + (k * 1000) / perSecond;
    t.relay(k % 2 ? host : guest, token, payload);
  }
  t.now = start + seconds * 1000 + 2000;  // and a rest that fills the allowance again
  return t.lobby.dropped() - before;
}

TEST_F(lobbytest, TheRelayAllowsThreeTimesAMatchAndNoMore) {
  // 360 words a second of a match's 80-byte datagrams pass whole for as long as they come. At 10%
  // more, what passes is the allowance plus the one second in reserve, and the rest is dropped.
  const uint64_t token = paired(host, guest);
  EXPECT_EQ(droppedat(*this, token, relaypacketspersecond, 80, 20), 0u);
  const uint64_t rate = relaypacketspersecond * 11 / 10;
  const double expected = double(rate * 20) - double(relaypacketspersecond * 21);
  EXPECT_NEAR(double(droppedat(*this, token, rate, 80, 20)), expected, 0.02 * double(rate * 20));
  // Bytes: 1,000-byte datagrams at the byte allowance pass; at 10% over they are cut the same way.
  const size_t big = 1000, cost = big + net::relayoverhead;
  const uint64_t bigrate = relaybytespersecond / cost;
  EXPECT_EQ(droppedat(*this, token, bigrate, big, 20), 0u);
  const uint64_t bigover = bigrate * 11 / 10;
  const double bigexpected = (double(bigover * 20 * cost) - double(relaybytespersecond * 21)) / double(cost);
  EXPECT_NEAR(double(droppedat(*this, token, bigover, big, 20)), bigexpected, 0.02 * double(bigover * 20));
  // The allowance is the room's: another room's words are not cut by this one's.
  const uint64_t second = paired(udpat(0x0A000001, 1), udpat(0x0A000002, 2));
  EXPECT_EQ(relay(udpat(0x0A000001, 1), second).size(), 1u);
}

TEST_F(lobbytest, StrangersGetNoMoreBytesThanTheySentAndNoWordsUnasked) {
  // ask() checks each answer's size and addressee; these are the requests a stranger can make,
  // including from a forged address, which then never shows the secret it was sent.
  const endpoint forged = udpat(0xC0000299, 9);
  const net::word room = open(forged);
  open(forged);
  const net::word seat = join(guest, room.code);
  join(guest, room.code);
  join(third, room.code, {9, 9});
  net::roomcode none = room.code;
  none[0] = none[0] == 'A' ? 'B' : 'A';
  join(third, none);
  ask(third, [&] {
    net::word k;
    k.kind = net::wordkind::keepalive;
    k.key = room.key ^ 0xFF;
    return k;
  }());
  // The guest shows its ticket, but the host never showed its token: the forged host gets nothing.
  keepalive(guest, seat.key);
  for (const outgoing& o : out) EXPECT_FALSE(o.to == forged) << "a word to an address that never proved itself";
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(net::decodeword(out[0].word.view()).kind, net::wordkind::alive);
  EXPECT_EQ(lobby.count(), 1u);
  // Nothing is answered to the lobby's own words, probes or noise.
  for (net::wordkind k : {net::wordkind::room, net::wordkind::peer, net::wordkind::probe, net::wordkind::gone}) {
    net::word w;
    w.kind = k;
    w.key = room.key;
    EXPECT_TRUE(ask(third, w).empty());
  }
  const uint8_t noise[] = {'F', 'L', 1, 2, 3};
  out.clear();
  lobby.receive(third, noise, now, out);
  EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace flopfist::lobby
