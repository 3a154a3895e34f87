// The session's own rules, which a rollback would set right in the results and so hide: how far it
// runs unheard, what it predicts, how the two clocks meet, which frame a desync names.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <span>
#include <utility>
#include <vector>

#include "match/match.h"
#include "net/packet.h"
#include "net/rollback.h"
#include "net/session.h"

namespace flopfist::net {
namespace {

// Each side's four directions, held in runs of 20 frames, a new set every run.
constexpr int runframes = 20;
uint16_t keys(int side, int frame) {
  const int run = frame / runframes;
  return uint16_t(((run * 7 + side * 5 + 3) % 16) << (4 * side));
}

// A stand-in for the match: folds in every input it is stepped with, so two sides agree only on
// the same inputs in the same order.
struct folding {
  uint64_t h = 1469598103934665603ull;
  void step(const frameinput& in) { h = (h ^ packinput(in)) * 1099511628211ull + 7; }
  uint64_t hash() const { return h; }
};

// A side of a match: its session, the stand-in stepped by the rollback loop online play uses, and
// the datagrams on their way to it.
struct side {
  side(const sessionconfig& config, uint32_t firsttick)
      : s(config, 0), start(firsttick), loop(folding{}, savedstates(config)) {}
  session s;
  uint32_t start = 0;  // its clock's first tick, ms
  int ticks = 0;
  rollback<folding> loop;
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> inbox;  // each with the ms it arrives
  std::vector<int> slowedticks;
  std::vector<std::array<uint16_t, 2>> given;  // by frame: the inputs it was last stepped with

  void carry(std::span<const request> requests) {
    loop.carry(s, requests, [&](const request& r, const matchevents&) {
      if (given.size() <= size_t(r.frame)) given.resize(size_t(r.frame) + 1);
      given[size_t(r.frame)] = r.inputs;
    });
  }
};

// Two sides over a link that holds every datagram `onewayms`, each ticking 60 times a second on
// its own clock, the joiner's starting `lagms` after the host's.
struct pairing {
  pairing(int onewayms, int lagms, int delay = 2, int joinerdelay = -1)
      : oneway(uint32_t(onewayms)),
        sides{side({0, delay, 8, 3000}, 0), side({1, joinerdelay < 0 ? delay : joinerdelay, 8, 3000}, uint32_t(lagms))} {}

  // Runs to the ms `end`; `each` is called after every ms.
  template <typename callback>
  void rununtil(uint32_t end, callback each) {
    for (; now < end; ++now) {
      for (int k = 0; k < 2; ++k) {
        side& me = sides[size_t(k)];
        if (now < me.start || (now - me.start) * 60 / 1000 < uint32_t(me.ticks)) continue;
        tick(k);
      }
      each();
    }
  }
  void tick(int k) {
    side& me = sides[size_t(k)];
    ++me.ticks;
    for (auto it = me.inbox.begin(); it != me.inbox.end();) {
      if (it->first > now) {
        ++it;
        continue;
      }
      me.s.receive(it->second, now);
      it = me.inbox.erase(it);
    }
    const int slowed = me.s.stats().slowed;
    me.carry(me.s.advance(keys(k, me.s.frame()), now));
    if (me.s.stats().slowed > slowed) me.slowedticks.push_back(me.ticks);
    const auto out = me.s.outgoing();
    if (k == 0 && lossevery > 0 && ++sent % lossevery == 0) return;
    if (!out.empty()) sides[size_t(1 - k)].inbox.push_back({now + oneway, {out.begin(), out.end()}});
  }

