// Particle tests: burst life, the ring, safe counts, drops and squares, sparks over drops.
#include "effects/particles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "body/util.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

class particletest : public gametest {
 protected:
  void SetUp() override {
    gametest::SetUp();
    art = openassets();
  }
  // One frame of the ring as a match runs it: every living burst moved on, then drawn.
  void frame(float zoom) {
    ring.beginframe();
    ring.update(rng);
    ring.draw(view{0, 0, zoom}, art.images);
  }
  assets art;
  media::generator rng;
  particlering ring;
};

TEST_F(particletest, ABurstLivesFiftyOneUpdates) {
  dotburst d;
  d.start(0, 0, 0, 0, 10, 0, 3, rng, 0, 8);
  int updates = 0;
  while (d.alive) {
    d.update(rng);
    ++updates;
    ASSERT_LE(updates, 1000);
  }
  EXPECT_EQ(updates, 51);

  // Through the ring: the ring stops moving it after the 51st frame.
  ring.setcursor(7);
  ring.start(0, 0, 0, 0, 1, 0, 3, rng, 0, 0);
  const float vy0 = ring[7].vy[1];
  for (int f = 0; f < 80; ++f) frame(1);
  EXPECT_EQ(ring[7].alive, 0);
  EXPECT_NEAR(ring[7].vy[1], vy0 + 51 * 0.04f, 1e-4);
}

TEST_F(particletest, StartSpreadsParticlesOverTheDiscAndAlongTheirRays) {
  dotburst d;
  d.start(100, 50, 0.5f, -1, 200, 0, 3, rng, 1, 10);
  EXPECT_EQ(d.count, 200);
  EXPECT_FLOAT_EQ(d.alpha, 1);
  EXPECT_FLOAT_EQ(d.size, 3);
  EXPECT_EQ(d.robot, 1);
  EXPECT_EQ(d.plasma, 0);
  for (int i = 1; i <= d.count; ++i) {
    const float ox = d.x[i] - 100, oy = d.y[i] - 50;
    const float r = std::hypot(ox, oy) / 10;  // the same r places it and sets its speed
    ASSERT_LE(r, 1.0f + 1e-5f);
    const float s = r * 3 * 2 - 3;
    if (r > 0.01f) {
      EXPECT_NEAR(d.vx[i], s * ox / (10 * r) + 0.5f, 1e-3);
      EXPECT_NEAR(d.vy[i], s * oy / (10 * r) - 1, 1e-3);
    }
  }
  // The colour draws come first, three integers in [0, 255].
  rng.reseed(5);
  d.start(0, 0, 0, 0, 1, 1, 2, rng, 0, 0);
  media::generator expected(5);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(d.colour[c], expected.rndint(0, 255));
  const float a = float(360.0 * expected.rnd());
  const float r = float(expected.rnd());
  EXPECT_FLOAT_EQ(d.vx[1], (r * 4 - 2) * cosdeg(a));
  EXPECT_FLOAT_EQ(d.x[1], 0);
}

TEST_F(particletest, CountsOfZeroAndAboveThreeHundredAreSafe) {
  dotburst d;
  d.start(0, 0, 0, 0, 0, 0, 3, rng, 0, 8);
  EXPECT_EQ(d.alive, 1);
  EXPECT_EQ(d.count, 0);
  d.start(0, 0, 0, 0, 100000, 1, 2, rng, 0, 0);
  EXPECT_EQ(d.count, 300);
  EXPECT_EQ(d.alive, 1);
  d.start(0, 0, 0, 0, -5, 0, 3, rng, 0, 8);
  EXPECT_EQ(d.count, 0);
  // A flood of starts through the ring stays inside every burst and the ring.
  for (int i = 0; i < 250; ++i) ring.start(0, 0, 0, 0, 301 + i, i % 2, 2, rng, 0, 8);
  for (int slot = 1; slot <= 100; ++slot) EXPECT_EQ(ring[slot].count, 300);
  for (int f = 0; f < 3; ++f) frame(1);
  EXPECT_EQ(ring.cursor(), 51);  // 250 starts from slot 1
  // A cursor knocked out of the ring starts again at slot 1 instead of writing past it.
  ring.setcursor(500);
  ring.start(0, 0, 0, 0, 3, 0, 3, rng, 0, 8);
  EXPECT_EQ(ring[1].count, 3);
  EXPECT_EQ(ring.cursor(), 2);
}

