// Drawing, checked on the read-back frame: blend modes, colour, alpha, transform, lines, text,
// mips.
#include <png.h>

#include <cmath>
#include <string>
#include <vector>

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
  // A filled rectangle in the given colour, blend and alpha, leaving the state at its defaults.
  static void fill(float x, float y, float w, float h, int r, int g, int b,
                   int mode = media::blend::solid, float alpha = 1) {
    media::setcolor(r, g, b);
    media::setblend(mode);
    media::setalpha(alpha);
    media::drawrect(x, y, w, h);
    media::setcolor(255, 255, 255);
    media::setblend(media::blend::solid);
    media::setalpha(1);
  }
};

// Writes a w x h RGBA image whose pixel colour comes from pixel(x, y) as 0xAARRGGBB.
template <typename F>
std::string writeimage(const std::string& name, int w, int h, F pixel) {
  std::vector<uint32_t> px(size_t(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) px[size_t(y) * w + x] = pixel(x, y);
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(w);
  png.height = png_uint_32(h);
  png.format = PNG_FORMAT_BGRA;
  EXPECT_NE(png_image_write_to_file(&png, name.c_str(), 0, px.data(), 0, nullptr), 0);
  return name;
}

void expectrgb(const media::test::frame& f, int x, int y, int r, int g, int b, int tolerance = 2) {
  EXPECT_NEAR(f.r(x, y), r, tolerance) << "red at " << x << "," << y;
  EXPECT_NEAR(f.g(x, y), g, tolerance) << "green at " << x << "," << y;
  EXPECT_NEAR(f.b(x, y), b, tolerance) << "blue at " << x << "," << y;
}

bool lit(const media::test::frame& f, int x, int y) {
  return (f.at(x, y) & 0xFFFFFF) != 0;
}

// The bounding box of every lit pixel.
struct box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};
box litbox(const media::test::frame& f) {
  box b;
  for (int y = 0; y < f.height; ++y) {
    for (int x = 0; x < f.width; ++x) {
      if (!lit(f, x, y)) continue;
      b.left = std::min(b.left, x), b.right = std::max(b.right, x);
      b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
    }
  }
  return b;
}

TEST_F(drawtest, RectanglesCoverExactlyTheirPixels) {
  fill(10, 20, 30, 5, 200, 100, 50);
  const auto f = media::test::backbuffer();
  ASSERT_EQ(f.width, 1024);
  ASSERT_EQ(f.height, 768);
  const box b = litbox(f);
  EXPECT_EQ(b.left, 10);
  EXPECT_EQ(b.right, 39);
  EXPECT_EQ(b.top, 20);
  EXPECT_EQ(b.bottom, 24);
  expectrgb(f, 25, 22, 200, 100, 50, 0);
}

TEST_F(drawtest, BlendModes) {
  for (int i = 0; i < 4; ++i) fill(100 + 100 * i, 100, 50, 50, 100, 100, 100);
  fill(100, 100, 50, 50, 200, 40, 0, media::blend::solid, 0.5f);   // solid ignores alpha
  fill(200, 100, 50, 50, 200, 40, 0, media::blend::alpha, 0.5f);   // mixes by alpha
  fill(300, 100, 50, 50, 200, 40, 0, media::blend::light, 0.5f);   // adds src * alpha
  fill(400, 100, 50, 50, 128, 255, 0, media::blend::shade, 0.5f);  // multiplies
  fill(500, 100, 50, 50, 250, 250, 250, media::blend::light, 1);   // addition saturates
  fill(500, 100, 50, 50, 250, 250, 250, media::blend::light, 1);
  const auto f = media::test::backbuffer();
  expectrgb(f, 120, 120, 200, 40, 0);
  expectrgb(f, 220, 120, 150, 70, 50);
  expectrgb(f, 320, 120, 200, 120, 100);
  expectrgb(f, 420, 120, 50, 100, 0);
  expectrgb(f, 520, 120, 255, 255, 255, 0);
}

TEST_F(drawtest, MaskDropsLowAlphaAndDrawsTheRestUnblended) {
  // Left half alpha 100 (dropped), right half alpha 160 (kept, drawn as if opaque).
  media::image* img =
      media::loadimage(writeimage("halves.png", 20, 10,
                                  [](int x, int) { return x < 10 ? 0x6400FF00u : 0xA000FF00u; }),
                       0);
  fill(0, 0, 100, 100, 90, 0, 90);
  media::setblend(media::blend::mask);
  media::setalpha(0.3f);  // no blending in mask mode, whatever the alpha
  media::drawimage(img, 40, 40);
  const auto f = media::test::backbuffer();
  expectrgb(f, 45, 45, 90, 0, 90, 0);
  expectrgb(f, 55, 45, 0, 255, 0, 0);
  // The image's own pixels stay as they were for the other modes.
  media::setblend(media::blend::alpha);
  media::setalpha(1);
  media::drawimage(img, 40, 60);
  const auto g = media::test::backbuffer();
  expectrgb(g, 45, 65, 90 * 155 / 255, 100, 90 * 155 / 255);
}