  uint32_t oneway;
  int lossevery = 0;  // every so many of the host's datagrams are lost (0: none)
  int sent = 0;
  std::array<side, 2> sides;
  uint32_t now = 0;
};

// The peer's words as its session would send them: its inputs from frame `first`, where its clock
// stands, and hashes of frames from `hashfirst`.
std::vector<uint8_t> peerwords(int first, std::vector<uint16_t> inputs, int hashfirst = 0,
                               std::vector<uint32_t> hashes = {}) {
  message m;
  m.kind = messagekind::inputs;
  inputmessage& in = m.inputs;
  in.first = first;
  in.count = uint8_t(inputs.size());
  for (size_t k = 0; k < inputs.size(); ++k) in.inputs[k] = inputs[k];
  in.frame = first + int(inputs.size());
  in.echoage = 0xFFFF;
  in.hashfirst = hashfirst;
  in.hashcount = uint8_t(hashes.size());
  for (size_t k = 0; k < hashes.size(); ++k) in.hashes[k] = hashes[k];
  const packet p = encode(m);
  return {p.view().begin(), p.view().end()};
}

// The advance requests of a run of ticks with no word from the peer, by frame.
std::vector<request> unheard(session& s, int ticks, uint16_t local = 0) {
  std::vector<request> steps;
  for (int k = 0; k < ticks; ++k) {
    for (const request& r : s.advance(local, uint32_t(16 * k))) {
      if (r.kind == requestkind::advance) steps.push_back(r);
    }
  }
  return steps;
}

// A peer that says nothing lets this side run exactly its window ahead, then it waits; the window
// is kept between 1 and 16 frames whatever is asked.
TEST(sessionwindow, AnUnheardSideStepsItsWindowAndThenWaits) {
  for (const auto& [asked, runs] : std::array<std::pair<int, int>, 5>{{{8, 8}, {1, 1}, {16, 16}, {0, 1}, {17, 16}}}) {
    SCOPED_TRACE("window " + std::to_string(asked));
    session s({0, 2, asked, 3000}, 0);
    EXPECT_EQ(int(unheard(s, 30).size()), runs);
    EXPECT_EQ(s.frame(), runs);
    EXPECT_EQ(s.stats().stepped, runs);
    EXPECT_EQ(s.stats().waited, 30 - runs);
  }
}

// A local input is stepped `delay` frames after the tick that took it; the delay is kept between 0
// and 4 frames.
TEST(sessionwindow, ALocalInputWaitsTheDelayBeforeItIsStepped) {
  for (const auto& [asked, delay] : std::array<std::pair<int, int>, 4>{{{0, 0}, {4, 4}, {-1, 0}, {5, 4}}}) {
    SCOPED_TRACE("delay " + std::to_string(asked));
    session s({1, asked, 8, 3000}, 0);
    EXPECT_EQ(s.delay(), delay);
    std::vector<request> steps;
    for (int k = 0; k < 8; ++k) {
      for (const request& r : s.advance(uint16_t(0x10 * (k + 1)), uint32_t(16 * k))) {
        if (r.kind == requestkind::advance) steps.push_back(r);
      }
    }
    ASSERT_EQ(steps.size(), 8u);
    for (int f = 0; f < 8; ++f) {
      EXPECT_EQ(steps[size_t(f)].inputs[1], f < delay ? 0 : 0x10 * (f - delay + 1)) << "frame " << f;
    }
  }
}

// A remote input not yet come is taken to be the last one received, whatever came before it.
TEST(sessionprediction, AMissingInputIsTheLastOneReceived) {
  session s({0, 0, 8, 3000}, 0);
  s.receive(peerwords(0, {0x10, 0x20, 0x30, 0x40, 0x50}), 0);
  const std::vector<request> steps = unheard(s, 13);
  ASSERT_EQ(steps.size(), 13u);
  for (int f = 0; f < 13; ++f) {
    EXPECT_EQ(steps[size_t(f)].inputs[1], f < 5 ? 0x10 * (f + 1) : 0x50) << "frame " << f;
  }
  // An input past a gap sets right the frame it names; the frames after it are still guessed from
  // the last input before the gap, and the window stays full until the gap is filled.
  s.receive(peerwords(7, {0x70}), 300);
  (void)s.advance(0, 300);
  EXPECT_EQ(s.frame(), 13);
  s.receive(peerwords(5, {0x50, 0x60}), 316);
  std::vector<request> again;
  for (const request& r : s.advance(0, 316)) again.push_back(r);
  ASSERT_FALSE(again.empty());
  EXPECT_EQ(again.front().kind, requestkind::restore);
  EXPECT_EQ(again.front().frame, 6) << "frame 5 was guessed right";
  for (const request& r : again) {
    if (r.kind == requestkind::advance && r.frame > 7) {
      EXPECT_EQ(r.inputs[1], 0x70) << "frame " << r.frame;
    }
  }
  EXPECT_EQ(s.frame(), 14) << "the window moved on with the gap filled";
  // What F3 shows: two rollbacks, the last back from frame 13 to 6.
  EXPECT_EQ(s.stats().rollbacks, 2);
  EXPECT_EQ(s.stats().lastdepth, 7);
  EXPECT_EQ(s.stats().depths[7], 1);
  EXPECT_EQ(s.stats().depths[6], 1);
}

// Over a link slower than the delay a side must guess, and guesses wrong only when the peer's keys
// change: at most one rollback per change, however long the match.
TEST(sessionprediction, RollbacksComeOnlyWithThePeersChangesOfKeys) {
  pairing p(50, 37);
  p.rununtil(21000, [] {});
  for (int k = 0; k < 2; ++k) {
    const side& me = p.sides[size_t(k)];
    // The peer's changes of keys over the frames whose inputs have all come.
    int changes = 0;
    for (int f = 1; f < me.s.confirmed(); ++f) {
      changes += me.given[size_t(f)][size_t(1 - k)] != me.given[size_t(f - 1)][size_t(1 - k)] ? 1 : 0;
    }
    const linkstats& st = me.s.stats();
    std::printf("side %d: %d frames, %d rollbacks, %d changes of the peer's keys\n", k, st.stepped, st.rollbacks, changes);
    ASSERT_GE(st.stepped, 1200);
    EXPECT_GT(st.rollbacks, 0) << "the link is slower than the delay: some guesses must miss";
    EXPECT_LE(st.rollbacks, changes);
  }
  EXPECT_EQ(p.sides[0].s.state(), linkstate::running);
  EXPECT_EQ(p.sides[1].s.state(), linkstate::running);
}

// The round trip F3 shows is the link's, however long the peer held the echo while what it heard
// was lost: 100 ms, and the waits for each side's tick before a datagram is read, which over six
// ticks of link add up to none or one tick.
TEST(sessiontimesync, TheRoundTripIsTheLinksWhateverIsLost) {
  pairing p(50, 37);
  p.lossevery = 2;
  int least = 1 << 30, most = 0;
  p.rununtil(6000, [&] {
    if (p.now < 1000) return;
    for (const side& s : p.sides) {
      least = std::min(least, s.s.stats().rttms);
      most = std::max(most, s.s.stats().rttms);
    }
  });
  std::printf("round trips %d to %d ms\n", least, most);
  EXPECT_GE(least, 100);
  EXPECT_LE(most, 100 + 17);
}

// Each machine keeps its own INPUT DELAY: sides of different delays step the same inputs and
// reach the same states.
TEST(sessionwindow, SidesOfDifferentDelaysPlayOneMatch) {
  for (const auto& [host, joiner] : std::array<std::pair<int, int>, 2>{{{0, 4}, {4, 0}}}) {
    SCOPED_TRACE("delays " + std::to_string(host) + " and " + std::to_string(joiner));
    pairing p(30, 37, host, joiner);
    p.rununtil(8000, [] {});
    const int upto = std::min(p.sides[0].s.confirmed(), p.sides[1].s.confirmed());
    ASSERT_GT(upto, 400);
    EXPECT_EQ(p.sides[0].s.state(), linkstate::running);
    EXPECT_EQ(p.sides[1].s.state(), linkstate::running);
    for (int f = 0; f < upto; ++f) {
      ASSERT_EQ(p.sides[0].given[size_t(f)], p.sides[1].given[size_t(f)]) << "frame " << f;
    }
    // Each side's keys reach the match its own delay after they were taken.
    for (int k = 0; k < 2; ++k) {
      const int delay = k == 0 ? host : joiner;
      EXPECT_EQ(p.sides[0].given[size_t(delay + 100)][size_t(k)], keys(k, 100)) << "side " << k;
    }
  }
}

// A side that starts late is met: the side ahead leaves ticks out, one at a time with time
// between, until the two run within a frame of each other; the side behind never slows. Mostly
// the joiner starts late; a host that does is met the same way.
TEST(sessiontimesync, TheSideAheadSlowsUntilALateSideIsMet) {
  for (const int lag : {37, 70, 120, -70}) {
    SCOPED_TRACE("joiner " + std::to_string(lag) + " ms late");
    pairing p(20, std::max(lag, 0));
    p.sides[0].start = uint32_t(std::max(-lag, 0));
    const size_t ahead = lag > 0 ? 0 : 1;
    int64_t gap = 0;
    int samples = 0;
    p.rununtil(12000, [&] {
      if (p.now < 9000) return;
      // Where each side's frame clock stands at this ms, in frames, the ticks' phases included.
      std::array<double, 2> at{};
      for (size_t k = 0; k < 2; ++k) {
        at[k] = p.sides[k].s.frame() + ((p.now - p.sides[k].start) % 1000 * 60 % 1000) / 1000.0;
      }
      gap += int64_t((at[ahead] - at[1 - ahead]) * 1000);
      ++samples;
    });
    const double mean = double(gap) / samples / 1000;
    const linkstats& first = p.sides[ahead].s.stats();
    const linkstats& late = p.sides[1 - ahead].s.stats();
    std::printf("joiner %d ms late: the side ahead by %.2f frames, slowed %d; the late one slowed %d\n", lag, mean,
                first.slowed, late.slowed);
    EXPECT_LT(std::abs(mean), 1.0) << "still ahead";
    EXPECT_GE(first.slowed, std::abs(lag) * 60 / 1000 - 1);
    EXPECT_EQ(late.slowed, 0);
    const std::vector<int>& ticks = p.sides[ahead].slowedticks;
    for (size_t k = 1; k < ticks.size(); ++k) EXPECT_GE(ticks[k] - ticks[k - 1], 12) << "two ticks left out close together";
  }
}

// A side that leaves before a frame is stepped is heard leaving, and the match ends at frame 0.
TEST(sessionleave, ALeaveAtTheFirstFrameIsHeard) {
  session leaver({0, 2, 8, 3000}, 0), stayer({1, 2, 8, 3000}, 0);
  EXPECT_TRUE(leaver.leave(0).empty());
  stayer.receive(leaver.quitmessage(), 10);
  EXPECT_EQ(stayer.state(), linkstate::peerquit);
  (void)stayer.advance(0, 16);
  EXPECT_EQ(stayer.frame(), 0);
  EXPECT_EQ(stayer.agreed(), 0);
}

// A side that hashed frames 0..19: each frame's hash is 1000 + the frame.
session hashedside() {
  session s({0, 0, 8, 3000}, 0);
  std::vector<uint16_t> none(20, 0);
  s.receive(peerwords(0, none), 0);
  for (int k = 0; k < 21; ++k) {
    for (const request& r : s.advance(0, uint32_t(16 * k))) {
      if (r.kind == requestkind::checksum) s.saved(r.frame, uint64_t(1000 + r.frame));
    }
  }
  return s;
}

std::vector<uint32_t> peerhashes(int first, int count, int differfrom) {
  std::vector<uint32_t> h;
  for (int f = first; f < first + count; ++f) h.push_back(uint32_t(1000 + f) ^ (f >= differfrom ? 1 : 0));
  return h;
}

// The desync names the first frame whose hashes differ, however many differing ones come at once,
// and whichever side's hash of it comes last.
TEST(sessiondesync, TheFirstDifferingFrameIsNamed) {
  session s = hashedside();
  s.receive(peerwords(20, {}, 8, peerhashes(8, 8, 11)), 400);
  EXPECT_EQ(s.state(), linkstate::desynced);
  EXPECT_EQ(s.desyncframe(), 11);

  session same = hashedside();
  same.receive(peerwords(20, {}, 8, peerhashes(8, 8, 99)), 400);
  EXPECT_EQ(same.state(), linkstate::running) << "alike hashes are no desync";

  // The peer's hashes first, this side's after: the first of its own that differs is named.
  session late({0, 0, 8, 3000}, 0);
  late.receive(peerwords(0, std::vector<uint16_t>(20, 0), 2, peerhashes(2, 8, 4)), 0);
  EXPECT_EQ(late.state(), linkstate::running);
  for (int k = 0; k < 21; ++k) {
    for (const request& r : late.advance(0, uint32_t(16 * k))) {
      if (r.kind == requestkind::checksum) late.saved(r.frame, uint64_t(1000 + r.frame));
    }
  }
  EXPECT_EQ(late.state(), linkstate::desynced);
  EXPECT_EQ(late.desyncframe(), 4);
}

}  // namespace
}  // namespace flopfist::net
