// Ball tests: wall contacts, gravity and motion, hit flash and bleeding into the particle ring.
#include <gtest/gtest.h>

#include "match/match.h"
#include "tests/body/bodytest.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

class balltest : public gametest {
 protected:
  void SetUp() override {
    gametest::SetUp();
    b.radius = 8;
    b.drawradius = 8;
    b.mass = 4;
  }
  arena walls = arenaof(1.0f);
  ball b;
};

TEST_F(balltest, WallContactsClampHalveAndReportTheLastWall) {
  // 3 pixels past the floor line, falling at 4.
  b.x = 0;
  b.y = 384 - 8 + 3;
  b.vx = 2;
  b.vy = 4;
  EXPECT_EQ(b.keepinarena(walls), wall::floor);
  EXPECT_FLOAT_EQ(b.y, 376);
  EXPECT_FLOAT_EQ(b.vy, -2);
  EXPECT_FLOAT_EQ(b.vx, 1);

  // Beyond the right wall and below the floor: both clamped, vx reversed and halved twice.
  b.x = 600;
  b.y = 400;
  b.vx = 4;
  b.vy = 6;
  EXPECT_EQ(b.keepinarena(walls), wall::floor);
  EXPECT_FLOAT_EQ(b.x, 504);
  EXPECT_FLOAT_EQ(b.y, 376);
  EXPECT_FLOAT_EQ(b.vx, -1);
  EXPECT_FLOAT_EQ(b.vy, -1.5f);

  // Left wall and ceiling at once: the ceiling is tested last.
  b.x = -600;
  b.y = -500;
  b.vx = -8;
  b.vy = -8;
  EXPECT_EQ(b.keepinarena(walls), wall::ceiling);
  EXPECT_FLOAT_EQ(b.x, -504);
  EXPECT_FLOAT_EQ(b.y, -376);
  EXPECT_FLOAT_EQ(b.vx, 2);
  EXPECT_FLOAT_EQ(b.vy, 2);

  // Right wall alone, and nothing touched.
  b.x = 510;
  b.y = 0;
  b.vx = 1;
  b.vy = 1;
  EXPECT_EQ(b.keepinarena(walls), wall::right);
  EXPECT_FLOAT_EQ(b.vx, -0.5f);
  b.x = 0;
  EXPECT_EQ(b.keepinarena(walls), wall::none);
}

TEST_F(balltest, TheHighestNumberedBallInContactSetsTheFighterDirection) {
  media::generator rng;
  man f = makefighter(rng, 1, 1);
  for (int i = 1; i <= 26; ++i) {
    f.balls[i].x = 0;
    f.balls[i].y = 0;
  }
  f.direction = push::upright;
  f.keepinarena(walls);
  EXPECT_EQ(f.direction, push::upright);  // no contact leaves it alone
  f.balls[3].y = 1000;                    // floor: pushed up
  f.balls[20].x = -1000;                  // left wall: pushed right
  f.keepinarena(walls);
  EXPECT_EQ(f.direction, push::right);
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

// The fighters' part of a match frame: positions saved, then physics, flashes and bleeding.
void stepbodies(match& m) {
  for (int n = 1; n <= m.fightercount; ++n) m.fighters[n].saveposition();
  m.stepfighters(false);
}

TEST_F(balltest, AFreshHitBleedsOnTheNextNineFrames) {
  options rules;
  rules.blood = 30;
  rules.gravity = 0;  // the struck ball keeps its velocity
  // Level 19 has a wide arena and robot opponents. Fighter 2 lies dead, so nothing but its own
  // motion moves the struck ball.
  auto m = makematch(gamemode::single, 19, 4660, rules);
  man& f = m->fighters[2];
  ASSERT_EQ(f.robot, 1);
  f.dead = 1;
  ball& hit = f.balls[bodyball::fista];
  hit.x = 10;
  hit.y = 20;
  hit.vx = 35;
  hit.vy = -70;
  hit.radius = 8.75f;
  hit.flash = 60;
  m->bursts.setcursor(1);
  std::array<std::array<float, 2>, 13> at{};  // where the ball bled on each frame
  for (int tick = 1; tick <= 12; ++tick) {
    stepbodies(*m);
    at[tick] = {hit.x, hit.y};
  }
  EXPECT_EQ(hit.flash, 48);
  EXPECT_EQ(m->bursts.cursor(), 10);  // nine bursts, one per frame with flash above 50

  // Intensities 0.18, 0.16 ... 0.02 at BLOOD 30 give 54, 48 ... 6 drops.
  for (int slot = 1; slot <= 9; ++slot) {
    const dotburst& d = m->bursts[slot];
    EXPECT_EQ(d.count, 60 - 6 * slot) << "slot " << slot;
    EXPECT_EQ(d.alive, 1);
    EXPECT_EQ(d.plasma, 0);
    EXPECT_EQ(d.robot, 1);
    for (int i = 1; i <= d.count; ++i) {
      // Scattered within the truncated radius 8, flying at the ball's velocity/35 +- speed 3.
      EXPECT_LE(std::hypot(d.x[i] - at[slot][0], d.y[i] - at[slot][1]), 8.0f + 1e-4f);
      EXPECT_LE(std::hypot(d.vx[i] - 1, d.vy[i] + 2), 3.0f + 1e-4f);
    }
  }
  EXPECT_EQ(m->bursts[10].alive, 0);

  hit.flash = 0;
  bleeding bleeds;
  f.tickflash(rules.blood, bleeds);
  EXPECT_EQ(hit.flash, 0);  // never below zero
}

TEST_F(balltest, NoBloodStillTakesRingSlotsAndTheCursorWraps) {
  options rules;
  rules.blood = 0;
  auto m = makematch(gamemode::versus, 1, 4660, rules);
  m->bursts.setcursor(99);
  m->fighters[1].balls[bodyball::head].flash = 54;
  const int expected[] = {100, 1, 2};
  for (int tick = 0; tick < 3; ++tick) {
    stepbodies(*m);
    EXPECT_EQ(m->bursts.cursor(), expected[tick]);
  }
  for (int slot : {99, 100, 1}) {
    EXPECT_EQ(m->bursts[slot].alive, 1);
    EXPECT_EQ(m->bursts[slot].count, 0);
  }
  EXPECT_EQ(m->bursts[2].alive, 0);
}

}  // namespace
}  // namespace flopfist::testing