TEST_F(drawtest, ColourAndAlpha) {
  media::image* white =
      media::loadimage(writeimage("white.png", 8, 8, [](int, int) { return 0xFFFFFFFFu; }), 0);
  fill(0, 0, 300, 50, 0, 0, 200);
  media::setblend(media::blend::alpha);
  media::setcolor(255, 128, 0);  // tints the image
  media::drawimage(white, 10, 10);
  media::setalpha(0.25f);
  media::drawimage(white, 30, 10);
  media::setalpha(0);  // nothing at all
  media::drawimage(white, 50, 10);
  media::drawrect(50, 30, 8, 8);
  media::setalpha(-1);
  media::drawimage(white, 70, 10);
  media::setalpha(7);  // acts as 1
  EXPECT_FLOAT_EQ(media::getalpha(), 1);
  media::drawimage(white, 90, 10);
  const auto f = media::test::backbuffer();
  expectrgb(f, 12, 12, 255, 128, 0);
  expectrgb(f, 32, 12, 64, 32, 150);
  expectrgb(f, 52, 12, 0, 0, 200, 0);
  expectrgb(f, 52, 32, 0, 0, 200, 0);
  expectrgb(f, 72, 12, 0, 0, 200, 0);
  expectrgb(f, 92, 12, 255, 128, 0);
}

TEST_F(drawtest, ScaleRotationAndHandle) {
  // A 20 x 10 image, red with a green top-left pixel, so that its orientation shows.
  media::image* img = media::loadimage(
      writeimage("marked.png", 20, 10,
                 [](int x, int y) { return x == 0 && y == 0 ? 0xFF00FF00u : 0xFFFF0000u; }),
      0);
  EXPECT_EQ(media::imagewidth(img), 20);
  EXPECT_EQ(media::imageheight(img), 10);

  media::drawimage(img, 100, 100);  // handle at the top-left corner
  media::midhandle(img);
  media::setscale(2, 3);
  media::drawimage(img, 300, 300);  // 40 x 30 centred on (300, 300)
  media::setscale(1, 1);
  media::setrotation(90);  // clockwise on screen: the top-left corner goes to the top-right
  media::drawimage(img, 600, 300);
  auto f = media::test::backbuffer();
  expectrgb(f, 100, 100, 0, 255, 0, 0);
  expectrgb(f, 119, 109, 255, 0, 0, 0);
  EXPECT_FALSE(lit(f, 120, 100));
  EXPECT_FALSE(lit(f, 100, 110));

  expectrgb(f, 280, 285, 0, 255, 0, 0);  // the marked pixel became 2 x 3
  expectrgb(f, 281, 287, 0, 255, 0, 0);
  expectrgb(f, 282, 285, 255, 0, 0, 0);
  expectrgb(f, 319, 314, 255, 0, 0, 0);
  EXPECT_FALSE(lit(f, 279, 300));
  EXPECT_FALSE(lit(f, 320, 300));
  EXPECT_FALSE(lit(f, 300, 284));
  EXPECT_FALSE(lit(f, 300, 315));

  // Rotated 90 degrees about its middle: 10 wide, 20 high, marked corner at the top-right.
  expectrgb(f, 604, 290, 0, 255, 0, 0);
  expectrgb(f, 596, 309, 255, 0, 0, 0);
  EXPECT_FALSE(lit(f, 594, 300));
  EXPECT_FALSE(lit(f, 605, 300));
  EXPECT_FALSE(lit(f, 600, 289));
  EXPECT_FALSE(lit(f, 600, 310));

  // The point transform itself.
  media::setrotation(90);
  media::setscale(2, 3);
  const media::point p = media::transformpoint(10, 20, 1, 1);
  EXPECT_NEAR(p.x, 10 - 3, 1e-5);
  EXPECT_NEAR(p.y, 20 + 2, 1e-5);
}

