// Control tests: player pushes with and without speed caps, the computer's far rule and target.
#include <gtest/gtest.h>

#include "match/match.h"
#include "tests/body/bodytest.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

class controltest : public gametest {
 protected:
  void SetUp() override {
    gametest::SetUp();
    options rules;
    rules.playersspeed = 3;
    m = makematch(gamemode::versus, 1, 4660, rules);
  }
  ball& head(int n) { return m->fighters[n].balls[bodyball::head]; }
  std::unique_ptr<match> m;
  frameinput in;
};

TEST_F(controltest, PlayerOnePushesUpToTheCap) {
  in.player[1].right = true;
  head(1).vx = 5.9f;
  m->controlfighters(in);
  EXPECT_FLOAT_EQ(head(1).vx, 8.9f);
  head(1).vx = 6;
  m->controlfighters(in);
  EXPECT_FLOAT_EQ(head(1).vx, 6);
  EXPECT_FLOAT_EQ(head(1).vy, 1);  // untouched
  head(1).vx = -100;
  m->controlfighters(in);
  EXPECT_FLOAT_EQ(head(1).vx, -97);

  // Up and Down work on vy with the same caps.
  in.player[1].up = true;
  head(1).vx = 0;
  head(1).vy = -5.5f;
  m->controlfighters(in);
  EXPECT_FLOAT_EQ(head(1).vy, -8.5f);
  m->controlfighters(in);
  EXPECT_FLOAT_EQ(head(1).vy, -8.5f);
}

TEST_F(controltest, LeftAndRightTogetherCancelUnlessACapRefusesOne) {
  in.player[1].right = in.player[1].left = true;
  head(1).vx = 0;
  m->controlfighters(in);
  EXPECT_FLOAT_EQ(head(1).vx, 0);
  head(1).vx = 6.5f;  // Right refused, Left still pushes
  m->controlfighters(in);
  EXPECT_FLOAT_EQ(head(1).vx, 3.5f);
  head(1).vx = -7;  // Right pushes to -4, then Left pushes on to -7
  m->controlfighters(in);
  EXPECT_FLOAT_EQ(head(1).vx, -7);
}

TEST_F(controltest, PlayerTwoHasNoCap) {
  in.player[2].right = true;
  head(2).vx = 100;
  m->controlfighters(in);
  EXPECT_FLOAT_EQ(head(2).vx, 103);
  in.player[2].up = in.player[2].down = true;
  head(2).vy = -50;
  m->controlfighters(in);
  EXPECT_FLOAT_EQ(head(2).vy, -50);
  EXPECT_FLOAT_EQ(head(2).vx, 106);
  EXPECT_FLOAT_EQ(head(1).vx, 1);  // player 1 untouched by player 2's directions
}

TEST_F(controltest, ADecidedMatchStopsTheLoserAndTheWinner) {
  in.player[1].right = in.player[2].right = true;
  head(1).vx = 0;
  head(2).vx = 0;
  m->decided = outcome::first;  // versus: player 1 won, player 2 stops
  m->controlfighters(in);
  EXPECT_FLOAT_EQ(head(1).vx, 3);
  EXPECT_FLOAT_EQ(head(2).vx, 0);
  m->decided = outcome::second;  // player 1 lost: player 1 stops in every mode
  m->controlfighters(in);
  EXPECT_FLOAT_EQ(head(1).vx, 3);
  EXPECT_FLOAT_EQ(head(2).vx, 3);
  m->mode = gamemode::coop;  // co-op: the lost side stops together
  m->controlfighters(in);
  EXPECT_FLOAT_EQ(head(2).vx, 3);
}

// A computer fighter standing still at the origin, its head above its pelvis.
man& standstill(match& m, int n) {
  man& f = m.fighters[n];
  for (int i = 1; i <= 26; ++i) {
    f.balls[i].x = 0, f.balls[i].y = 0;
    f.balls[i].vx = 0, f.balls[i].vy = 0;
  }
  f.balls[bodyball::head].y = -60;
  f.balls[bodyball::shoulders].y = -40;
  f.direction = push::up;
  return f;
}

// The far rule's draw of the next steer, without using it up.
int nextfardraw(media::generator rng) { return rng.rndint(0, 100); }

