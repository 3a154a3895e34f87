// The driver's side of a match, two of them against the lobby's real rooms over a small simulated
// network with 10 ms links (no root needed): the scripted match played to its end straight or
// through the relay, with lost datagrams, and a peer that vanishes.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <memory>
#include <random>
#include <thread>

#include "lobby/rooms.h"
#include "tests/nat/natgame.h"
#include "tests/net/duel.h"

namespace flopfist::nattest {
namespace {

using net::address4;

constexpr address4 lobbyat{0xCB007101, 27961};  // 203.0.113.1
constexpr int frames = 240;

struct flight {
  uint32_t at;
  int to;  // -1: the lobby
  address4 from;
  std::vector<uint8_t> bytes;
};

struct side {
  std::unique_ptr<natgame> g;
  address4 publicat;
  uint32_t startedat = 0;
  uint64_t ticks = 0;
  bool gone = false;  // the machine vanished: it neither runs nor hears anything
};

struct world {
  lobby::rooms rooms{lobby::roomsettings{}, [state = uint64_t(7)](std::span<uint8_t> into) mutable {
                       for (uint8_t& b : into) b = uint8_t((state = state * 6364136223846793005ull + 1) >> 56);
                     }};
  std::array<side, 2> p;
  bool punchable = true;  // each router lets the other's probes through once its own went out
  double loss = 0;
  std::mt19937 rng;
  uint32_t now = 1000;
  std::deque<flight> inflight;
  int relaywords = 0, straight = 0;  // match datagrams through the lobby, and straight between the games
  int vanisher = 1, vanishat = -1;   // this side's machine goes once it has ticked so many frames

