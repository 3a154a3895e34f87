// A game's meeting with the lobby, against the real rooms in memory, over a small simulated
// network with 20 ms links: punching through friendly routers, the relay behind strict ones, LAN
// addresses behind one router, a browser, lost requests, a silent lobby, a refusal and a leave.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>
#include <optional>

#include "lobby/rooms.h"
#include "net/rendezvousclient.h"

namespace flopfist::net {
namespace {

using lobby::endpoint;
using lobby::transportkind;

constexpr address4 lobbyat{0xCB007101, 27961};  // 203.0.113.1

struct player {
  std::unique_ptr<meeting> m;
  address4 publicat, lanat;
  bool browser = false;
  std::vector<uint8_t> lastrelayed;
  endpoint where() const {
    return browser ? endpoint{transportkind::websocket, publicat, 77} : endpoint{transportkind::udp, publicat, 0};
  }
};

struct flight {
  uint32_t at;
  int to;  // -1: the lobby
  address4 from;
  std::vector<uint8_t> bytes;
};

struct world {
  lobby::rooms rooms{lobby::roomsettings{}, [state = uint64_t(20261209)](std::span<uint8_t> into) mutable {
                       for (uint8_t& b : into) b = uint8_t((state = state * 6364136223846793005ull + 1) >> 56);
                     }};
  std::array<player, 2> p;
  bool punchable = true;   // the routers let a probe through once the far side has sent one out
  bool sharedlan = false;  // both behind one router: LAN addresses reach each other
  bool lowttldies = true;  // a probe sent with a low TTL dies before the far router
  int droptolobby = 0;     // the first so many datagrams to the lobby are lost
  bool lobbydown = false;
  uint32_t now = 1000;
  std::deque<flight> inflight;
  std::vector<std::pair<address4, uint8_t>> directsent;  // where games sent anything but to the lobby, and its TTL

  world() {
    std::printf("random seed 20261209\n");
    p[0].publicat = {0xCB007102, 40000};  // 203.0.113.2, the host's router
    p[0].lanat = {0xC6336402, 27960};     // 198.51.100.2
    p[1].publicat = {0xCB007103, 50000};
    p[1].lanat = {0xC6336403, 27960};
  }
  meetsettings settings(role side, std::string code = "") {
    meetsettings s;
    s.side = side;
    s.mine = {2, 7};
    s.code = std::move(code);
    s.lancount = 1;
    s.lan[0] = p[side == role::host ? 0 : 1].lanat;
    s.canpunch = !p[side == role::host ? 0 : 1].browser;
    return s;
  }
  void sendfrom(int k, const meetdatagram& d) {
    const std::vector<uint8_t> b(d.bytes.bytes.begin(), d.bytes.bytes.begin() + std::ptrdiff_t(d.bytes.size));
    if (d.to == lobbyat) {
      if (droptolobby > 0) {
        --droptolobby;
        return;
      }
      if (!lobbydown) inflight.push_back({now + 20, -1, p[k].publicat, b});
      return;
    }
    directsent.push_back({d.to, d.ttl});
    if (d.ttl != 0 && lowttldies) return;
    const int other = 1 - k;
    if (d.to == p[other].publicat && punchable) inflight.push_back({now + 20, other, p[k].publicat, b});
    if (d.to == p[other].lanat && sharedlan) inflight.push_back({now + 1, other, p[k].lanat, b});
  }
  void deliver(const flight& f) {
    std::vector<meetdatagram> out;
    if (f.to >= 0) {
      player& q = p[size_t(f.to)];
      if (!q.m) return;
      q.m->receive(f.from, f.bytes, now, out);
      if (!q.m->relayed().empty()) q.lastrelayed.assign(q.m->relayed().begin(), q.m->relayed().end());
      for (const meetdatagram& d : out) sendfrom(f.to, d);
      return;
    }
    const int k = f.from == p[0].publicat ? 0 : 1;
    std::vector<lobby::outgoing> said;
    rooms.receive(p[size_t(k)].where(), f.bytes, now, said);
    for (const lobby::outgoing& o : said) {
      const int to = o.to == p[0].where() ? 0 : o.to == p[1].where() ? 1 : -1;
      if (to < 0) continue;
      const std::span<const uint8_t> bytes = o.forward ? std::span<const uint8_t>(f.bytes) : o.word.view();
      inflight.push_back({now + 20, to, lobbyat, {bytes.begin(), bytes.end()}});
    }
  }
  // Runs for `ms`, 5 ms a step, until done() holds; false when it never did.
  template <typename until>
  bool run(uint32_t ms, until done) {
    for (const uint32_t end = now + ms; now < end; now += 5) {
      for (int k = 0; k < 2; ++k) {
        if (!p[size_t(k)].m) continue;
        std::vector<meetdatagram> out;
        p[size_t(k)].m->tick(now, out);
        for (const meetdatagram& d : out) sendfrom(k, d);
      }
      while (!inflight.empty()) {
        auto due = std::find_if(inflight.begin(), inflight.end(), [&](const flight& f) { return f.at <= now; });
        if (due == inflight.end()) break;
        const flight f = *due;
        inflight.erase(due);
        deliver(f);
      }
      if (done()) return true;
    }
    return false;
  }
  // The host opens a room and the guest joins it by its code (as typed, in small letters).
  bool meet(uint32_t ms = 6000) {
    p[0].m = std::make_unique<meeting>(settings(role::host), lobbyat, now, 1);
    if (!run(2000, [&] { return p[0].m->phase() == meetphase::waiting; })) return false;
    std::string typed = p[0].m->code();
    std::transform(typed.begin(), typed.end(), typed.begin(), [](char c) { return char(std::tolower(c)); });
    p[1].m = std::make_unique<meeting>(settings(role::guest, typed), lobbyat, now, 2);
    return run(ms, [&] { return settled(0) && settled(1); });
  }
  bool settled(int k) const {
    const meetphase ph = p[size_t(k)].m->phase();
    return ph == meetphase::direct || ph == meetphase::relayed || ph == meetphase::refused || ph == meetphase::failed;
  }
  std::vector<std::string> log() {
    std::vector<std::string> lines;
    for (const lobby::roomevent& e : rooms.events()) lines.push_back(lobby::eventtext(e));
    return lines;
  }
};

bool logged(world& w, const std::string& what) {
  const std::vector<std::string> lines = w.log();
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(what) != std::string::npos; });
}