TEST_F(drawtest, LinesAndPoints) {
  media::drawline(10, 10, 20, 10);  // with its last pixel
  media::drawline(10, 20, 20, 20, false);
  media::drawline(30, 10, 30, 15);
  media::drawline(40, 10, 45, 15);  // a diagonal
  media::plot(50, 50);
  media::setlinewidth(3);
  media::drawline(60, 60, 70, 60);
  auto f = media::test::backbuffer();
  EXPECT_TRUE(lit(f, 10, 10));
  EXPECT_TRUE(lit(f, 20, 10));
  EXPECT_FALSE(lit(f, 21, 10));
  EXPECT_FALSE(lit(f, 9, 10));
  EXPECT_FALSE(lit(f, 15, 9));
  EXPECT_FALSE(lit(f, 15, 11));
  EXPECT_TRUE(lit(f, 10, 20));
  EXPECT_TRUE(lit(f, 19, 20));
  EXPECT_FALSE(lit(f, 20, 20));
  EXPECT_TRUE(lit(f, 30, 15));
  EXPECT_FALSE(lit(f, 30, 16));
  for (int i = 0; i <= 5; ++i) EXPECT_TRUE(lit(f, 40 + i, 10 + i)) << i;
  EXPECT_TRUE(lit(f, 50, 50));
  EXPECT_FALSE(lit(f, 51, 50));
  EXPECT_FALSE(lit(f, 50, 51));
  EXPECT_TRUE(lit(f, 65, 59));
  EXPECT_TRUE(lit(f, 65, 61));
  EXPECT_FALSE(lit(f, 65, 62));
}

TEST_F(drawtest, TextMeasuresAndLandsWhereCentred) {
  media::font* fnt = media::loadfont("images/font.ttf", 200, 4);
  media::setfont(fnt);
  const float wa = media::textwidth("A"), wb = media::textwidth("B");
  EXPECT_GT(wa, 100);
  EXPECT_LT(wa, 200);
  EXPECT_FLOAT_EQ(media::textwidth("AB"), wa + wb);
  EXPECT_FLOAT_EQ(media::textwidth(""), 0);
  EXPECT_GT(media::textheight("x"), 200);  // ascent plus descent, over the nominal size
  EXPECT_LT(media::textheight("x"), 260);
  EXPECT_FLOAT_EQ(media::textheight("x"), media::textheight("Qy"));

  const std::string text = "HIHIH";  // the same letter at both ends keeps the ink symmetric
  const float scale = 0.25f;
  const float x = (1024 - media::textwidth(text) * scale) / 2;
  media::setblend(media::blend::alpha);
  media::setcolor(255, 255, 0);
  media::setscale(scale, scale);
  media::drawtext(text, x, 300);
  const auto f = media::test::backbuffer();
  media::test::savepng(f, flopfist::testing::artefact("media_centred_text.png"));
  const box b = litbox(f);
  EXPECT_NEAR((b.left + b.right + 1) / 2.0, 512, 1.5);
  EXPECT_GE(b.top, 300);
  EXPECT_LE(b.bottom, 300 + media::textheight(text) * scale);
  EXPECT_GT(b.bottom - b.top, 30);  // capitals are most of the ascent
  EXPECT_EQ(f.b(512, b.top + 5), 0);
}

TEST_F(drawtest, MipmappedImageStaysSmoothWhenSmall) {
  // A hard-edged disc of diameter 280, drawn between 12 and 24 pixels wide.
  const std::string path = writeimage("disc.png", 280, 280, [](int x, int y) {
    const double dx = x + 0.5 - 140, dy = y + 0.5 - 140;
    return dx * dx + dy * dy < 140.0 * 140.0 ? 0xFFFFFFFFu : 0u;
  });
  auto measure = [](media::image* img, float size, double* brightness, int* rim) {
    media::cls();
    media::setscale(size / 280, size / 280);
    media::drawimage(img, 100, 100);
    const auto f = media::test::backbuffer();
    double total = 0;
    *rim = 0;
    for (int y = 70; y < 130; ++y) {
      for (int x = 70; x < 130; ++x) {
        total += f.r(x, y);
        if (f.r(x, y) > 10 && f.r(x, y) < 245) ++*rim;
      }
    }
    *brightness = total / (M_PI * size * size / 4 * 255);
  };
  media::image* smooth =
      media::loadimage(path, media::imageflag::filtered | media::imageflag::mipmapped);
  media::image* plain = media::loadimage(path, media::imageflag::filtered);
  media::midhandle(smooth);
  media::midhandle(plain);
  media::setblend(media::blend::alpha);
  for (float size : {12.0f, 16.0f, 24.0f}) {
    double brightness = 0, plainbrightness = 0;
    int rim = 0, plainrim = 0;
    measure(smooth, size, &brightness, &rim);
    measure(plain, size, &plainbrightness, &plainrim);
    // As bright as the disc's area, with a soft rim all round; sampled without the chain the rim
    // is a staircase of full and empty pixels. (The software renderer samples the nearest pixel of
    // the chosen copy, hence the loose bounds; OpenGL filters it as well.)
    EXPECT_NEAR(brightness, 1.0, 0.1) << size;
    EXPECT_GE(rim, int(size * 1.5f)) << size;
    EXPECT_LT(plainrim, rim / 2) << size;
  }
}

