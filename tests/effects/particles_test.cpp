// Particle tests: burst life, the ring, safe counts, drops and squares, sparks over drops.
#include <gtest/gtest.h>

#include <cmath>

#include "media/media.h"
#include "body/util.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

class particletest : public gametest {
 protected:
  void SetUp() override {
    gametest::SetUp();
    game = makegame();
    game->camerax = 0;
    game->cameray = 0;
    game->zoom = 1;
  }
  std::unique_ptr<fightgame> game;
};

TEST_F(particletest, ABurstLivesFiftyOneUpdates) {
  dotburst& d = game->bursts[1];
  d.start(0, 0, 0, 0, 10, 0, 3, game.get(), 0, 8);
  int updates = 0;
  while (d.alive) {
    d.update(1);
    ++updates;
    ASSERT_LE(updates, 1000);
  }
  EXPECT_EQ(updates, 51);

  // Through the ring: updatebursts stops moving it after the 51st frame.
  game->burstcursor = 7;
  game->startburst(0, 0, 0, 0, 1, 0, 3, 0, 0);
  const float vy0 = game->bursts[7].vy[1];
  for (int frame = 0; frame < 80; ++frame) game->updatebursts(1);
  EXPECT_EQ(game->bursts[7].alive, 0);
  EXPECT_NEAR(game->bursts[7].vy[1], vy0 + 51 * 0.04f, 1e-4);
}

TEST_F(particletest, StartSpreadsParticlesOverTheDiscAndAlongTheirRays) {
  dotburst& d = game->bursts[1];
  d.start(100, 50, 0.5f, -1, 200, 0, 3, game.get(), 1, 10);
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
  media::seedrnd(5);
  d.start(0, 0, 0, 0, 1, 1, 2, game.get(), 0, 0);
  media::seedrnd(5);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(d.colour[c], media::rndint(0, 255));
  const float a = float(360.0 * media::rnd());
  const float r = float(media::rnd());
  EXPECT_FLOAT_EQ(d.vx[1], (r * 4 - 2) * cosdeg(a));
  EXPECT_FLOAT_EQ(d.x[1], 0);
}

TEST_F(particletest, CountsOfZeroAndAboveThreeHundredAreSafe) {
  dotburst& d = game->bursts[3];
  d.start(0, 0, 0, 0, 0, 0, 3, game.get(), 0, 8);
  EXPECT_EQ(d.alive, 1);
  EXPECT_EQ(d.count, 0);
  d.start(0, 0, 0, 0, 100000, 1, 2, game.get(), 0, 0);
  EXPECT_EQ(d.count, 300);
  EXPECT_EQ(d.alive, 1);
  d.start(0, 0, 0, 0, -5, 0, 3, game.get(), 0, 8);
  EXPECT_EQ(d.count, 0);
  // A flood of starts through the ring stays inside every burst and the ring.
  for (int i = 0; i < 250; ++i) game->startburst(0, 0, 0, 0, 301 + i, i % 2, 2, 0, 8);
  for (int slot = 1; slot <= 100; ++slot) EXPECT_EQ(game->bursts[slot].count, 300);
  for (int frame = 0; frame < 3; ++frame) game->updatebursts(1);
  EXPECT_EQ(game->burstcursor, 51);  // 250 starts from slot 1
  // A cursor knocked out of the ring starts again at slot 1 instead of writing past it.
  game->burstcursor = 500;
  game->startburst(0, 0, 0, 0, 3, 0, 3, 0, 8);
  EXPECT_EQ(game->bursts[1].count, 3);
  EXPECT_EQ(game->burstcursor, 2);
}

TEST_F(particletest, TheColourCycleBouncesBetweenItsLimits) {
  dotburst d;
  d.colour = {253, 1, 100};
  d.colourstep = {2, -2, 2};
  for (int step = 0; step < 5000; ++step) {
    d.cyclecolour();
    for (int c = 0; c < 3; ++c) {
      ASSERT_GE(d.colour[c], 0);
      ASSERT_LE(d.colour[c], 255);
      ASSERT_EQ(std::abs(d.colourstep[c]), 2);
    }
  }
  // Each component draws once per step from [0, 1000): three two-step draws.
  media::seedrnd(11);
  d.cyclecolour();
  const int after = media::rndstate();
  media::seedrnd(11);
  for (int c = 0; c < 3; ++c) media::rnd(0, 1000);
  EXPECT_EQ(after, media::rndstate());
}

TEST_F(particletest, DropsAreRedDiscsAndRobotDropsYellowSquares) {
  // Speed 0 and radius 0 keep every particle on its start point (bar the slow downward pull).
  media::cls();
  game->startburst(-50, 0, 0, 0, 1, 0, 0, 0, 0);
  game->startburst(50, 0, 0, 0, 1, 0, 0, 1, 0);
  game->zoom = 4;  // a 24-pixel drop
  game->updatebursts(4);
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
  // The spark burst takes an earlier slot than the drop burst, yet is drawn over it.
  game->burstcursor = 1;
  game->startburst(0, 0, 0, 0, 20, 1, 0, 0, 0);
  game->startburst(0, 0, 0, 0, 20, 0, 0, 0, 0);
  game->bursts[1].colour = {10, 200, 200};
  game->zoom = 4;
  media::cls();
  game->updatebursts(4);
  const media::test::frame shot = media::test::backbuffer();
  const int x = int(screenx(0, 0, 4)), y = int(screeny(0, 0, 4));
  // Added to the drop's red, not blended over it: red stays, green and blue come from the spark.
  EXPECT_GE(shot.r(x, y), 215);
  EXPECT_GE(shot.g(x, y), 100);
  EXPECT_GE(shot.b(x, y), 100);
}

}  // namespace
}  // namespace flopfist::testing