TEST(meeting, FriendlyRoutersArePunchedThroughWithinAFewProbes) {
  world w;
  const uint32_t start = w.now;
  ASSERT_TRUE(w.meet());
  EXPECT_EQ(w.p[0].m->phase(), meetphase::direct);
  EXPECT_EQ(w.p[1].m->phase(), meetphase::direct);
  EXPECT_EQ(w.p[0].m->peer(), w.p[1].publicat);
  EXPECT_EQ(w.p[1].m->peer(), w.p[0].publicat);
  EXPECT_EQ(w.p[0].m->path(), pathkind::punched);
  EXPECT_LT(w.now - start, 600u) << "a room, a join, a pairing and a probe's round trip on 20 ms links";
  w.run(100, [] { return false; });
  EXPECT_TRUE(logged(w, "punched: by public addresses"));
  // The first probes went out with a low TTL (and died on the way, here); later ones did not.
  ASSERT_GE(w.directsent.size(), 4u);
  EXPECT_EQ(w.directsent.front().second, 2);
  EXPECT_EQ(w.directsent.back().second, 0);
}

TEST(meeting, StrictRoutersFallBackToTheRelayAfterThreeSeconds) {
  world w;
  w.punchable = false;
  ASSERT_TRUE(w.meet());
  ASSERT_EQ(w.p[0].m->phase(), meetphase::relayed);
  ASSERT_EQ(w.p[1].m->phase(), meetphase::relayed);
  const size_t probes = w.directsent.size();
  EXPECT_GE(probes, 2u * 2 * 55) << "two addresses each, every 50 ms for 3 s, from both sides";
  // A match datagram each way through the lobby.
  const std::vector<uint8_t> datagram(80, 0x3C), back(64, 0xC3);
  w.sendfrom(0, w.p[0].m->relayword(datagram));
  w.sendfrom(1, w.p[1].m->relayword(back));
  w.run(100, [] { return false; });
  EXPECT_EQ(w.p[1].lastrelayed, datagram);
  EXPECT_EQ(w.p[0].lastrelayed, back);
  EXPECT_EQ(w.directsent.size(), probes) << "no probe once the relay is taken";
  EXPECT_TRUE(logged(w, "relayed"));
}

TEST(meeting, PlayersBehindOneRouterMeetByTheirLANAddresses) {
  world w;
  w.punchable = false;  // the router does not loop back to its own public address
  w.sharedlan = true;
  ASSERT_TRUE(w.meet());
  EXPECT_EQ(w.p[0].m->phase(), meetphase::direct);
  EXPECT_EQ(w.p[0].m->peer(), w.p[1].lanat);
  EXPECT_EQ(w.p[0].m->path(), pathkind::lan);
  EXPECT_EQ(w.p[1].m->path(), pathkind::lan);
  w.run(100, [] { return false; });
  EXPECT_TRUE(logged(w, "punched: by LAN addresses"));
}

TEST(meeting, ABrowserTakesTheRelayAtOnceAndNothingIsProbed) {
  world w;
  w.p[1].browser = true;
  ASSERT_TRUE(w.meet(1000));
  EXPECT_EQ(w.p[0].m->phase(), meetphase::relayed);
  EXPECT_EQ(w.p[1].m->phase(), meetphase::relayed);
  EXPECT_TRUE(w.directsent.empty());
}

