// Drawing, checked on the read-back frame: blend modes, colour, alpha, transform, lines, text.
#include <cmath>

#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace {

class drawtest : public flopfist::testing::gametest {
 protected:
  void SetUp() override {
    gametest::SetUp();
    media::opengraphics(1024, 768, 0, 60);
  }
  // A filled rectangle in the given colour, blend and alpha, leaving the state as it was.
  static void fill(float x, float y, float w, float h, int r, int g, int b, int mode = media::blend::solid,
                   float alpha = 1) {
    media::setcolor(r, g, b);
    media::setblend(mode);
    media::setalpha(alpha);
    media::drawrect(x, y, w, h);
    media::setcolor(255, 255, 255);
    media::setblend(media::blend::solid);
    media::setalpha(1);
  }
};

// Channels within a rounding step of the expected colour.
void expectrgb(const media::test::frame& f, int x, int y, int r, int g, int b, int tolerance = 2) {
  EXPECT_NEAR(f.r(x, y), r, tolerance) << "red at " << x << "," << y;
  EXPECT_NEAR(f.g(x, y), g, tolerance) << "green at " << x << "," << y;
  EXPECT_NEAR(f.b(x, y), b, tolerance) << "blue at " << x << "," << y;
}

TEST_F(drawtest, RectanglesCoverExactlyTheirPixels) {
  fill(10, 20, 30, 5, 200, 100, 50);
  const auto f = media::test::backbuffer();
  ASSERT_EQ(f.width, 1024);
  ASSERT_EQ(f.height, 768);
  expectrgb(f, 10, 20, 200, 100, 50, 0);
  expectrgb(f, 39, 24, 200, 100, 50, 0);
  expectrgb(f, 9, 20, 0, 0, 0, 0);
  expectrgb(f, 40, 20, 0, 0, 0, 0);
  expectrgb(f, 10, 25, 0, 0, 0, 0);
  expectrgb(f, 10, 19, 0, 0, 0, 0);
}

TEST_F(drawtest, BlendModes) {
  // Four grey grounds, then the same colour over each in one mode.
  for (int i = 0; i < 4; ++i) fill(100 + 100 * i, 100, 50, 50, 100, 100, 100);
  fill(100, 100, 50, 50, 200, 40, 0, media::blend::solid, 0.5f);   // solid ignores alpha
  fill(200, 100, 50, 50, 200, 40, 0, media::blend::alpha, 0.5f);   // mixes
  fill(300, 100, 50, 50, 200, 40, 0, media::blend::light, 0.5f);   // adds src * alpha
  fill(400, 100, 50, 50, 128, 255, 0, media::blend::shade, 0.5f);  // multiplies
  const auto f = media::test::backbuffer();
  expectrgb(f, 120, 120, 200, 40, 0);
  expectrgb(f, 220, 120, 150, 70, 50);
  expectrgb(f, 320, 120, 200, 120, 100);
  expectrgb(f, 420, 120, 50, 100, 0);
}

}  // namespace