  explicit world(uint32_t seed = 20261209) : rng(seed) {
    std::printf("random seed %u\n", seed);
    p[0].publicat = {0xCB007102, 40000};
    p[1].publicat = {0xCB007112, 50000};
  }
  natsettings settings(net::role r, std::string code = "") const {
    natsettings s;
    s.meet.side = r;
    s.meet.mine = {2, 1};
    s.meet.code = std::move(code);
    s.lobby = lobbyat;
    s.seed = 11;
    s.mostframes = frames;
    return s;
  }
  void sendfrom(int k, const net::meetdatagram& d) {
    if (p[size_t(k)].gone || std::uniform_real_distribution<double>(0, 1)(rng) < loss) return;
    const std::vector<uint8_t> b(d.bytes.bytes.begin(), d.bytes.bytes.begin() + std::ptrdiff_t(d.bytes.size));
    if (d.to == lobbyat) {
      if (net::decodeword(b).kind == net::wordkind::relay) ++relaywords;
      inflight.push_back({now + 10, -1, p[size_t(k)].publicat, b});
      return;
    }
    if (d.ttl != 0 || !punchable || !(d.to == p[size_t(1 - k)].publicat)) return;  // a low TTL dies on the way
    if (!net::wordmark(b)) ++straight;
    inflight.push_back({now + 10, 1 - k, p[size_t(k)].publicat, b});
  }
  void flush(int k) {
    for (const net::meetdatagram& d : p[size_t(k)].g->outbox()) sendfrom(k, d);
    p[size_t(k)].g->outbox().clear();
  }
  void deliver(const flight& f) {
    if (f.to >= 0) {
      side& q = p[size_t(f.to)];
      if (!q.g || q.gone) return;
      q.g->receive(f.from, f.bytes, now);
      return flush(f.to);
    }
    std::vector<lobby::outgoing> said;
    rooms.receive({lobby::transportkind::udp, f.from, 0}, f.bytes, now, said);
    for (const lobby::outgoing& o : said) {
      const int to = o.to.address == p[0].publicat ? 0 : o.to.address == p[1].publicat ? 1 : -1;
      if (to < 0) continue;
      const std::span<const uint8_t> bytes = o.forward ? std::span<const uint8_t>(f.bytes) : o.word.view();
      inflight.push_back({now + 10, to, lobbyat, {bytes.begin(), bytes.end()}});
    }
  }
  // A millisecond: each game polled, a frame where one falls due (60 a second), datagrams delivered.
  void step() {
    for (int k = 0; k < 2; ++k) {
      side& s = p[size_t(k)];
      if (k == vanisher && vanishat >= 0 && s.ticks >= uint64_t(vanishat)) s.gone = true;
      if (!s.g || s.gone) continue;
      s.g->poll(now);
      if (s.g->stage() == natstage::playing || s.g->stage() == natstage::ended) {
        if (s.startedat == 0) s.startedat = now;
        if (uint64_t(now - s.startedat) * 60 / 1000 + 1 > s.ticks) {
          ++s.ticks;
          s.g->frame(now);
        }
      }
      flush(k);
    }
    for (size_t k = 0; k < inflight.size();) {
      if (inflight[k].at > now) {
        ++k;
        continue;
      }
      const flight f = inflight[k];
      inflight.erase(inflight.begin() + std::ptrdiff_t(k));
      deliver(f);
    }
    ++now;
  }
  bool over(int k) const {
    return p[size_t(k)].gone || p[size_t(k)].g->stage() == natstage::ended || p[size_t(k)].g->stage() == natstage::failed;
  }
  // The host opens a room, the guest joins by its code, and both play until each has ended or failed.
  bool play(uint32_t ms = 20000) {
    p[0].g = std::make_unique<natgame>(settings(net::role::host), now, 1);
    for (int k = 0; k < 500 && p[0].g->meeting().phase() != net::meetphase::waiting; ++k) step();
    p[1].g = std::make_unique<natgame>(settings(net::role::guest, p[0].g->meeting().code()), now, 2);
    for (const uint32_t end = now + ms; now < end;) {
      step();
      if (over(0) && over(1)) break;
    }
    for (int k = 0; k < 300; ++k) step();  // the drivers linger
    return over(0) && over(1);
  }
};

// The match as one machine given every input as the scripts and the delay make them.
uint64_t reference(const natsettings& s, int endframe) {
  match m(nettest::versussetup(s.seed));
  for (int f = 0; f <= endframe; ++f) {
    std::array<uint16_t, 2> in{};
    for (int k = 0; k < 2; ++k) in[size_t(k)] = f < s.delay ? 0 : nettest::scriptinput(s.seed, k, f - s.delay);
    (void)m.step(mergeinputs(in));
  }
  return m.hash();
}

void expectplayedalike(const world& w, net::pathkind path) {
  for (int k = 0; k < 2; ++k) {
    const natgame& g = *w.p[size_t(k)].g;
    ASSERT_EQ(g.stage(), natstage::ended) << "side " << k << ": " << g.problem();
    EXPECT_EQ(g.meeting().path(), path) << k;
    EXPECT_EQ(g.endframe(), frames - 1) << k;
    EXPECT_GE(g.firstframems(), 0) << k;
    EXPECT_GE(g.firstconfirmedms(), g.firstframems()) << k;
  }
  EXPECT_EQ(w.p[0].g->endhash(), w.p[1].g->endhash());
  EXPECT_EQ(w.p[0].g->endhash(), reference(w.settings(net::role::host), frames - 1));
}

TEST(natgame, PunchedSidesPlayTheWholeMatchStraightToEachOther) {
  world w;
  ASSERT_TRUE(w.play());
  expectplayedalike(w, net::pathkind::punched);
  EXPECT_GT(w.straight, frames) << "every frame's message goes straight";
  EXPECT_EQ(w.relaywords, 0);
  EXPECT_LT(w.p[1].g->firstframems(), 400) << "a join, a pairing and a probe's round trip on 10 ms links";
}

TEST(natgame, StrictRoutersPlayTheWholeMatchThroughTheRelay) {
  world w;
  w.punchable = false;
  ASSERT_TRUE(w.play());
  expectplayedalike(w, net::pathkind::relayed);
  EXPECT_EQ(w.straight, 0);
  EXPECT_GT(w.relaywords, 2 * frames) << "both sides' messages, wrapped for the lobby";
  EXPECT_GE(w.p[1].g->firstframems(), 3000) << "the relay only once the probes have had their time";
}

TEST(natgame, LostDatagramsChangeNothingInTheMatch) {
  for (const bool punchable : {true, false}) {
    world w(31 + punchable);
    w.punchable = punchable;
    w.loss = 0.15;
    ASSERT_TRUE(w.play()) << punchable;
    expectplayedalike(w, punchable ? net::pathkind::punched : net::pathkind::relayed);
  }
}

TEST(natgame, APeerThatVanishesFailsTheMatchRatherThanEndingIt) {
  for (const bool punchable : {true, false}) {
    world w;
    w.punchable = punchable;
    w.vanishat = 60;
    ASSERT_TRUE(w.play()) << punchable;
    const natgame& host = *w.p[0].g;
    EXPECT_EQ(host.stage(), natstage::failed) << punchable;
    EXPECT_NE(host.problem().find("silent"), std::string::npos) << host.problem();
    EXPECT_EQ(host.endframe(), -1);
  }
}

}  // namespace
}  // namespace flopfist::nattest
