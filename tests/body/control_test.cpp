// Control tests: player pushes with and without speed caps, the computer's far rule and target.
#include <gtest/gtest.h>

#include "media/media.h"
#include "media/testing.h"
#include "tests/body/bodytest.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

class controltest : public gametest {
 protected:
  void SetUp() override {
    gametest::SetUp();
    game = makegame();
    setarena(*game, 100);
    game->playersspeed = 3;
    game->gamemode = "2vs";
    addfighter(*game, 1, 2);
    addfighter(*game, 2, 2);
  }
  // Holds the given keys from the next present on.
  void hold(std::initializer_list<int> keys) {
    for (int k : keys) media::test::press(media::test::frames() + 1, k);
    media::flip(0);
  }
  ball& head(int n) { return game->fighters[n]->balls[16]; }
  std::unique_ptr<fightgame> game;
};

TEST_F(controltest, PlayerOnePushesUpToTheCap) {
  hold({media::key::right});
  head(1).vx = 5.9f;
  game->player1control();
  EXPECT_FLOAT_EQ(head(1).vx, 8.9f);
  head(1).vx = 6;
  game->player1control();
  EXPECT_FLOAT_EQ(head(1).vx, 6);
  EXPECT_FLOAT_EQ(head(1).vy, 1);  // untouched
  head(1).vx = -100;
  game->player1control();
  EXPECT_FLOAT_EQ(head(1).vx, -97);

  // Up and Down work on vy with the same caps.
  hold({media::key::up});
  head(1).vx = 0;
  head(1).vy = -5.5f;
  game->player1control();
  EXPECT_FLOAT_EQ(head(1).vy, -8.5f);
  game->player1control();
  EXPECT_FLOAT_EQ(head(1).vy, -8.5f);
}

TEST_F(controltest, LeftAndRightTogetherCancelUnlessACapRefusesOne) {
  hold({media::key::right, media::key::left});
  head(1).vx = 0;
  game->player1control();
  EXPECT_FLOAT_EQ(head(1).vx, 0);
  head(1).vx = 6.5f;  // Right refused, Left still pushes
  game->player1control();
  EXPECT_FLOAT_EQ(head(1).vx, 3.5f);
  head(1).vx = -7;  // Right pushes to -4, then Left pushes on to -7
  game->player1control();
  EXPECT_FLOAT_EQ(head(1).vx, -7);
}

TEST_F(controltest, PlayerTwoHasNoCap) {
  hold({media::key::d});
  head(2).vx = 100;
  game->player2control();
  EXPECT_FLOAT_EQ(head(2).vx, 103);
  hold({media::key::w, media::key::s});
  head(2).vy = -50;
  game->player2control();
  EXPECT_FLOAT_EQ(head(2).vy, -50);
  EXPECT_FLOAT_EQ(head(2).vx, 106);
  EXPECT_FLOAT_EQ(head(1).vx, 1);  // player 1 untouched by W, A, S, D
}

TEST_F(controltest, ADecidedMatchStopsTheLoserAndTheWinner) {
  hold({media::key::right, media::key::d});
  head(1).vx = 0;
  head(2).vx = 0;
  game->outcome = 1;  // versus: player 1 won, player 2 stops
  game->player1control();
  game->player2control();
  EXPECT_FLOAT_EQ(head(1).vx, 3);
  EXPECT_FLOAT_EQ(head(2).vx, 0);
  game->outcome = 2;  // player 1 lost: player 1 stops in every mode
  game->player1control();
  game->player2control();
  EXPECT_FLOAT_EQ(head(1).vx, 3);
  EXPECT_FLOAT_EQ(head(2).vx, 3);
  game->gamemode = "2coop";  // co-op: the lost side stops together
  game->player2control();
  EXPECT_FLOAT_EQ(head(2).vx, 3);
}

// A computer fighter standing still at the origin, its head above its pelvis.
man& standstill(fightgame& game, int n) {
  man& f = *game.fighters[n];
  for (int i = 1; i <= 26; ++i) {
    f.balls[i].x = 0, f.balls[i].y = 0;
    f.balls[i].vx = 0, f.balls[i].vy = 0;
  }
  f.balls[16].y = -60;
  f.balls[14].y = -40;
  f.direction = 1;
  return f;
}