TEST(meeting, LostRequestsAreSentAgainAndASilentLobbyIsGivenUpOn) {
  world w;
  w.droptolobby = 3;
  ASSERT_TRUE(w.meet());
  EXPECT_EQ(w.p[1].m->phase(), meetphase::direct);

  world down;
  down.lobbydown = true;
  down.p[0].m = std::make_unique<meeting>(down.settings(role::host), lobbyat, down.now, 1);
  ASSERT_TRUE(down.run(6000, [&] { return down.p[0].m->phase() == meetphase::failed; }));
  EXPECT_EQ(down.p[0].m->problem(), "NO ANSWER FROM THE LOBBY");
}

TEST(meeting, AGuestOfAnotherVersionIsToldBothAndABadCodeIsNotSent) {
  world w;
  w.p[0].m = std::make_unique<meeting>(w.settings(role::host), lobbyat, w.now, 1);
  ASSERT_TRUE(w.run(2000, [&] { return w.p[0].m->phase() == meetphase::waiting; }));
  meetsettings older = w.settings(role::guest, w.p[0].m->code());
  older.mine = {2, 6};
  w.p[1].m = std::make_unique<meeting>(older, lobbyat, w.now, 2);
  ASSERT_TRUE(w.run(2000, [&] { return w.settled(1); }));
  EXPECT_EQ(w.p[1].m->phase(), meetphase::refused);
  EXPECT_EQ(w.p[1].m->problem(), "THE HOST RUNS VERSION 7 (PROTOCOL 2), THIS GAME VERSION 6 (PROTOCOL 2)");
  EXPECT_EQ(w.p[0].m->phase(), meetphase::waiting) << "the host waits on for the right guest";

  const meeting typo(w.settings(role::guest, "K7M0Q"), lobbyat, w.now, 3);
  EXPECT_EQ(typo.phase(), meetphase::refused);
  std::vector<meetdatagram> out;
  meeting(w.settings(role::guest, "K7M0Q"), lobbyat, w.now, 3).tick(w.now, out);
  EXPECT_TRUE(out.empty());
}

TEST(meeting, ThePlayerWhoStaysIsToldTheOtherLeft) {
  world w;
  ASSERT_TRUE(w.meet());
  std::vector<meetdatagram> out;
  w.p[1].m->leave(out);
  for (const meetdatagram& d : out) w.sendfrom(1, d);
  ASSERT_TRUE(w.run(500, [&] { return w.p[0].m->phase() == meetphase::failed; }));
  EXPECT_EQ(w.p[0].m->problem(), "THE OTHER PLAYER LEFT");
  EXPECT_EQ(w.rooms.count(), 0u);
}

TEST(meeting, AStrangersProbeOrRelayWordIsIgnored) {
  world w;
  w.punchable = false;
  ASSERT_TRUE(w.meet());
  word probe;
  probe.kind = wordkind::answer;
  probe.key = 0x1234;  // not the room's token
  probe.side = role::guest;
  std::vector<meetdatagram> out;
  const address4 stranger{0xC0000209, 1};
  const wordbytes b = encode(probe);
  EXPECT_TRUE(w.p[0].m->receive(stranger, b.view(), w.now, out));
  EXPECT_EQ(w.p[0].m->phase(), meetphase::relayed);
  word relay;
  relay.kind = wordkind::relay;
  const std::vector<uint8_t> payload(10, 1);
  relay.payload = payload;
  relay.key = 0x1234;
  EXPECT_TRUE(w.p[0].m->receive(lobbyat, encode(relay).view(), w.now, out));
  EXPECT_TRUE(w.p[0].m->relayed().empty());
  const uint8_t match[] = {'F', 'f', 4};
  EXPECT_FALSE(w.p[0].m->receive(stranger, match, w.now, out)) << "the match's own datagrams are not the meeting's";
}

TEST(meeting, ARelayedPayloadIsHandedBackForItsOwnWordOnly) {
  world w;
  w.punchable = false;
  ASSERT_TRUE(w.meet());
  const std::vector<uint8_t> datagram(40, 0x5A);
  const meetdatagram relay = w.p[1].m->relayword(datagram);  // as the lobby forwards it
  meeting& host = *w.p[0].m;
  std::vector<meetdatagram> out;
  // Words after it that carry no payload hand back nothing: a caller that looked would take the
  // old payload again, from bytes that may be gone.
  word probe;
  probe.kind = wordkind::probe;
  probe.key = 0x1234;
  probe.side = role::guest;
  const address4 stranger{0xC0000209, 1};
  for (const address4& from : {w.p[1].publicat, stranger}) {
    ASSERT_TRUE(host.receive(lobbyat, relay.bytes.view(), w.now, out));
    ASSERT_EQ(std::vector<uint8_t>(host.relayed().begin(), host.relayed().end()), datagram);
    EXPECT_TRUE(host.receive(from, encode(probe).view(), w.now, out));
    EXPECT_TRUE(host.relayed().empty()) << "a probe";
  }
  ASSERT_TRUE(host.receive(lobbyat, relay.bytes.view(), w.now, out));
  EXPECT_TRUE(host.receive(stranger, relay.bytes.view(), w.now, out));
  EXPECT_TRUE(host.relayed().empty()) << "a relay word from anywhere but the lobby";
}

}  // namespace
}  // namespace flopfist::net