TEST_F(drawtest, MissingImageEndsTheProgram) {
  ::testing::internal::CaptureStderr();
  try {
    media::loadimage("images/nothing.png");
    ADD_FAILURE() << "a missing image must end the program";
  } catch (const media::programexit& e) {
    EXPECT_NE(e.code, 0);
  }
  const std::string message = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(message.find("cannot find images/nothing.png"), std::string::npos) << message;
  EXPECT_NE(message.find(workdir), std::string::npos) << message;
}

}  // namespace

namespace {

TEST_F(drawtest, RepeatedFrameKeepsBothThePresentedAndTheDrawnFrame) {
  fill(0, 0, 1024, 768, 255, 0, 0);
  media::flip(-1);
  fill(0, 0, 1024, 768, 0, 255, 0);
  media::test::press(3, media::key::p);
  media::repeatframe();
  media::repeatframe();
  media::repeatframe();
  EXPECT_EQ(media::test::frames(), 4);
  EXPECT_EQ(media::millisecs(), 66);
  EXPECT_EQ(media::keyhit(media::key::p), 1);  // input goes on while the picture stands still
  EXPECT_EQ(media::test::presented().r(500, 400), 255);
  EXPECT_EQ(media::test::backbuffer().g(500, 400), 255);
  media::flip(-1);
  EXPECT_EQ(media::test::presented().g(500, 400), 255);
}

// Blind frames draw nothing and leave the last frame read back; time and input go on, and the
// first frame drawn after them is whole.
TEST_F(drawtest, BlindFramesDrawNothingAndTheNextSeenFrameIsWhole) {
  fill(0, 0, 1024, 768, 255, 0, 0);
  media::flip(-1);
  media::test::blind(true);
  media::test::press(3, media::key::p);
  for (int k = 0; k < 2; ++k) {
    media::cls();
    fill(0, 0, 1024, 768, 0, 0, 255);
    media::flip(-1);
  }
  EXPECT_EQ(media::test::frames(), 3);
  EXPECT_EQ(media::keyhit(media::key::p), 1);
  EXPECT_EQ(media::test::presented().r(500, 400), 255) << "a blind present reads nothing back";
  media::test::blind(false);
  media::cls();
  fill(0, 0, 512, 768, 0, 255, 0);
  media::flip(-1);
  const auto seen = media::test::presented();
  EXPECT_EQ(seen.at(100, 400), 0xff00ff00u);
  EXPECT_EQ(seen.at(900, 400), 0xff000000u) << "the blind frames' drawing must not show through";
}

}  // namespace

namespace {

TEST_F(drawtest, ImagesAndShapesShareOneBatch) {
  media::image* a =
      media::loadimage(writeimage("a.png", 16, 16, [](int, int) { return 0xFFFF0000u; }), 7);
  media::image* b =
      media::loadimage(writeimage("b.png", 30, 10, [](int, int) { return 0xFF00FF00u; }), 7);
  media::setblend(media::blend::alpha);
  media::setrotation(10);  // turned quads stay geometry on every renderer
  for (int i = 0; i < 50; ++i) {
    media::drawimage(i % 2 == 0 ? a : b, 20.0f + 15 * i, 100);
    media::drawline(20.0f + 15 * i, 200, 30.0f + 15 * i, 220);
  }
  media::flip(-1);
  EXPECT_EQ(media::test::drawcalls(), 1);
  // Each change of blend mode starts a new run.
  for (int i = 0; i < 6; ++i) {
    media::setblend(i % 2 == 0 ? media::blend::alpha : media::blend::light);
    media::drawimage(a, 20.0f + 15 * i, 100);
  }
  media::flip(-1);
  EXPECT_EQ(media::test::drawcalls(), 6);
  // And the pictures still come out right.
  const auto f = media::test::presented();
  expectrgb(f, 28, 108, 255, 0, 0);
}

}  // namespace
