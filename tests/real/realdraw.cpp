// Draws one known frame in a real window through OpenGL and in the software test frame, and
// compares the two read-backs. Run inside a working folder holding the game's images/.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "media/media.h"
#include "media/testing.h"

namespace {

void writeimage(const char* path, int w, int h, uint32_t (*pixel)(int, int)) {
  std::vector<uint32_t> px(size_t(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) px[size_t(y) * w + x] = pixel(x, y);
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(w);
  png.height = png_uint_32(h);
  png.format = PNG_FORMAT_BGRA;
  png_image_write_to_file(&png, path, 0, px.data(), 0, nullptr);
}

// A checker with a transparent corner and a soft alpha ramp along the bottom.
uint32_t checker(int x, int y) {
  if (x < 8 && y < 8) return 0;
  const uint32_t alpha = y >= 56 ? uint32_t(x * 4) : 255u;
  return alpha << 24 | (((x / 8 + y / 8) % 2) != 0 ? 0xE04020u : 0x20C0F0u);
}

void rect(float x, float y, float w, float h, int r, int g, int b, int mode, float alpha) {
  media::setcolor(r, g, b);
  media::setblend(mode);
  media::setalpha(alpha);
  media::drawrect(x, y, w, h);
}

// The same drawing on whichever renderer is open.
void drawframe() {
  media::cls();
  media::setrotation(0);
  media::setscale(1, 1);
  for (int i = 0; i < 5; ++i)
    rect(40 + 120.0f * i, 40, 100, 100, 90, 120, 150, media::blend::solid, 1);
  rect(50, 50, 80, 80, 250, 60, 10, media::blend::solid, 0.5f);
  rect(170, 50, 80, 80, 250, 60, 10, media::blend::alpha, 0.5f);
  rect(290, 50, 80, 80, 250, 60, 10, media::blend::light, 0.6f);
  rect(410, 50, 80, 80, 250, 60, 10, media::blend::shade, 1);
  media::image* img = media::loadimage("checker.png", 0);
  media::setcolor(255, 255, 255);
  media::setalpha(1);
  media::setblend(media::blend::mask);
  media::drawimage(img, 530, 58);
  media::setblend(media::blend::alpha);
  media::drawimage(img, 700, 40);
  media::setcolor(255, 200, 120);
  media::setscale(2, 1.5f);
  media::drawimage(img, 800, 40);
  media::midhandle(img);
  media::setscale(1, 1);
  media::setrotation(30);
  media::setcolor(255, 255, 255);
  media::drawimage(img, 120, 300);
  media::setrotation(0);
  media::setblend(media::blend::solid);
  media::setcolor(255, 255, 0);
  media::drawline(250, 250, 450, 250);
  media::drawline(250, 260, 450, 330);
  media::drawline(250, 270, 250, 400);
  media::setlinewidth(4);
  media::drawline(300, 380, 500, 380);
  media::setlinewidth(1);
  for (int i = 0; i < 50; ++i) media::plot(600 + 4.0f * i, 260);
  media::setblend(media::blend::alpha);
  media::setfont(media::loadfont("images/font.ttf", 200, 4));
  media::setcolor(240, 240, 255);
  media::drawtext("Flopfist", 40, 430);
  media::setscale(0.25f, 0.25f);
  media::setcolor(255, 120, 120);
  const float w = media::textwidth("CENTRED AT A QUARTER") * 0.25f;
  media::drawtext("CENTRED AT A QUARTER", (1024 - w) / 2, 680);
  media::setscale(1, 1);
}

// The largest difference of one channel.
int colourdistance(uint32_t a, uint32_t b) {
  int worst = 0;
  for (int shift : {0, 8, 16})
    worst = std::max(worst, std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)));
  return worst;
}

// How far colour c lies outside the range each channel takes within one pixel of (x, y) in f: an
// edge drawn a fraction of a pixel apart, or filtered a little differently, stays inside it.
int nearest(uint32_t c, const media::test::frame& f, int x, int y) {
  int worst = 0;
  for (int shift : {0, 8, 16}) {
    int low = 255, high = 0;
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        const int nx = x + dx, ny = y + dy;
        if (nx < 0 || ny < 0 || nx >= f.width || ny >= f.height) continue;
        const int v = int((f.at(nx, ny) >> shift) & 255);
        low = std::min(low, v), high = std::max(high, v);
      }
    }
    const int v = int((c >> shift) & 255);
    worst = std::max(worst, std::max(low - v, v - high));
  }
  return worst;
}

media::test::frame capture(bool testmode, std::string* renderer) {
  if (testmode) {
    media::test::reset();
  } else {
    media::init(false);
  }
  media::settitle("Flopfist");
  media::opengraphics(1024, 768, 0, 60);
  *renderer = media::test::renderername();
  drawframe();
  media::test::frame f = media::test::backbuffer();
  media::flip(-1);
  media::shutdown();
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string out = argc > 1 ? argv[1] : ".";
  writeimage("checker.png", 64, 64, checker);
  std::string realname, softname;
  const media::test::frame real = capture(false, &realname);
  const media::test::frame soft = capture(true, &softname);
  media::test::savepng(real, out + "/realdraw_opengl.png");
  media::test::savepng(soft, out + "/realdraw_software.png");
  std::printf("renderers: %s and %s\n", realname.c_str(), softname.c_str());
  if (realname != "opengl") {
    std::printf("FAIL: the window is not drawn through OpenGL\n");
    return 1;
  }
  if (real.width != soft.width || real.height != soft.height) {
    std::printf("FAIL: frame sizes %dx%d and %dx%d\n", real.width, real.height, soft.width,
                soft.height);
    return 1;
  }
  // Edges of rotated and scaled pictures may land a pixel apart between the two rasterisers, so
  // a pixel differs only when it is far outside the colours around it in the other frame.
  media::test::frame diff = soft;
  long differing = 0, lit = 0;
  double total = 0;
  for (int y = 0; y < real.height; ++y) {
    for (int x = 0; x < real.width; ++x) {
      const size_t i = size_t(y) * real.width + x;
      const int here = colourdistance(real.pixels[i], soft.pixels[i]);
      total += here;
      if ((soft.pixels[i] & 0xFFFFFF) != 0) ++lit;
      const int worst =
          std::max(nearest(real.pixels[i], soft, x, y), nearest(soft.pixels[i], real, x, y));
      if (worst > 24) ++differing;
      diff.pixels[i] = worst > 24 ? 0xFFFF0000u : here > 24 ? 0xFF606060u : 0xFF000000u;
    }
  }
  media::test::savepng(diff, out + "/realdraw_difference.png");
  const double mean = total / double(real.pixels.size());
  std::printf(
      "lit pixels %ld, differing by more than 24 from their surroundings: %ld (%.3f%% of lit), "
      "mean difference %.3f\n",
      lit, differing, 100.0 * double(differing) / double(lit), mean);
  if (lit < 50000 || double(differing) > 0.002 * double(lit) || mean > 2.0) {
    std::printf("FAIL: the OpenGL frame does not match the software frame\n");
    return 1;
  }
  std::printf("OK\n");
  return 0;
}
