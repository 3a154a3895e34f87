// The link between two games over datagrams in memory: whole messages through loss, doubles and
// overtaking; the handshake, a match played, a third machine, a goodbye and silence; and, through
// the lobby's real rooms in this process, a meeting by room code that ends punched or relayed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>
#include <optional>
#include <random>

#include "lobby/rooms.h"
#include "match/version.h"
#include "net/handshake.h"
#include "net/link.h"
#include "net/session.h"
#include "net/wholes.h"
#include "tests/net/duel.h"

namespace flopfist::net {
namespace {

constexpr address4 hostat{0x7F000002, 27960}, guestat{0x7F000003, 40000}, thirdat{0x7F000004, 40001};
constexpr address4 lobbyat{0x7F000009, 27961};

// Datagrams between addresses, each lost, doubled or held 5 to 5 + jitter ms (so they overtake),
// from a fixed seed; a lobby's rooms may stand at lobbyat.
struct world {
  uint32_t now = 1000;
  std::mt19937 rng;
  double loss = 0, duplicate = 0;
  int jitterms = 0;
  bool straight = true;  // games reach each other without the lobby
  // A page: the lobby knows it by its WebSocket, and its socket reaches nobody else.
  std::optional<address4> page;
  int sentstraighttopage = 0;
  std::optional<lobby::rooms> rooms;
  struct flight {
    uint32_t at;
    address4 from, to;
    std::vector<uint8_t> bytes;
  };
  std::deque<flight> inflight;
  std::vector<std::pair<address4, std::deque<datagram>*>> boxes;

  explicit world(uint32_t seed) : rng(seed) { std::printf("random seed %u\n", seed); }
  void withlobby() {
    rooms.emplace(lobby::roomsettings{}, [state = uint64_t(77)](std::span<uint8_t> into) mutable {
      for (uint8_t& b : into) b = uint8_t((state = state * 6364136223846793005ull + 1) >> 56);
    });
  }
  void send(const address4& from, const address4& to, std::span<const uint8_t> bytes, uint8_t ttl) {
    std::uniform_real_distribution<double> unit(0, 1);
    if (to != lobbyat && page && from == *page) return;
    if (page && to == *page) ++sentstraighttopage;
    if (unit(rng) < loss) return;
    if (to != lobbyat && (!straight || ttl != 0)) return;  // low-TTL probes die on the way
    const int copies = unit(rng) < duplicate ? 2 : 1;
    for (int k = 0; k < copies; ++k) {
      const uint32_t delay = 5 + (jitterms > 0 ? uint32_t(std::uniform_int_distribution<int>(0, jitterms)(rng)) : 0);
      inflight.push_back({now + delay, from, to, {bytes.begin(), bytes.end()}});
    }
  }
  void deliver(const flight& f) {
    if (f.to == lobbyat) {
      if (!rooms) return;
      std::vector<lobby::outgoing> said;
      const bool websocket = page && f.from == *page;
      const lobby::endpoint from{websocket ? lobby::transportkind::websocket : lobby::transportkind::udp, f.from, websocket ? 1u : 0u};
      rooms->receive(from, f.bytes, now, said);
      for (const lobby::outgoing& o : said) {
        const std::span<const uint8_t> b = o.forward ? std::span<const uint8_t>(f.bytes) : o.word.view();
        inflight.push_back({now + 5, lobbyat, o.to.address, {b.begin(), b.end()}});
      }
      return;
    }
    for (auto& [at, box] : boxes) {
      if (at != f.to) continue;
      datagram d;
      d.from = f.from;
      d.size = f.bytes.size();
      std::copy(f.bytes.begin(), f.bytes.end(), d.bytes.begin());
      box->push_back(d);
    }
  }
  void step() {
    ++now;
    std::stable_sort(inflight.begin(), inflight.end(), [](const flight& a, const flight& b) { return a.at < b.at; });
    while (!inflight.empty() && inflight.front().at <= now) {
      const flight f = inflight.front();
      inflight.pop_front();
      deliver(f);
    }
  }
};

class memsocket final : public datagrams {
 public:
  memsocket(world& w, address4 at) : w_(w), at_(at) { w_.boxes.push_back({at, &box_}); }
  ~memsocket() override {
    std::erase_if(w_.boxes, [&](const auto& b) { return b.second == &box_; });
  }
  void sendto(const address4& to, std::span<const uint8_t> bytes, uint8_t ttl) override { w_.send(at_, to, bytes, ttl); }
  bool receive(datagram& into) override {
    if (box_.empty()) return false;
    into = box_.front();
    box_.pop_front();
    return true;
  }
  uint16_t port() const override { return at_.port; }