TEST_F(controltest, TheFarRuleTurnsTowardADistantTarget) {
  const int seed = 4660;
  SCOPED_TRACE(::testing::Message() << "seed " << seed);
  media::generator rng(seed);
  man& f = standstill(*m, 2);
  int fired = 0;
  for (int frame = 0; frame < 200; ++frame) {
    const int r1 = nextfardraw(rng);
    f.direction = push::up;
    f.balls[bodyball::head].vx = f.balls[bodyball::head].vy = 0;
    f.steer(rng, 10, 3, 500, 0, 0, 0);  // 500 pixels to the right, same height
    if (r1 <= 10) {
      ++fired;
      EXPECT_EQ(f.direction, push::right);
      EXPECT_FLOAT_EQ(f.balls[bodyball::head].vx, 3);  // pushed right the same frame
    } else {
      EXPECT_EQ(f.direction, push::up);
      EXPECT_FLOAT_EQ(f.balls[bodyball::head].vy, -3);
    }
  }
  EXPECT_GT(fired, 5);

  // Exactly 400 pixels is not far: the direction stays even when the draw allows the rule.
  fired = 0;
  for (int frame = 0; frame < 200; ++frame) {
    fired += nextfardraw(rng) <= 10;
    f.steer(rng, 10, 3, 400, 0, 0, 0);
    EXPECT_EQ(f.direction, push::up);
  }
  EXPECT_GT(fired, 5);

  // Up and to the left, diagonally.
  for (int frame = 0; frame < 60; ++frame) f.steer(rng, 1, 3, -400, -400, 0, 0);
  EXPECT_EQ(f.direction, push::upleft);
}

TEST_F(controltest, SteeringDrawsTwiceEveryFrame) {
  man& f = standstill(*m, 2);
  media::generator rng(77);
  f.steer(rng, 1, 3, 10, 10, 0, 0);
  media::generator expected(77);
  expected.rndint(0, 100);
  expected.rndint(1, 1024);
  EXPECT_EQ(rng.state(), expected.state());
}

TEST_F(controltest, NearTargetsAreAttackedByTurningTheBodyOver) {
  // At level 10 the attack rule is tested every frame. The target lies 60 degrees round from the
  // head-to-pelvis line (side -1) and the shoulders stand up and right of the centre: up-left.
  media::generator rng;
  man& f = standstill(*m, 2);
  f.balls[bodyball::shoulders].x = 10;
  f.steer(rng, 10, 3, 100, 0, 0, 0);
  EXPECT_EQ(f.direction, push::upleft);
  // Mirrored target: side +1 with the same shoulders gives down-right.
  f.direction = push::up;
  f.steer(rng, 10, 3, -100, 0, 0, 0);
  EXPECT_EQ(f.direction, push::downright);
  // A target straight along the head-to-pelvis line gives side 0: no change.
  f.direction = push::up;
  f.balls[bodyball::shoulders].x = 10;
  f.steer(rng, 10, 3, 0, 100, 0, 0);
  EXPECT_EQ(f.direction, push::up);
}

// The look-ahead reaches 18 frames: a target 400 pixels away closing at 10 a frame is at 220 then,
// but still 250 away (not near) at frame 15. Standing still it is never near.
TEST_F(controltest, AMovingTargetIsNearWhenItComesInReachWithinEighteenFrames) {
  media::generator rng;
  man& f = standstill(*m, 2);
  f.balls[bodyball::shoulders].x = 10;
  f.steer(rng, 10, 3, 400, 0, 0, 0);
  EXPECT_EQ(f.direction, push::up) << "a target standing 400 pixels away is not attacked";
  f.steer(rng, 10, 3, 400, 0, -10, 0);
  EXPECT_EQ(f.direction, push::upleft) << "the same target closing in is";
}

TEST_F(controltest, CoopOpponentsPickTheNearerLivingPlayer) {
  auto coop = makematch(gamemode::coop, 1);
  ASSERT_EQ(coop->fightercount, 3);
  man& p1 = coop->fighters[1];
  man& p2 = coop->fighters[2];
  man& f = coop->fighters[3];
  f.balls[6].x = 0, f.balls[6].y = 0;
  p1.balls[6].x = -100, p1.balls[6].y = 0;
  p2.balls[6].x = 0, p2.balls[6].y = 100;
  EXPECT_EQ(coop->choosetarget(f), 2);  // equidistant: player 2
  p2.balls[6].y = 101;
  EXPECT_EQ(coop->choosetarget(f), 1);
  p1.dead = 1;
  EXPECT_EQ(coop->choosetarget(f), 2);
  p2.dead = 1;
  EXPECT_EQ(coop->choosetarget(f), 1);
}

}  // namespace
}  // namespace flopfist::testing
