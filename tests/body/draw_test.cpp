// Fighter drawing tests on read-back pixels: energy on the wrist links, fade-in, the dead.
#include <gtest/gtest.h>

#include <cmath>

#include "media/media.h"
#include "media/testing.h"
#include "tests/body/bodytest.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

struct rgb {
  int r, g, b;
  bool operator==(const rgb&) const = default;
};
std::ostream& operator<<(std::ostream& out, const rgb& c) {
  return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}
rgb pixel(const media::test::frame& f, float x, float y) {
  return {f.r(int(x), int(y)), f.g(int(x), int(y)), f.b(int(x), int(y))};
}

class drawtest : public gametest {
 protected:
  void SetUp() override {
    gametest::SetUp();
    art = openassets();
  }
  // Everything far above the screen except arm A's wrist (19) at the centre and fist (20) 40 to
  // the right, so link 18 lies alone across the middle of the screen.
  void wristpose(man& f) {
    for (int i = 1; i <= 26; ++i) f.balls[i].x = 0, f.balls[i].y = -3000;
    f.balls[19].y = 0;
    f.balls[20].x = 40;
    f.balls[20].y = 0;
  }
  void draw(const man& f, float alpha) const {
    media::cls();
    f.draw(alpha, camera, art.images);
  }
  rgb drawnwrist(const man& f) const {
    draw(f, 1);
    // Midpoint of link 18: world (20, 0) at zoom 2.
    return pixel(media::test::backbuffer(), screenx(20, 0, 2), screeny(0, 0, 2));
  }
  assets art;
  view camera{0, 0, 2};
  media::generator rng;
};

TEST_F(drawtest, WristLinksShadeTowardTheTintAsEnergyFalls) {
  man f = makefighter(rng, 1, 2);
  wristpose(f);
  EXPECT_EQ(drawnwrist(f), (rgb{175, 175, 175}));
  f.energy = f.maxenergy / 2;
  EXPECT_EQ(drawnwrist(f), (rgb{215, 87, 87}));
  f.energy = 0;
  EXPECT_EQ(drawnwrist(f), (rgb{255, 0, 0}));
  // The other limbs keep the fighter's colour: link 17 runs up from the wrist.
  draw(f, 1);
  EXPECT_EQ(pixel(media::test::backbuffer(), 512, 384 - 2 * 30), (rgb{175, 175, 175}));

  man robot = makefighter(rng, 2, 2, 2.0f, 1);
  wristpose(robot);
  EXPECT_EQ(drawnwrist(robot), (rgb{70, 70, 90}));
  robot.energy = 0;
  EXPECT_EQ(drawnwrist(robot), (rgb{255, 255, 0}));
}

TEST_F(drawtest, FightersFadeInFromInvisible) {
  man f = makefighter(rng, 1, 2);
  wristpose(f);
  draw(f, 0.0f / 120);  // the first frame of a match
  const media::test::frame first = media::test::backbuffer();
  for (size_t i = 0; i < first.pixels.size(); ++i) ASSERT_EQ(first.pixels[i] & 0xFFFFFF, 0u) << i;
  EXPECT_EQ(drawnwrist(f), (rgb{175, 175, 175}));  // and the alpha was put back to 1
  draw(f, 60.0f / 120);
  const rgb half = pixel(media::test::backbuffer(), screenx(20, 0, 2), screeny(0, 0, 2));
  EXPECT_NEAR(half.r, 87, 2);
  draw(f, 150.0f / 120);
  EXPECT_EQ(pixel(media::test::backbuffer(), screenx(20, 0, 2), screeny(0, 0, 2)),
            (rgb{175, 175, 175}));
}

TEST_F(drawtest, TheDeadShowOnlyTheirBalls) {
  // The balls on a wide circle: every ball centre stands clear of every link's midpoint.
  auto circle = [](man& f) {
    for (int i = 1; i <= 26; ++i) {
      const float a = float(i) * 360.0f / 26;
      f.balls[i].x = 150 * cosdeg(a);
      f.balls[i].y = 150 * sindeg(a);
    }
  };
  auto count = [&](man& f) {
    draw(f, 1);
    const media::test::frame shot = media::test::backbuffer();
    int balls = 0, limbs = 0;
    for (int i = 1; i <= 26; ++i) {
      // The ball image is a shaded sphere: a bright grey of the fighter's colour at the centre.
      const ball& b = f.balls[i];
      const rgb c = pixel(shot, screenx(b.x, 0, 2), screeny(b.y, 0, 2));
      balls += c.r > 120 && c.r == c.g && c.g == c.b;
    }
    for (const link& k : bodylinks) {
      const ball &a = f.balls[k.a], &b = f.balls[k.b];
      limbs += pixel(shot, screenx((a.x + b.x) / 2, 0, 2), screeny((a.y + b.y) / 2, 0, 2)) ==
               rgb{175, 175, 175};
    }
    return std::pair{balls, limbs};
  };
  man f = makefighter(rng, 1, 2);
  circle(f);
  EXPECT_EQ(count(f), (std::pair{26, 25}));
  f.dead = 1;
  EXPECT_EQ(count(f), (std::pair{26, 0}));
}

TEST_F(drawtest, AStruckBallShowsTheFlashColour) {
  man f = makefighter(rng, 1, 2);
  wristpose(f);
  const float fx = screenx(40, 0, 2) + 6, fy = screeny(0, 0, 2);  // inside the fist, past the limb
  // The ball image is shaded: measure its brightness at that point from the unflashed fist.
  draw(f, 1);
  const float shade = float(pixel(media::test::backbuffer(), fx, fy).r) / 175;
  ASSERT_GT(shade, 0.5f);
  f.balls[20].flash = 60;
  draw(f, 1);
  rgb seen = pixel(media::test::backbuffer(), fx, fy);
  EXPECT_NEAR(seen.r, 222 * shade, 1.5);
  EXPECT_EQ(seen.g, 0);
  EXPECT_EQ(seen.b, 0);
  f.balls[20].flash = 30;  // halfway: 175 - 87 + 111 = 199, 175 - 87 = 88
  draw(f, 1);
  seen = pixel(media::test::backbuffer(), fx, fy);
  EXPECT_NEAR(seen.r, 199 * shade, 1.5);
  EXPECT_NEAR(seen.g, 88 * shade, 1.5);
  EXPECT_NEAR(seen.b, 88 * shade, 1.5);

  // A robot's fist is a square of the ball's area, in the robot flash colour; its corner reaches
  // (12, 12) screen pixels from the centre at zoom 2, where the round ball (radius 15) does not.
  const float cx = screenx(40, 0, 2), cy = screeny(0, 0, 2);
  EXPECT_EQ(pixel(media::test::backbuffer(), cx + 12, cy + 12), (rgb{0, 0, 0}));
  man robot = makefighter(rng, 2, 2, 2.0f, 1);
  wristpose(robot);
  robot.balls[20].flash = 60;
  draw(robot, 1);
  const media::test::frame shot = media::test::backbuffer();
  // The square is drawn with the flat limb image: the flash colour exactly.
  EXPECT_EQ(pixel(shot, fx, fy), (rgb{255, 255, 0}));
  EXPECT_EQ(pixel(shot, cx + 12, cy + 12), (rgb{255, 255, 0}));
}

}  // namespace
}  // namespace flopfist::testing