 private:
  world& w_;
  address4 at_;
  std::deque<datagram> box_;
};

std::unique_ptr<transport> hostlink(world& w, bool lobby = false) {
  linksettings s;
  s.hosting = true;
  if (lobby) s.lobby = lobbyat;
  s.meet.mine = {protocolversion, gameversion};
  s.meet.canpunch = !w.page;
  return makelink(std::make_unique<memsocket>(w, hostat), s, w.now, 11);
}
std::unique_ptr<transport> guestlink(world& w, address4 at = guestat, std::string code = "") {
  linksettings s;
  s.hosting = false;
  s.host = hostat;
  if (!code.empty()) s.lobby = lobbyat;
  s.meet.mine = {protocolversion, gameversion};
  s.meet.code = std::move(code);
  return makelink(std::make_unique<memsocket>(w, at), s, w.now, 22);
}

// Runs the world a millisecond at a time, polling every link, until done() or `ms` have passed.
template <typename done>
bool run(world& w, std::initializer_list<transport*> links, uint32_t ms, done finished) {
  for (uint32_t end = w.now + ms; w.now < end;) {
    w.step();
    for (transport* l : links) l->poll(w.now);
    if (finished()) return true;
  }
  return false;
}

bool joined(const transport& a, const transport& b) {
  return a.phase() == linkphase::joined && b.phase() == linkphase::joined;
}

// Two sessions play `frames` frames of a scripted match over the links, 60 ticks a second;
// true when both sides confirmed them all with the same hashes.
bool playmatch(world& w, transport& host, transport& guest, int frames) {
  std::array<transport*, 2> ends{&host, &guest};
  std::array<session, 2> s{session({0, 2, 8, 3000}, w.now), session({1, 2, 8, 3000}, w.now)};
  std::array<rollback<nettest::foldgame>, 2> g{rollback<nettest::foldgame>({}, 16), rollback<nettest::foldgame>({}, 16)};
  std::array<std::vector<uint64_t>, 2> hashes;
  uint32_t ticks = 0;
  const uint32_t start = w.now;
  const bool done = run(w, {&host, &guest}, uint32_t(frames) * 40 + 5000, [&] {
    if ((w.now - start) * 60 / 1000 < ticks) return false;
    ++ticks;
    for (size_t k = 0; k < 2; ++k) {
      packet in;
      while (ends[k]->next(in)) s[k].receive(in.view(), w.now);
      const auto requests = s[k].advance(nettest::scriptinput(5, int(k), s[k].frame()), w.now);
      g[k].carry(s[k], requests, [](const request&, const matchevents&) {});
      for (const request& r : requests) {
        if (r.kind != requestkind::save) continue;
        hashes[k].resize(std::max(hashes[k].size(), size_t(r.frame) + 1));
        hashes[k][size_t(r.frame)] = g[k].savedfor(r.frame).hash();
      }
      ends[k]->send(s[k].outgoing());
    }
    return std::min({s[0].confirmed(), s[1].confirmed(), s[0].frame(), s[1].frame()}) >= frames;
  });
  EXPECT_TRUE(done) << "frames " << s[0].frame() << " and " << s[1].frame();
  if (!done) return false;
  EXPECT_EQ(s[0].state(), linkstate::running);
  EXPECT_EQ(s[1].state(), linkstate::running);
  for (int f = 0; f < frames; ++f) {
    if (hashes[0][size_t(f)] != hashes[1][size_t(f)]) {
      ADD_FAILURE() << "the two games differ from frame " << f;
      return false;
    }
  }
  return true;
}

TEST(linkframes, TornMisnamedAndOversizedFramesAreNone) {
  const std::vector<uint8_t> payload(mostpiece, 7);
  const linkframe piece = frameof(framekind::piece, 3, 1, 2, payload);
  EXPECT_EQ(readframe(piece.view()).kind, framekind::piece);
  EXPECT_EQ(readframe(piece.view()).payload.size(), mostpiece);
  for (size_t cut = 0; cut < 9; ++cut) EXPECT_EQ(readframe(piece.view().first(cut)).kind, framekind::none) << cut;
  std::vector<uint8_t> bytes(piece.view().begin(), piece.view().end());
  bytes[2] = 9;  // no such kind
  EXPECT_EQ(readframe(bytes).kind, framekind::none);
  bytes = {piece.view().begin(), piece.view().end()};
  bytes.push_back(1);  // longer than any frame
  EXPECT_EQ(readframe(bytes).kind, framekind::none);
  EXPECT_EQ(readframe(frameof(framekind::piece, 0, 2, 2, payload).view()).kind, framekind::none) << "index past count";
  EXPECT_EQ(readframe(frameof(framekind::piece, 0, 0, mostpieces + 1, payload).view()).kind, framekind::none);
  EXPECT_EQ(readframe(frameof(framekind::piece, 0, 0, 1).view()).kind, framekind::none) << "an empty piece";
  bytes = {piece.view().begin(), piece.view().end()};
  bytes[2] = uint8_t(framekind::ack);
  EXPECT_EQ(readframe(bytes).kind, framekind::none) << "an acknowledgement carries nothing";
  const packet hi = encode(hello());
  EXPECT_EQ(readframe(hi.view()).kind, framekind::none) << "the match's messages are not the link's";
}

// Two channels over a link that loses 30 %, doubles 20 % and reorders: every message arrives
// once, whole and in order, small, on a piece's edge and as large as allowed.
TEST(linkframes, WholeMessagesComeOnceWholeAndInOrderThroughABadLink) {
  std::mt19937 rng(20261209);
  std::printf("random seed 20261209\n");
  std::uniform_real_distribution<double> unit(0, 1);
  wholechannel a(30), b(30);
  std::vector<std::string> sent;
  for (size_t size : {size_t(1), mostpiece, mostpiece + 1, size_t(5000), mostpiece * mostpieces}) {
    std::string m(size, '\0');
    for (size_t k = 0; k < size; ++k) m[k] = char(unit(rng) * 256);
    ASSERT_TRUE(a.queue(m));
    sent.push_back(m);
  }
  EXPECT_FALSE(a.queue(std::string(mostpiece * mostpieces + 1, 'x'))) << "too large for a whole message";
  EXPECT_FALSE(a.queue("")) << "nothing to send";
  struct flight {
    uint32_t at;
    bool toa;
    linkframe f;
  };
  std::vector<flight> inflight;
  std::vector<linkframe> out;
  std::vector<std::string> got;
  auto post = [&](bool toa, uint32_t now) {
    for (const linkframe& f : out) {
      if (unit(rng) < 0.3) continue;
      const int copies = unit(rng) < 0.2 ? 2 : 1;
      for (int k = 0; k < copies; ++k) inflight.push_back({now + 1 + uint32_t(unit(rng) * 20), toa, f});
    }
    out.clear();
  };
  uint32_t now = 0;
  for (; now < 60000 && got.size() < sent.size(); ++now) {
    a.tick(now, out);
    post(false, now);
    for (size_t k = 0; k < inflight.size();) {
      if (inflight[k].at > now) {
        ++k;
        continue;
      }
      const flight f = inflight[k];
      inflight.erase(inflight.begin() + std::ptrdiff_t(k));
      (f.toa ? a : b).receive(readframe(f.f.view()), out);
      post(!f.toa, now);
    }
    std::string m;
    while (b.next(m)) got.push_back(m);
  }
  ASSERT_EQ(got.size(), sent.size()) << "after " << now << " ms";
  for (size_t k = 0; k < sent.size(); ++k) EXPECT_EQ(got[k], sent[k]) << k;
  for (uint32_t end = now + 2000; now < end; ++now) a.tick(now, out);
  EXPECT_TRUE(a.idle() || !out.empty());
  std::string extra;
  EXPECT_FALSE(b.next(extra)) << "no message twice";
}

TEST(memorylink, AMatchAndItsWordsCrossALinkThatLosesDoublesAndReorders) {
  world w(424242);
  w.loss = 0.1;
  w.duplicate = 0.1;
  w.jitterms = 30;
  auto host = hostlink(w);
  auto guest = guestlink(w);
  ASSERT_TRUE(run(w, {host.get(), guest.get()}, 3000, [&] { return joined(*host, *guest); })) << guest->problem();
  EXPECT_EQ(host->path(), linkpath::direct);
  EXPECT_EQ(guest->path(), linkpath::direct);
  const std::string setup(3000, 'S');
  guest->sendwhole("NAME");
  host->sendwhole(setup);
  host->sendwhole("SECOND");
  std::vector<std::string> athost, atguest;
  std::string m;
  ASSERT_TRUE(run(w, {host.get(), guest.get()}, 5000, [&] {
    while (host->nextwhole(m)) athost.push_back(m);
    while (guest->nextwhole(m)) atguest.push_back(m);
    return athost.size() >= 1 && atguest.size() >= 2;
  }));
  EXPECT_EQ(athost, std::vector<std::string>{"NAME"});
  EXPECT_EQ(atguest, (std::vector<std::string>{setup, "SECOND"}));
  EXPECT_TRUE(playmatch(w, *host, *guest, 300));
  run(w, {host.get(), guest.get()}, 1000, [] { return false; });
  EXPECT_FALSE(host->nextwhole(m)) << "nothing arrives twice";
  EXPECT_FALSE(guest->nextwhole(m));
}

TEST(memorylink, AThirdIsRefusedStrangersAreIgnoredAndAGoodbyeOrSilenceEndsTheLink) {
  world w(7);
  auto host = hostlink(w);
  auto guest = guestlink(w);
  ASSERT_TRUE(run(w, {host.get(), guest.get()}, 1000, [&] { return joined(*host, *guest); }));
  auto third = guestlink(w, thirdat);
  ASSERT_TRUE(run(w, {host.get(), guest.get(), third.get()}, 1000, [&] { return third->phase() == linkphase::refused; }));
  EXPECT_EQ(third->problem(), "THE HOST ALREADY HAS A PLAYER");
  // The third machine's datagrams and words reach nobody; the guest's do.
  const std::array<uint8_t, 3> stray{'F', 'f', 4};
  memsocket stranger(w, thirdat);
  stranger.sendto(hostat, stray, 0);
  stranger.sendto(hostat, frameof(framekind::bye).view(), 0);
  run(w, {host.get(), guest.get()}, 50, [] { return false; });
  packet p;
  EXPECT_FALSE(host->next(p));
  EXPECT_EQ(host->phase(), linkphase::joined) << "a stranger's goodbye ends nothing";
  guest->send(stray);
  ASSERT_TRUE(run(w, {host.get(), guest.get()}, 100, [&] { return host->next(p); }));
  EXPECT_EQ(p.size, 3u);
  // A quiet link stays open on its keepalives...
  ASSERT_FALSE(run(w, {host.get(), guest.get()}, 2000, [&] { return !joined(*host, *guest); }));
  // ...and the guest going says goodbye.
  guest.reset();
  ASSERT_TRUE(run(w, {host.get()}, 200, [&] { return host->phase() == linkphase::closed; }));
  // Silence: a guest whose datagrams stop coming is gone after the silence allowed.
  linksettings quick;
  quick.hosting = true;
  quick.silencems = 800;
  auto host2 = makelink(std::make_unique<memsocket>(w, address4{0x7F000005, 27960}), quick, w.now, 1);
  linksettings joining;
  joining.hosting = false;
  joining.host = {0x7F000005, 27960};
  auto guest2 = makelink(std::make_unique<memsocket>(w, guestat), joining, w.now, 2);
  ASSERT_TRUE(run(w, {host2.get(), guest2.get()}, 1000, [&] { return joined(*host2, *guest2); }));
  w.straight = false;  // the wire is cut: no goodbye gets through
  guest2.reset();
  EXPECT_FALSE(run(w, {host2.get()}, 700, [&] { return host2->phase() != linkphase::joined; }));
  EXPECT_TRUE(run(w, {host2.get()}, 200, [&] { return host2->phase() == linkphase::closed; }));
}

TEST(memorylink, AJoinerOfAnotherVersionOrWithNobodyThereHearsWhy) {
  world w(9);
  auto host = hostlink(w);
  memsocket other(w, guestat);
  message h = hello();
  h.hello.protocol = protocolversion + 1;
  other.sendto(hostat, encode(h).view(), 0);
  run(w, {host.get()}, 50, [] { return false; });
  datagram d;
  ASSERT_TRUE(other.receive(d));
  const message answer = decode(d.view());
  ASSERT_EQ(answer.kind, messagekind::refuse);
  EXPECT_NE(refusaltext(answer.refuse).find("PROTOCOL " + std::to_string(protocolversion)), std::string::npos);
  EXPECT_EQ(host->phase(), linkphase::waiting);
  // A joiner with nobody at the address gives up after its patience.
  host.reset();
  auto guest = guestlink(w);
  EXPECT_FALSE(run(w, {guest.get()}, 4900, [&] { return guest->phase() != linkphase::connecting; }));
  EXPECT_TRUE(run(w, {guest.get()}, 200, [&] { return guest->phase() == linkphase::failed; }));
  EXPECT_EQ(guest->problem(), "NO HOST ANSWERED");
}

// The host asks the lobby for a room; the guest joins by the code as typed.
struct meetup {
  world w;
  std::unique_ptr<transport> host, guest;
  explicit meetup(uint32_t seed) : w(seed) { w.withlobby(); }
  bool meet() {
    host = hostlink(w, true);
    if (!run(w, {host.get()}, 1000, [&] { return !host->code().empty(); })) return false;
    std::string typed = host->code();
    std::transform(typed.begin(), typed.end(), typed.begin(), [](char c) { return char(std::tolower(c)); });
    const uint32_t start = w.now;
    guest = guestlink(w, guestat, typed.substr(0, 2) + "-" + typed.substr(2));
    const bool ok = run(w, {host.get(), guest.get()}, 8000, [&] { return joined(*host, *guest); });
    std::printf("joined by code in %u ms over 5 ms links, path %s\n", w.now - start, pathname(guest->path()));
    return ok;
  }
};

TEST(bycode, ProbesThatGetThroughMakeThePathPunchedAndTheMatchGoesStraight) {
  meetup m(31);
  const uint32_t start = m.w.now;
  ASSERT_TRUE(m.meet()) << m.guest->problem();
  EXPECT_LT(m.w.now - start, 1000u) << "no wait for the relay's three seconds";
  EXPECT_EQ(m.guest->path(), linkpath::punched);
  EXPECT_EQ(m.host->path(), linkpath::punched);
  const uint64_t relayedbefore = m.w.rooms->relayed();
  EXPECT_TRUE(playmatch(m.w, *m.host, *m.guest, 240));
  EXPECT_EQ(m.w.rooms->relayed(), relayedbefore) << "nothing of the match went through the lobby";
}

TEST(bycode, WhenNoProbeGetsThroughTheRelayCarriesTheWholeMatch) {
  meetup m(32);
  m.w.straight = false;
  m.w.loss = 0.05;
  ASSERT_TRUE(m.meet()) << m.guest->problem();
  EXPECT_EQ(m.guest->path(), linkpath::relayed);
  EXPECT_EQ(m.host->path(), linkpath::relayed);
  m.guest->sendwhole(std::string(2500, 'N'));
  std::string got;
  ASSERT_TRUE(run(m.w, {m.host.get(), m.guest.get()}, 3000, [&] { return m.host->nextwhole(got); }));
  EXPECT_EQ(got, std::string(2500, 'N'));
  EXPECT_TRUE(playmatch(m.w, *m.host, *m.guest, 240));
  EXPECT_GT(m.w.rooms->relayed(), 2u * 240 / 2);
  EXPECT_EQ(m.w.rooms->dropped(), 0u) << "the match stays inside the relay's allowance";
  // The guest leaving ends the room; the host hears it through the lobby.
  m.guest.reset();
  EXPECT_TRUE(run(m.w, {m.host.get()}, 500, [&] { return m.host->phase() == linkphase::closed; }));
}

// A page has no UDP: it sends only to the lobby, which tells the desktop game there is no address
// to probe, so neither side waits out the punching before the relay.
TEST(bycode, APageHostsADesktopGameAtOnceThroughTheRelay) {
  meetup m(33);
  m.w.page = hostat;
  const uint32_t start = m.w.now;
  ASSERT_TRUE(m.meet()) << m.guest->problem();
  EXPECT_LT(m.w.now - start, 1000u) << "no wait for the relay's three seconds";
  EXPECT_EQ(m.host->path(), linkpath::relayed);
  EXPECT_EQ(m.guest->path(), linkpath::relayed);
  EXPECT_EQ(m.w.sentstraighttopage, 0) << "nothing probes a page";
  EXPECT_TRUE(playmatch(m.w, *m.host, *m.guest, 240));
  EXPECT_GT(m.w.rooms->relayed(), 2u * 240 / 2);
}

TEST(lobbyaddress, APageFindsTheLobbysWebSocketOnThePortAfterItsUdpOne) {
  EXPECT_EQ(lobbywebsocket("lobby.example"), "lobby.example:27962");
  EXPECT_EQ(lobbywebsocket("10.0.0.5:4000"), "10.0.0.5:4001");
  EXPECT_EQ(lobbywebsocket("10.0.0.5:65534"), "10.0.0.5:65535");
  EXPECT_EQ(lobbywebsocket("10.0.0.5:65535"), "") << "no port after the last";
  EXPECT_EQ(lobbywebsocket("wss://proxy.example/flopfist"), "wss://proxy.example/flopfist");
  EXPECT_EQ(lobbywebsocket("ws://10.0.0.5:8080"), "ws://10.0.0.5:8080");
  EXPECT_EQ(lobbywebsocket("lobby.example:http"), "");
  EXPECT_EQ(lobbywebsocket(""), "");
}

TEST(bycode, AHostWithARoomStillTakesAJoinerByAddressAndAWrongCodeIsRefused) {
  meetup m(33);
  m.host = hostlink(m.w, true);
  ASSERT_TRUE(run(m.w, {m.host.get()}, 1000, [&] { return !m.host->code().empty(); }));
  const std::string code = m.host->code();
  // No such room: the lobby says so in words.
  std::string wrong = code;
  wrong[0] = wrong[0] == 'A' ? 'B' : 'A';
  auto lost = guestlink(m.w, thirdat, wrong);
  ASSERT_TRUE(run(m.w, {m.host.get(), lost.get()}, 2000, [&] { return lost->phase() == linkphase::refused; }));
  EXPECT_FALSE(lost->problem().empty());
  auto bad = guestlink(m.w, thirdat, "OIL10");
  bad->poll(m.w.now);
  EXPECT_EQ(bad->phase(), linkphase::refused) << "not a room code";
  // By address, while the room waits.
  m.guest = guestlink(m.w);
  ASSERT_TRUE(run(m.w, {m.host.get(), m.guest.get()}, 1000, [&] { return joined(*m.host, *m.guest); }));
  EXPECT_EQ(m.host->path(), linkpath::direct);
  EXPECT_EQ(m.guest->path(), linkpath::direct);
  // The room is given up: the code now finds nothing.
  run(m.w, {m.host.get(), m.guest.get()}, 100, [] { return false; });
  auto late = guestlink(m.w, thirdat, code);
  EXPECT_TRUE(run(m.w, {m.host.get(), m.guest.get(), late.get()}, 2000, [&] { return late->phase() == linkphase::refused; }));
  EXPECT_EQ(m.host->phase(), linkphase::joined);
}

// A guest that goes while the two are still punching ends the room; the host gets a new one, and the
// next guest joins by the new code.
TEST(bycode, AGuestGoneBeforeItsHelloLeavesTheHostANewRoom) {
  meetup m(35);
  m.w.straight = false;  // punching would go on for three seconds
  m.host = hostlink(m.w, true);
  ASSERT_TRUE(run(m.w, {m.host.get()}, 1000, [&] { return !m.host->code().empty(); }));
  const std::string first = m.host->code();
  m.guest = guestlink(m.w, guestat, first);
  ASSERT_FALSE(run(m.w, {m.host.get(), m.guest.get()}, 500, [&] { return joined(*m.host, *m.guest); }));
  m.guest.reset();
  ASSERT_TRUE(run(m.w, {m.host.get()}, 2000, [&] { return !m.host->code().empty() && m.host->code() != first; }));
  EXPECT_EQ(m.host->phase(), linkphase::waiting);
  EXPECT_EQ(m.host->lobbyproblem(), "");
  m.guest = guestlink(m.w, thirdat, m.host->code());
  EXPECT_TRUE(run(m.w, {m.host.get(), m.guest.get()}, 6000, [&] { return joined(*m.host, *m.guest); }));
  EXPECT_EQ(m.guest->path(), linkpath::relayed);
}

TEST(bycode, AHostWhoseLobbyIsSilentSaysSoAndStillHostsByAddress) {
  world w(34);  // no rooms at the lobby's address
  auto host = hostlink(w, true);
  EXPECT_TRUE(run(w, {host.get()}, 6000, [&] { return !host->lobbyproblem().empty(); }));
  EXPECT_EQ(host->code(), "");
  auto guest = guestlink(w);
  EXPECT_TRUE(run(w, {host.get(), guest.get()}, 1000, [&] { return joined(*host, *guest); }));
}

}  // namespace
}  // namespace flopfist::net
