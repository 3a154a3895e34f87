// Ball tests: wall contacts, gravity and motion, hit flash and bleeding into the particle ring.
#include <gtest/gtest.h>

#include "tests/body/bodytest.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

class balltest : public gametest {
 protected:
  void SetUp() override {
    gametest::SetUp();
    game = std::make_unique<fightgame>();
    setarena(*game, 1.0f);
    owner.game = game.get();
    b.game = game.get();
    b.owner = &owner;
    b.radius = 8;
    b.drawradius = 8;
    b.mass = 4;
  }
  std::unique_ptr<fightgame> game;
  man owner;
  ball b;
};

TEST_F(balltest, WallContactsClampHalveAndReportTheLastWall) {
  // 3 pixels past the floor line, falling at 4.
  b.x = 0;
  b.y = 384 - 8 + 3;
  b.vx = 2;
  b.vy = 4;
  EXPECT_EQ(b.keepinarena(), 1);
  EXPECT_FLOAT_EQ(b.y, 376);
  EXPECT_FLOAT_EQ(b.vy, -2);
  EXPECT_FLOAT_EQ(b.vx, 1);

  // Beyond the right wall and below the floor: both clamped, vx reversed and halved twice.
  b.x = 600;
  b.y = 400;
  b.vx = 4;
  b.vy = 6;
  EXPECT_EQ(b.keepinarena(), 1);
  EXPECT_FLOAT_EQ(b.x, 504);
  EXPECT_FLOAT_EQ(b.y, 376);
  EXPECT_FLOAT_EQ(b.vx, -1);
  EXPECT_FLOAT_EQ(b.vy, -1.5f);

  // Left wall and ceiling at once: the ceiling is tested last.
  b.x = -600;
  b.y = -500;
  b.vx = -8;
  b.vy = -8;
  EXPECT_EQ(b.keepinarena(), 2);
  EXPECT_FLOAT_EQ(b.x, -504);
  EXPECT_FLOAT_EQ(b.y, -376);
  EXPECT_FLOAT_EQ(b.vx, 2);
  EXPECT_FLOAT_EQ(b.vy, 2);

  // Right wall alone, and nothing touched.
  b.x = 510;
  b.y = 0;
  b.vx = 1;
  b.vy = 1;
  EXPECT_EQ(b.keepinarena(), 3);
  EXPECT_FLOAT_EQ(b.vx, -0.5f);
  b.x = 0;
  EXPECT_EQ(b.keepinarena(), 0);
}

TEST_F(balltest, TheHighestNumberedBallInContactSetsTheFighterDirection) {
  man& f = addfighter(*game, 1, 1);
  for (int i = 1; i <= 26; ++i) {
    f.balls[i].x = 0;
    f.balls[i].y = 0;
  }
  f.direction = 7;
  f.keepinarena(1, 1);
  EXPECT_EQ(f.direction, 7);  // no contact leaves it alone
  f.balls[3].y = 1000;        // floor: code 1
  f.balls[20].x = -1000;      // left wall: code 4
  f.keepinarena(1, 1);
  EXPECT_EQ(f.direction, 4);
}

TEST_F(balltest, GravityAndMotionFollowTheTimeStep) {
  b.vy = 1;
  b.applygravity(0);
  EXPECT_FLOAT_EQ(b.vy, 1);
  b.applygravity(10);
  EXPECT_FLOAT_EQ(b.vy, 1.4f);

  // In slow motion a free ball goes a fifth as far and keeps its velocity.
  b.x = 100;
  b.y = 50;
  b.vx = 10;
  b.vy = -5;
  for (int frame = 0; frame < 3; ++frame) {
    b.saveposition();
    b.move(0.2f);
    b.updatevelocity(0.2f);
    EXPECT_NEAR(b.x - b.oldx, 2.0f, 1e-4);
    EXPECT_NEAR(b.y - b.oldy, -1.0f, 1e-4);
    EXPECT_NEAR(b.vx, 10, 1e-3);
    EXPECT_NEAR(b.vy, -5, 1e-3);
  }
}

TEST_F(balltest, AFreshHitBleedsOnTheNextNineFrames) {
  game->blood = 30;
  owner.robot = 1;
  b.x = 10;
  b.y = 20;
  b.vx = 35;
  b.vy = -70;
  b.radius = 8.75f;
  b.flash = 60;
  game->burstcursor = 1;
  for (int tick = 1; tick <= 12; ++tick) b.tickflash();
  EXPECT_EQ(b.flash, 48);
  EXPECT_EQ(game->burstcursor, 10);  // nine bursts, one per frame with flash above 50

  // Intensities 0.18, 0.16 ... 0.02 at BLOOD 30 give 54, 48 ... 6 drops.
  for (int slot = 1; slot <= 9; ++slot) {
    const dotburst& d = game->bursts[slot];
    EXPECT_EQ(d.count, 60 - 6 * slot) << "slot " << slot;
    EXPECT_EQ(d.alive, 1);
    EXPECT_EQ(d.plasma, 0);
    EXPECT_EQ(d.robot, 1);
    for (int i = 1; i <= d.count; ++i) {
      // Scattered within the truncated radius 8, flying at the ball's velocity/35 +- speed 3.
      EXPECT_LE(std::hypot(d.x[i] - 10, d.y[i] - 20), 8.0f + 1e-4f);
      EXPECT_LE(std::hypot(d.vx[i] - 1, d.vy[i] + 2), 3.0f + 1e-4f);
    }
  }
  EXPECT_EQ(game->bursts[10].alive, 0);

  b.flash = 0;
  b.tickflash();
  EXPECT_EQ(b.flash, 0);  // never below zero
}

TEST_F(balltest, NoBloodStillTakesRingSlotsAndTheCursorWraps) {
  game->blood = 0;
  game->burstcursor = 99;
  b.flash = 54;
  const int expected[] = {100, 1, 2};
  for (int tick = 0; tick < 3; ++tick) {
    b.tickflash();
    EXPECT_EQ(game->burstcursor, expected[tick]);
  }
  for (int slot : {99, 100, 1}) {
    EXPECT_EQ(game->bursts[slot].alive, 1);
    EXPECT_EQ(game->bursts[slot].count, 0);
  }
  EXPECT_EQ(game->bursts[2].alive, 0);
}

}  // namespace
}  // namespace flopfist::testing
