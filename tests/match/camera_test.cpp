// The match camera: centre and zoom from the fighters' centres, and dead fighters fading out of frame.
#include <gtest/gtest.h>

#include <memory>

#include "match/match.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

class cameratest : public ::testing::Test {
 protected:
  void start(gamemode mode) { m = testing::makematch(mode, 1); }
  // Puts a fighter's whole body on one point, so its centre is that point.
  void place(int i, float x, float y) {
    for (int k = 1; k <= 26; ++k) {
      m->fighters[size_t(i)].balls[size_t(k)].x = x;
      m->fighters[size_t(i)].balls[size_t(k)].y = y;
    }
  }
  man& fighter(int i) { return m->fighters[size_t(i)]; }
  std::unique_ptr<match> m;
};

TEST_F(cameratest, ZoomKeepsAMarginAroundTheFighters) {
  start(gamemode::versus);
  place(1, -100, 20);
  place(2, 200, 120);  // 300 apart, 100 lower
  m->updatecamera();
  EXPECT_FLOAT_EQ(m->camera.x, 50);
  EXPECT_FLOAT_EQ(m->camera.y, 70);
  EXPECT_NEAR(m->camera.zoom, 1024.0 / 744, 1e-5);
  EXPECT_NEAR(m->camera.zoom, 1.376, 5e-4);

  place(2, -100, 20);
  m->updatecamera();
  EXPECT_FLOAT_EQ(m->camera.x, -100);
  EXPECT_FLOAT_EQ(m->camera.y, 20);
  EXPECT_NEAR(m->camera.zoom, 2.306, 5e-4);

  // Tall rather than wide: the height decides.
  place(2, -100, 620);
  m->updatecamera();
  EXPECT_NEAR(m->camera.zoom, 768.0 / 933, 1e-5);
}

TEST_F(cameratest, TheCentreIsTheMeanOfAllBalls) {
  start(gamemode::versus);
  place(1, 0, 0);
  place(2, 0, 0);
  fighter(2).balls[3].x = 260;  // one ball out of 26 moves the centre by 10
  fighter(2).balls[4].y = -520;
  m->updatecamera();
  EXPECT_NEAR(m->camera.x, 5, 1e-4);
  EXPECT_NEAR(m->camera.y, -10, 1e-4);
}

TEST_F(cameratest, ADeadFighterSlidesOntoFighterOneOverAHundredFrames) {
  start(gamemode::coop);  // three fighters
  ASSERT_EQ(m->fightercount, 3);
  place(1, 0, 0);
  place(2, 0, 0);
  place(3, 1000, -300);
  fighter(3).dead = 1;
  for (int frame = 1; frame <= 100; ++frame) {
    m->updatecamera();
    const float fade = 1 - 0.01f * frame;
    EXPECT_NEAR(fighter(3).fade, fade, 1e-4);
    EXPECT_NEAR(m->camera.x, 500 * fade, 0.05);
    EXPECT_NEAR(m->camera.y, -150 * fade, 0.05);
    if (frame == 50) {
      EXPECT_NEAR(m->camera.x, 250, 0.05);
      EXPECT_NEAR(m->camera.zoom, 1024.0 / (500 + 444), 1e-3);
    }
  }
  // Float steps of 0.01 leave a few millionths after 100 frames; the next one clamps to 0.
  EXPECT_LT(fighter(3).fade, 1e-5);
  EXPECT_NEAR(m->camera.zoom, 1024.0 / 444, 1e-4);
  m->updatecamera();
  EXPECT_EQ(fighter(3).fade, 0);
  // From then on it no longer widens the frame, wherever it lies.
  place(3, -3000, 2000);
  m->updatecamera();
  EXPECT_NEAR(m->camera.x, 0, 1e-4);
  EXPECT_NEAR(m->camera.y, 0, 1e-4);
  EXPECT_NEAR(m->camera.zoom, 1024.0 / 444, 1e-4);
  // A living fighter still does.
  place(2, 300, 0);
  m->updatecamera();
  EXPECT_NEAR(m->camera.x, 150, 1e-4);
}

TEST_F(cameratest, FighterOneIsFramedEvenWhenDead) {
  start(gamemode::versus);
  place(1, 0, 0);
  place(2, 300, 100);
  fighter(1).dead = 1;
  for (int frame = 1; frame <= 150; ++frame) m->updatecamera();
  EXPECT_EQ(fighter(1).fade, 0);
  EXPECT_NEAR(m->camera.x, 150, 1e-3);
  EXPECT_NEAR(m->camera.y, 50, 1e-3);
  EXPECT_NEAR(m->camera.zoom, 1.376, 5e-4);
}

}  // namespace
}  // namespace flopfist
