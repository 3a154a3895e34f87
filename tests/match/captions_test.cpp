// The large caption: opening captions, stretching to 824 pixels, fading, carrying over matches.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/fightgame.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

struct inkbox {
  int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1, brightest = 0;
  bool empty() const { return right < 0; }
  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
};

// The extent of everything not black in a frame.
inkbox measure(const media::test::frame& f) {
  inkbox box;
  for (int y = 0; y < f.height; y++) {
    for (int x = 0; x < f.width; x++) {
      const int r = f.r(x, y);
      if (r == 0 && f.g(x, y) == 0 && f.b(x, y) == 0) continue;
      box.left = std::min(box.left, x);
      box.right = std::max(box.right, x);
      box.top = std::min(box.top, y);
      box.bottom = std::max(box.bottom, y);
      box.brightest = std::max(box.brightest, r);
    }
  }
  return box;
}

class captiontest : public testing::gametest {
 protected:
  std::unique_ptr<fightgame> game;
  int timerafter = 0;  // the caption's timer after the last drawn() frame

  void SetUp() override {
    gametest::SetUp();
    game = testing::makegame();
    game->colours.colours[1][1] = 200;
    game->colours.colours[1][2] = 100;
    game->colours.colours[1][3] = 50;
  }

  // One frame of a match showing the caption: the step counts its timer down, then it is drawn.
  // The match is fresh, so no opening caption or blow replaces it in that frame.
  inkbox drawn(const std::string& text, int timer) {
    auto m = testing::makematch(gamemode::single, 1);
    m->message.set(text, timer);
    m->step(frameinput{});
    timerafter = m->message.timer;
    media::cls();
    drawcaption(m->message, game->colours);
    return measure(media::test::backbuffer());
  }

  // Where the ink of a text lies relative to its drawing point, at half size.
  inkbox reference(const std::string& text) {
    media::cls();
    media::setcolor(255, 255, 255);
    media::setscale(0.5f, 0.5f);
    media::drawtext(text, 10, 10);
    media::setscale(1, 1);
    return measure(media::test::backbuffer());
  }
};

TEST_F(captiontest, EveryCaptionIsStretchedToTheSameWidth) {
  int heights[2] = {};
  int i = 0;
  for (const std::string text : {"FIGHT!", "   LEVEL 12   "}) {
    const inkbox ref = reference(text);
    const float k = 824 / media::textwidth(text);
    const inkbox box = drawn(text, 80);
    ASSERT_FALSE(box.empty()) << text;
    // The advance width spans x = 100 .. 924: the ink sits where the half-size ink predicts.
    const float tolerance = 2 + 2 * k;
    EXPECT_NEAR(box.left, 100 + (ref.left - 10) * 2 * k, tolerance) << text;
    EXPECT_NEAR(box.right, 100 + (ref.right - 10) * 2 * k, tolerance) << text;
    EXPECT_GE(box.left, 100);
    EXPECT_LE(box.right, 924);
    EXPECT_LT(box.top, 384);
    EXPECT_GT(box.bottom, 384 - 20);
    EXPECT_EQ(box.brightest, 200) << "full opacity while the timer is 60 or more";
    heights[i++] = box.height();
  }
  EXPECT_GT(heights[0], heights[1]) << "the shorter caption is drawn taller";
  // "FIGHT!" nearly fills its 824 pixels.
  EXPECT_GT(drawn("FIGHT!", 80).width(), 700);
}

TEST_F(captiontest, CaptionsFadeOutAndResetTheDrawingState) {
  EXPECT_NEAR(drawn("HEAD BLOW!", 31).brightest, 100, 3);  // alpha 30/60
  EXPECT_EQ(timerafter, 30);
  const inkbox gone = drawn("HEAD BLOW!", 0);
  EXPECT_TRUE(gone.empty());
  EXPECT_EQ(timerafter, -1);
  EXPECT_EQ(media::getalpha(), 1.0f);
  EXPECT_TRUE(drawn("HEAD BLOW!", -7).empty());
  EXPECT_EQ(timerafter, -7);
  // After a caption the scale is back to 1: a dot lands where it is drawn.
  drawn("FIGHT!", 20);
  media::cls();
  media::setcolor(255, 255, 255);
  media::drawrect(10, 10, 4, 4);
  const inkbox dot = measure(media::test::backbuffer());
  EXPECT_EQ(dot.width(), 4);
  EXPECT_EQ(dot.left, 10);
}

TEST_F(captiontest, OpeningCaptions) {
  auto coop = testing::makematch(gamemode::coop, 12);
  coop->framecount = 1;
  coop->setcaptions();
  EXPECT_EQ(coop->message.str(), "   LEVEL 12   ");
  EXPECT_EQ(coop->message.timer, 80);
  matchsetup setup;
  setup.mode = gamemode::versus;
  setup.wins = {0, 2, 1};
  match versus(setup);
  versus.framecount = 1;
  versus.setcaptions();
  EXPECT_EQ(versus.message.str(), "  2 - 1  ");
  versus.message.set("BODY BLOW!", 60);
  versus.framecount = 2;
  versus.setcaptions();
  EXPECT_EQ(versus.message.str(), "BODY BLOW!");
  versus.framecount = 100;
  versus.setcaptions();
  EXPECT_EQ(versus.message.str(), "FIGHT!");
  EXPECT_EQ(versus.message.timer, 80);
}

TEST_F(captiontest, ACaptionRunningAtTheEndShowsOnTheFirstFrameOfTheNextMatch) {
  game->current.mode = gamemode::single;
  game->current.level = 4;
  game->carried.message.set("  YOU WIN!  ", 40);
  game->beginmatch();
  match& m = *game->playing;
  EXPECT_EQ(m.framecount, 0);
  media::cls();
  m.setcaptions();
  drawcaption(m.message, m.colours);
  EXPECT_EQ(m.message.str(), "  YOU WIN!  ");
  EXPECT_FALSE(measure(media::test::backbuffer()).empty());
  m.framecount = 1;
  m.setcaptions();
  EXPECT_EQ(m.message.str(), "   LEVEL 4   ");
}

}  // namespace
}  // namespace flopfist
