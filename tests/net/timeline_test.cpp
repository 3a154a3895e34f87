// The hit pause and slow motion as ticks of the frame clock: held still, the input unused.
#include <gtest/gtest.h>

#include "match/timeline.h"
#include "tests/net/duel.h"

namespace flopfist::net {
namespace {

TEST(timeline, AHitPauseHoldsTwelveTicksAndSlowedFramesTwoEach) {
  constexpr uint32_t seed = 19;
  timeline t(nettest::versussetup(seed));
  int tick = 0;
  auto script = [&](int k) {
    return mergeinputs({nettest::scriptinput(seed, 0, k), nettest::scriptinput(seed, 1, k)});
  };
  int pauses = 0;
  while (tick < 5000 && pauses == 0) pauses = t.step(script(tick++)).hitpauses;
  ASSERT_GT(pauses, 0) << "no blow in 5000 ticks";
  const int frame = t.now.framecount;
  const uint64_t before = t.now.hash();
  // The held ticks ignore whatever is held; the fight resumes after them.
  frameinput wild;
  wild.player[1] = {true, false, true, false};
  wild.knockout = true;
  // As long as at home: 200 ms a hit pause, and a slowed frame shown for 1/30 s.
  for (int k = 0; k < pauses * 12 + 1; ++k) {
    const matchevents ev = t.step(wild);
    EXPECT_EQ(ev.soundcount, 0);
    EXPECT_EQ(t.now.hash(), before) << k;
  }
  ASSERT_GE(t.now.slowmotimer, 0) << "the blow starts the slow motion";
  (void)t.step(script(tick++));
  EXPECT_EQ(t.now.framecount, frame + 1);
  // While slowed every frame holds one tick more; the hash counts the tick held.
  const uint64_t holding = t.hash();
  ASSERT_EQ(t.hold, 1);
  (void)t.step(script(tick++));
  EXPECT_EQ(t.now.framecount, frame + 1);
  EXPECT_NE(t.hash(), holding);
}

}  // namespace
}  // namespace flopfist::net
