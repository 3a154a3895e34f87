// The match camera: centre and zoom from the fighters' centres, and dead fighters fading out of frame.
#include <gtest/gtest.h>

#include "app/fightgame.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

using flopfist::testing::gametest;
using flopfist::testing::makegame;

class cameratest : public gametest {
 protected:
  void SetUp() override {
    gametest::SetUp();
    game = makegame();
  }
  void start(const std::string& mode) {
    game->gamemode = mode;
    game->level = 1;
    game->setupmatch();
  }
  // Puts a fighter's whole body on one point, so its centre is that point.
  void place(int i, float x, float y) {
    for (int k = 1; k <= 26; ++k) {
      game->fighters[i]->balls[k].x = x;
      game->fighters[i]->balls[k].y = y;
    }
  }
  std::unique_ptr<fightgame> game;
};

TEST_F(cameratest, ZoomKeepsAMarginAroundTheFighters) {
  start("2vs");
  place(1, -100, 20);
  place(2, 200, 120);  // 300 apart, 100 lower
  game->updatecamera();
  EXPECT_FLOAT_EQ(game->camerax, 50);
  EXPECT_FLOAT_EQ(game->cameray, 70);
  EXPECT_NEAR(game->zoom, 1024.0 / 744, 1e-5);
  EXPECT_NEAR(game->zoom, 1.376, 5e-4);

  place(2, -100, 20);
  game->updatecamera();
  EXPECT_FLOAT_EQ(game->camerax, -100);
  EXPECT_FLOAT_EQ(game->cameray, 20);
  EXPECT_NEAR(game->zoom, 2.306, 5e-4);

  // Tall rather than wide: the height decides.
  place(2, -100, 620);
  game->updatecamera();
  EXPECT_NEAR(game->zoom, 768.0 / 933, 1e-5);
}

TEST_F(cameratest, TheCentreIsTheMeanOfAllBalls) {
  start("2vs");
  place(1, 0, 0);
  place(2, 0, 0);
  game->fighters[2]->balls[3].x = 260;  // one ball out of 26 moves the centre by 10
  game->fighters[2]->balls[4].y = -520;
  game->updatecamera();
  EXPECT_NEAR(game->camerax, 5, 1e-4);
  EXPECT_NEAR(game->cameray, -10, 1e-4);
}

TEST_F(cameratest, ADeadFighterSlidesOntoFighterOneOverAHundredFrames) {
  start("2coop");  // three fighters
  place(1, 0, 0);
  place(2, 0, 0);
  place(3, 1000, -300);
  game->fighters[3]->dead = 1;
  for (int frame = 1; frame <= 100; ++frame) {
    game->updatecamera();
    const float fade = 1 - 0.01f * frame;
    EXPECT_NEAR(game->fighters[3]->fade, fade, 1e-4);
    EXPECT_NEAR(game->camerax, 500 * fade, 0.05);
    EXPECT_NEAR(game->cameray, -150 * fade, 0.05);
    if (frame == 50) {
      EXPECT_NEAR(game->camerax, 250, 0.05);
      EXPECT_NEAR(game->zoom, 1024.0 / (500 + 444), 1e-3);
    }
  }
  // Float steps of 0.01 leave a few millionths after 100 frames; the next one clamps to 0.
  EXPECT_LT(game->fighters[3]->fade, 1e-5);
  EXPECT_NEAR(game->zoom, 1024.0 / 444, 1e-4);
  game->updatecamera();
  EXPECT_EQ(game->fighters[3]->fade, 0);
  // From then on it no longer widens the frame, wherever it lies.
  place(3, -3000, 2000);
  game->updatecamera();
  EXPECT_NEAR(game->camerax, 0, 1e-4);
  EXPECT_NEAR(game->cameray, 0, 1e-4);
  EXPECT_NEAR(game->zoom, 1024.0 / 444, 1e-4);
  // A living fighter still does.
  place(2, 300, 0);
  game->updatecamera();
  EXPECT_NEAR(game->camerax, 150, 1e-4);
}

TEST_F(cameratest, FighterOneIsFramedEvenWhenDead) {
  start("2vs");
  place(1, 0, 0);
  place(2, 300, 100);
  game->fighters[1]->dead = 1;
  for (int frame = 1; frame <= 150; ++frame) game->updatecamera();
  EXPECT_EQ(game->fighters[1]->fade, 0);
  EXPECT_NEAR(game->camerax, 150, 1e-3);
  EXPECT_NEAR(game->cameray, 50, 1e-3);
  EXPECT_NEAR(game->zoom, 1.376, 5e-4);
}

}  // namespace
}  // namespace flopfist
