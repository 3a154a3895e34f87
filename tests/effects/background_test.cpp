// The arena background on read-back pixels: grid positions, the screen-edge rule, the grey surround.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "body/util.h"
#include "effects/background.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

using flopfist::testing::gametest;
using flopfist::testing::openassets;

// The zoom of grid layer n (0 nearest .. 9 farthest) under the camera zoom.
float layerzoom(int n, float zoom) {
  const float depth = std::pow(std::pow(0.05f, 0.1f), float(n));
  return 1 / (1 / zoom + 1 / depth);
}

class backgroundtest : public gametest {
 protected:
  void SetUp() override {
    gametest::SetUp();
    openassets();
    setarena(1);
    setpalette(200);
  }
  void setarena(float factor) { walls = {-512 * factor, 512 * factor, -384 * factor, 384 * factor}; }
  void setpalette(int v) {
    for (auto& row : colours.colours) {
      for (int k = 1; k <= 3; ++k) row[k] = v;
    }
  }
  void camera(float x, float y, float zoom) { cam = {x, y, zoom}; }
  // Draws the background over a plain blue screen and reads it back.
  media::test::frame draw() {
    media::cls();
    media::setblend(media::blend::solid);
    media::setcolor(0, 0, 255);
    media::drawrect(0, 0, 1024, 768);
    drawbackground(walls, cam, colours);
    return media::test::backbuffer();
  }
  // Screen positions where layer lines through the given world coordinates land.
  std::set<int> lines(std::initializer_list<float> world, float camera, float centre) const {
    std::set<int> at;
    for (int n = 0; n <= 9; ++n) {
      for (float w : world) at.insert(roundhalfup(centre + layerzoom(n, cam.zoom) * (w - camera)));
    }
    return at;
  }
  static bool isblue(const media::test::frame& f, int x, int y) {
    return f.r(x, y) == 0 && f.g(x, y) == 0 && f.b(x, y) == 255;
  }
  static int grey(const media::test::frame& f, int x, int y) {
    return f.r(x, y) == f.g(x, y) && f.g(x, y) == f.b(x, y) ? f.r(x, y) : -1;
  }
  arena walls;
  view cam;
  palette colours;
};

TEST_F(backgroundtest, GridLinesStandEveryThousandPixelsCentredOnTheArena) {
  camera(0, 0, 1);  // the arena fills the screen exactly
  const auto f = draw();
  const std::set<int> columns = lines({-1500, -500, 500, 1500}, 0, 512);
  const std::set<int> rows = lines({-1000, 0, 1000}, 0, 384);
  int row = 200;
  while (rows.count(row) != 0) ++row;
  int column = 100;
  while (columns.count(column) != 0) ++column;

  int found = 0;
  for (int x = 0; x < 1024; ++x) {
    const bool line = columns.count(x) != 0;
    EXPECT_EQ(isblue(f, x, row), !line) << "column " << x;
    found += line;
  }
  EXPECT_GE(found, 30);  // four lines on most of the ten layers
  for (int y = 0; y < 768; ++y) EXPECT_EQ(isblue(f, column, y), rows.count(y) == 0) << "row " << y;

  // The nearest layer (zoom 0.5 under camera zoom 1) is drawn last, at full palette brightness.
  EXPECT_EQ(f.r(262, row), 150);  // world x -500
  EXPECT_EQ(f.r(762, row), 150);  // world x 500
  EXPECT_EQ(f.r(column, 384), 150);  // world y 0 lies on the middle row of every layer
  EXPECT_EQ(media::getblend(), media::blend::alpha);
}