// The far rule's draw of the next steer, without using it up.
int nextfardraw() {
  const int state = media::rndstate();
  const int r1 = media::rndint(0, 100);
  media::seedrnd(state);
  return r1;
}

TEST_F(controltest, TheFarRuleTurnsTowardADistantTarget) {
  man& f = standstill(*game, 2);
  int fired = 0;
  for (int frame = 0; frame < 200; ++frame) {
    const int r1 = nextfardraw();
    f.direction = 1;
    f.balls[16].vx = f.balls[16].vy = 0;
    f.steer(10, 1, 3, 500, 0, 0, 0);  // 500 pixels to the right, same height
    if (r1 <= 10) {
      ++fired;
      EXPECT_EQ(f.direction, 4);
      EXPECT_FLOAT_EQ(f.balls[16].vx, 3);  // pushed right the same frame
    } else {
      EXPECT_EQ(f.direction, 1);
      EXPECT_FLOAT_EQ(f.balls[16].vy, -3);
    }
  }
  EXPECT_GT(fired, 5);

  // Exactly 400 pixels is not far: the direction stays even when the draw allows the rule.
  fired = 0;
  for (int frame = 0; frame < 200; ++frame) {
    fired += nextfardraw() <= 10;
    f.steer(10, 1, 3, 400, 0, 0, 0);
    EXPECT_EQ(f.direction, 1);
  }
  EXPECT_GT(fired, 5);

  // Up and to the left, diagonally: direction 6.
  for (int frame = 0; frame < 60; ++frame) f.steer(1, 1, 3, -400, -400, 0, 0);
  EXPECT_EQ(f.direction, 6);
}

TEST_F(controltest, SteeringDrawsTwiceEveryFrame) {
  man& f = standstill(*game, 2);
  media::seedrnd(77);
  f.steer(1, 1, 3, 10, 10, 0, 0);
  const int after = media::rndstate();
  media::seedrnd(77);
  media::rndint(0, 100);
  media::rndint(1, 1024);
  EXPECT_EQ(after, media::rndstate());
}

TEST_F(controltest, NearTargetsAreAttackedByTurningTheBodyOver) {
  // At level 10 the attack rule is tested every frame. The target lies 60 degrees round from the
  // head-to-pelvis line (side -1) and the shoulders stand up and right of the centre: up-left, 6.
  man& f = standstill(*game, 2);
  f.balls[14].x = 10;
  f.steer(10, 1, 3, 100, 0, 0, 0);
  EXPECT_EQ(f.direction, 6);
  // Mirrored target: side +1 with the same shoulders gives down-right, 5.
  f.direction = 1;
  f.steer(10, 1, 3, -100, 0, 0, 0);
  EXPECT_EQ(f.direction, 5);
  // A target straight along the head-to-pelvis line gives side 0: no change.
  f.direction = 1;
  f.balls[14].x = 10;
  f.steer(10, 1, 3, 0, 100, 0, 0);
  EXPECT_EQ(f.direction, 1);
}

TEST_F(controltest, CoopOpponentsPickTheNearerLivingPlayer) {
  addfighter(*game, 3, 3);
  man& p1 = *game->fighters[1];
  man& p2 = *game->fighters[2];
  man& f = *game->fighters[3];
  f.balls[6].x = 0, f.balls[6].y = 0;
  p1.balls[6].x = -100, p1.balls[6].y = 0;
  p2.balls[6].x = 0, p2.balls[6].y = 100;
  EXPECT_EQ(game->choosetarget(f), 2);  // equidistant: player 2
  p2.balls[6].y = 101;
  EXPECT_EQ(game->choosetarget(f), 1);
  p1.dead = 1;
  EXPECT_EQ(game->choosetarget(f), 2);
  p2.dead = 1;
  EXPECT_EQ(game->choosetarget(f), 1);
}

}  // namespace
}  // namespace flopfist::testing