// startbatched, by each build of its loops this machine runs, against start on seeded random
// bursts: every particle bit for bit, the colours and the generator where they leave it; counts
// from below zero to above the arrays.
TEST_F(particletest, BatchedStartMatchesTheOneDropAtATimeStart) {
  const int seed = 4242;
  SCOPED_TRACE(::testing::Message() << "seed " << seed);
  auto same = [](float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; };
  for (const media::isa set : media::everyisa) {
    if (!media::has(set)) {
      std::printf("the %s build of startbatched is not run: this machine lacks it\n",
                  media::nameof(set));
      continue;
    }
    SCOPED_TRACE(media::nameof(set));
    media::generator cases(seed);
    for (int trial = 0; trial < 300; ++trial) {
      const float x = float(cases.rnd(-3000, 3000)), y = float(cases.rnd(-3000, 3000));
      const float vx = float(cases.rnd(-40, 40)), vy = float(cases.rnd(-40, 40));
      const int n = trial % 7 == 0 ? cases.rndint(-10, 400) : cases.rndint(0, 300);
      const int kind = cases.rndint(0, 1), robot = cases.rndint(0, 1), radius = cases.rndint(0, 40);
      const float speed = float(cases.rnd(0, 6));
      const int start = cases.rndint(1, 2147483646);
      media::generator plainrng(start), batchedrng(start);
      dotburst plain, batched;
      plain.start(x, y, vx, vy, n, kind, speed, plainrng, robot, radius);
      batched.startbatched(x, y, vx, vy, n, kind, speed, batchedrng, robot, radius, set);
      ASSERT_EQ(batchedrng.state(), plainrng.state()) << "trial " << trial;
      ASSERT_EQ(batched.count, plain.count);
      ASSERT_EQ(batched.colour, plain.colour);
      ASSERT_EQ(batched.robot, plain.robot);
      ASSERT_EQ(batched.plasma, plain.plasma);
      for (int i = 1; i <= plain.count; ++i) {
        ASSERT_TRUE(same(batched.x[i], plain.x[i]) && same(batched.y[i], plain.y[i]) &&
                    same(batched.vx[i], plain.vx[i]) && same(batched.vy[i], plain.vy[i]))
            << "trial " << trial << " particle " << i;
      }
    }
  }
}

TEST_F(particletest, TheColourCycleBouncesBetweenItsLimits) {
  dotburst d;
  d.colour = {253, 1, 100};
  d.colourstep = {2, -2, 2};
  for (int step = 0; step < 5000; ++step) {
    d.cyclecolour(rng);
    for (int c = 0; c < 3; ++c) {
      ASSERT_GE(d.colour[c], 0);
      ASSERT_LE(d.colour[c], 255);
      ASSERT_EQ(std::abs(d.colourstep[c]), 2);
    }
  }
  // Each component draws once per step from [0, 1000): three two-step draws.
  rng.reseed(11);
  d.cyclecolour(rng);
  media::generator expected(11);
  for (int c = 0; c < 3; ++c) expected.rnd(0, 1000);
  EXPECT_EQ(rng.state(), expected.state());
}

TEST_F(particletest, DropsAreRedDiscsAndRobotDropsYellowSquares) {
  // Speed 0 and radius 0 keep every particle on its start point (bar the slow downward pull).
  media::cls();
  ring.start(-50, 0, 0, 0, 1, 0, 0, rng, 0, 0);
  ring.start(50, 0, 0, 0, 1, 0, 0, rng, 1, 0);
  frame(4);  // a 24-pixel drop
  const media::test::frame shot = media::test::backbuffer();
  const int dx = int(screenx(-50, 0, 4)), dy = int(screeny(0, 0, 4));
  // (222, 0, 0) at alpha 0.98 on the shaded ball image: a strong pure red.
  EXPECT_GT(shot.r(dx, dy), 180);
  EXPECT_LE(shot.r(dx, dy), 218);
  EXPECT_EQ(shot.g(dx, dy), 0);
  EXPECT_EQ(shot.r(dx - 11, dy - 11), 0);  // a disc: its bounding square's corner stays dark

  // The square hangs from its top-left corner at the particle: 24 pixels wide at zoom 4.
  const int sx = int(screenx(50, 0, 4)), sy = int(screeny(0, 0, 4));
  EXPECT_NEAR(shot.r(sx + 22, sy + 22), 250, 2);
  EXPECT_NEAR(shot.g(sx + 22, sy + 22), 250, 2);
  EXPECT_EQ(shot.b(sx + 22, sy + 22), 0);
  EXPECT_EQ(shot.r(sx - 3, sy - 3), 0);
  EXPECT_EQ(media::getblend(), media::blend::alpha);
  EXPECT_FLOAT_EQ(media::getalpha(), 1);
}

TEST_F(particletest, SparksAddTheirLightOverDrops) {
  // The spark burst takes an earlier slot than the drop burst, yet is drawn over it. Seed 33822
  // gives the spark a dim red and strong green and blue, so its light tells apart from the drop's.
  const int seed = 33822;
  SCOPED_TRACE(::testing::Message() << "seed " << seed);
  rng.reseed(seed);
  ring.setcursor(1);
  ring.start(0, 0, 0, 0, 20, 1, 0, rng, 0, 0);
  ring.start(0, 0, 0, 0, 20, 0, 0, rng, 0, 0);
  ASSERT_EQ(ring[1].colour, (std::array<int, 3>{10, 202, 202}));
  media::cls();
  frame(4);
  const media::test::frame shot = media::test::backbuffer();
  const int x = int(screenx(0, 0, 4)), y = int(screeny(0, 0, 4));
  // Added to the drop's red, not blended over it: red stays, green and blue come from the spark.
  EXPECT_GE(shot.r(x, y), 215);
  EXPECT_GE(shot.g(x, y), 100);
  EXPECT_GE(shot.b(x, y), 100);
}

}  // namespace
}  // namespace flopfist::testing