TEST_F(backgroundtest, ALineOnTheScreenEdgeIsNotDrawn) {
  // Camera x 524 puts the nearest layer's line at world x -500 exactly on column 0.
  camera(524, 0, 1);
  auto f = draw();
  const int row = 200;
  ASSERT_EQ(lines({-1000, 0, 1000}, 0, 384).count(row), 0u);
  EXPECT_TRUE(isblue(f, 0, row));
  camera(522, 0, 1);  // one pixel further in: drawn
  f = draw();
  EXPECT_EQ(f.r(1, row), 150);
  EXPECT_FALSE(isblue(f, 1, row));

  // Camera y -232 puts the nearest layer's line at world y -1000 on row 0, above the arena.
  camera(0, -232, 1);
  f = draw();
  const int column = 100;
  ASSERT_EQ(lines({-1500, -500, 500, 1500}, 0, 512).count(column), 0u);
  EXPECT_EQ(grey(f, column, 0), 112);
  camera(0, -234, 1);
  f = draw();
  EXPECT_GT(grey(f, column, 1), 112);  // drawn, faded toward the grey
}

TEST_F(backgroundtest, BlackPaletteDrawsBlackLinesInsideAndGreyOutside) {
  setpalette(0);
  camera(0, 0, 0.5f);  // the arena is the screen's middle: x 256..768, y 192..576
  const auto f = draw();
  const int l = 256, r = 768, t = 192, b = 576;
  for (int y = 0; y < 768; y += 3) {
    for (int x = 0; x < 1024; x += 3) {
      if (x >= l && x <= r && y >= t && y <= b) continue;
      ASSERT_EQ(grey(f, x, y), 112) << x << "," << y;
    }
  }
  const std::set<int> columns = lines({-1500, -500, 500, 1500}, 0, 512);
  const int row = 300;
  ASSERT_EQ(lines({-1000, 0, 1000}, 0, 384).count(row), 0u);
  int black = 0;
  for (int x = l + 1; x < r; ++x) {
    if (columns.count(x) != 0) {
      EXPECT_EQ(f.at(x, row) & 0xFFFFFF, 0u) << "column " << x;
      ++black;
    } else {
      EXPECT_TRUE(isblue(f, x, row)) << "column " << x;
    }
  }
  EXPECT_GE(black, 20);
}

TEST_F(backgroundtest, LinesOutsideTheArenaAreFadedTowardTheGrey) {
  setpalette(255);
  camera(0, 0, 0.5f);
  const auto f = draw();
  // The nearest layer's outer lines (world x -1500 and 1500) land left and right of the arena.
  const float z = layerzoom(0, 0.5f);
  const int left = roundhalfup(512 - 1500 * z), right = roundhalfup(512 + 1500 * z);
  ASSERT_LT(left, 256);
  ASSERT_GT(right, 768);
  const int bright = int(std::min(255.0f, 255 * 1.5f * z));
  const int faded = int(140 * double(0.8f) + bright * (1 - double(0.8f)));
  EXPECT_EQ(grey(f, left, 400), faded);
  EXPECT_EQ(grey(f, right, 400), faded);
  EXPECT_GT(faded, 112);
  EXPECT_LE(faded, 162);
  // The same layer's lines inside the arena are at full brightness, and faded above and below it.
  const int inside = roundhalfup(512 - 500 * z);
  EXPECT_EQ(grey(f, inside, 400), bright);
  EXPECT_EQ(grey(f, inside, 100), faded);
  EXPECT_EQ(grey(f, inside, 700), faded);
}

TEST_F(backgroundtest, TheFadedColourNeverExceeds162) {
  // 140 * 0.8 + 255 * 0.2 would round to 163 in single precision; the weight alone is a float.
  setpalette(255);
  camera(0, 0, 40);  // the nearest layer runs at full brightness, 255
  walls.right = 0;  // the arena ends at the screen's middle column
  const auto f = draw();
  int brightest = 0;
  for (int y = 0; y < 768; ++y) {
    for (int x = 513; x < 1024; x += 5) brightest = std::max(brightest, grey(f, x, y));
  }
  EXPECT_EQ(brightest, 162);
}

}  // namespace
}  // namespace flopfist
