// Tests of the HIGH SCORES screen on read-back pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "app/fightgame.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

using flopfist::testing::gametest;
namespace key = media::key;
using frame = media::test::frame;

// Lit pixels of a rectangle: their horizontal extent and whether one has exactly colour rgb.
struct area {
  int left = 1024, right = -1;
  bool hascolour = false;
  bool lit() const { return right >= 0; }
};
area scan(const frame& f, int x0, int x1, int y0, int y1, std::vector<int> rgb = {}, uint32_t background = 0) {
  area out;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      if ((f.at(x, y) & 0xFFFFFF) == background) continue;
      out.left = std::min(out.left, x);
      out.right = std::max(out.right, x);
      if (!rgb.empty() && f.r(x, y) == rgb[0] && f.g(x, y) == rgb[1] && f.b(x, y) == rgb[2]) out.hascolour = true;
    }
  }
  return out;
}
area rowarea(const frame& f, int k, int x0 = 0, int x1 = 1024) { return scan(f, x0, x1, 100 + 30 * k, 130 + 30 * k); }

class ScoreScreen : public gametest {
 protected:
  void SetUp() override {
    gametest::SetUp();
    game = flopfist::testing::makegame();
    game->scores.defaults();
  }
  // Shows the screen until the given key ends it on its frame n; returns the last frame shown.
  frame show(int n, int k = key::escape) {
    const int start = media::test::frames();
    media::test::tap(start + n, k);
    game->scorescreen();
    EXPECT_EQ(media::test::frames() - start, n);
    return media::test::presented();
  }
  static std::vector<int> colour1(const palette& p) {
    return {p.colours[1][1], p.colours[1][2], p.colours[1][3]};
  }
  std::vector<int> palette1() const { return colour1(game->colours); }
  std::unique_ptr<fightgame> game;
};

TEST_F(ScoreScreen, TitleFromTheFirstFrameAndRowKFromFrame5kPlus1) {
  frame f = show(1);
  const area title = scan(f, 0, 1024, 20, 126, palette1());
  EXPECT_TRUE(title.lit());
  EXPECT_TRUE(title.hascolour);
  EXPECT_NEAR((title.left + title.right) / 2.0, 511.5, 4.0);
  EXPECT_FALSE(scan(f, 0, 1024, 126, 768).lit());

  for (int k = 1; k <= 3; ++k) {
    f = show(5 * k);
    EXPECT_FALSE(rowarea(f, k).lit()) << "row " << k << " at frame " << 5 * k;
    f = show(5 * k + 1);
    EXPECT_TRUE(rowarea(f, k).lit()) << "row " << k << " at frame " << 5 * k + 1;
    EXPECT_FALSE(rowarea(f, k + 1).lit());
  }

  // Space and Enter end it as Escape does; after 100 frames all twenty rows stand, in palette colour 1.
  show(3, key::space);
  f = show(101, key::enter);
  media::test::savepng(f, flopfist::testing::artefact("high_scores.png"));
  for (int k = 1; k <= 20; ++k) {
    const area row = scan(f, 0, 1024, 100 + 30 * k, 130 + 30 * k, palette1());
    ASSERT_TRUE(row.lit()) << "row " << k;
    EXPECT_TRUE(row.hascolour) << "row " << k;
    EXPECT_NEAR(row.left, 271, 3) << "rank " << k << " starts at 270";
    EXPECT_NEAR(row.right, 752, 3) << "score of row " << k << " ends at 754";
  }
  EXPECT_FALSE(scan(f, 0, 1024, 730, 768).lit());
}

TEST_F(ScoreScreen, RanksBelowTenArePaddedSoTheColonsAlign) {
  for (auto& row : game->scores.rows) row.name = "";
  const frame f = show(101);
  media::test::savepng(f, flopfist::testing::artefact("high_scores_colons.png"));
  // With no name, the colon is the rightmost mark left of the score column.
  const int colon1 = rowarea(f, 1, 260, 600).right;
  for (int k = 2; k <= 20; ++k) EXPECT_NEAR(rowarea(f, k, 260, 600).right, colon1, 1) << "rank " << k;
  // And it stands clear of the two-digit ranks.
  EXPECT_GT(colon1, 270 + 30);
}

TEST_F(ScoreScreen, AnUnsortedFileIsShownInFileOrderUntilTheNextSort) {
  std::string file;
  for (int k = 1; k <= 20; ++k) {
    file += "P" + std::to_string(k) + "\r\n" + (k == 1 ? "5" : k == 20 ? "500000" : "1000") + "\r\n";
  }
  std::ofstream("scores.txt", std::ios::binary) << file;
  game->loadscores();
  // The score column: one digit on the first row, six on the last.
  frame f = show(101);
  EXPECT_GT(rowarea(f, 1, 600, 1024).left, rowarea(f, 20, 600, 1024).left + 60);

  game->scores.add("NEW", 0);
  f = show(101);
  EXPECT_LT(rowarea(f, 1, 600, 1024).left + 60, rowarea(f, 20, 600, 1024).left);
}

TEST_F(ScoreScreen, TheTableOverAMatchPaintsOverTheSceneWithoutPresenting) {
  // The table `elapsed` frames after it came up: the match flow records it, the game draws it over
  // the scene.
  auto showtable = [&](int elapsed) -> const overlay& {
    match& m = *game->playing;
    m.state = matchstate::highscores;
    m.statestart = m.framecount - elapsed;
    matchevents ev;
    m.matchflow(frameinput{}, ev);
    game->drawoverlays(ev);
    EXPECT_EQ(m.overlaycount(), 1);
    return m.overlayat(0);
  };

  // A match showing its table, begun first, as its own start flushes the keys too.
  game->beginmatch();
  // An Enter hit waits from the frame before; drawing the table must flush it.
  media::test::tap(media::test::frames() + 1, key::enter);
  media::flip(-1);
  const int frames = media::test::frames();
  int before[4];
  for (int c = 1; c <= 3; ++c) before[c] = game->playing->colours.colours[1][c];

  media::cls();
  media::setcolor(0, 0, 200);
  media::drawrect(0, 0, 1024, 768);
  const overlay& shown = showtable(6);
  const std::vector<int> colour = colour1(shown.colours);
  const frame f = media::test::backbuffer();
  EXPECT_EQ(media::test::frames(), frames);  // no present
  EXPECT_EQ(media::keyhit(key::enter), 0);
  for (int c = 1; c <= 3; ++c) EXPECT_EQ(std::abs(colour[size_t(c - 1)] - before[c]), 2);  // one palette step
  EXPECT_EQ(f.at(5, 5) & 0xFFFFFF, 0x0000C8u);                                           // the scene stays
  EXPECT_TRUE(scan(f, 0, 1024, 20, 126, colour, 0x0000C8).hascolour);
  EXPECT_TRUE(scan(f, 0, 1024, 130, 160, colour, 0x0000C8).hascolour);
  EXPECT_FALSE(scan(f, 0, 1024, 160, 768, {}, 0x0000C8).lit());
  const media::point unit = media::transformpoint(0, 0, 1, 1);
  EXPECT_FLOAT_EQ(unit.x, 1);
  EXPECT_FLOAT_EQ(unit.y, 1);

  // elapsed 0 draws nothing at all. A new match, so the one table shown is this one.
  game->beginmatch();
  media::cls();
  showtable(0);
  EXPECT_FALSE(scan(media::test::backbuffer(), 0, 1024, 0, 768).lit());
}

}  // namespace
}  // namespace flopfist
