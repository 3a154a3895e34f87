// The match loop driven by scripted keys: leaving, pausing, the close button, the shortcut, the camera.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/fightgame.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

using flopfist::testing::artefact;
using flopfist::testing::gametest;
using flopfist::testing::makegame;
namespace key = media::key;

class looptest : public gametest {
 protected:
  void SetUp() override {
    gametest::SetUp();
    game = makegame();
  }
  void mode(gamemode g, int level = 1) {
    game->current.mode = g;
    game->current.level = level;
  }
  match& m() { return *game->playing; }
  std::unique_ptr<fightgame> game;
};

TEST_F(looptest, EscapeHeldLeavesTheMatchAndEndsTheSeriesInEveryMode) {
  for (gamemode g : {gamemode::single, gamemode::coop, gamemode::versus}) {
    SCOPED_TRACE(g == gamemode::single ? "one player" : g == gamemode::coop ? "co-op" : "versus");
    media::test::reset();
    game = makegame();
    mode(g);
    media::test::press(30, key::escape);
    media::test::closewindow(400);  // only reached if the series went on
    EXPECT_NO_THROW(game->playseries());
    EXPECT_EQ(m().ending(), result::left);
    EXPECT_EQ(m().state, matchstate::end);
    EXPECT_LE(media::test::frames(), 31);
    EXPECT_EQ(game->current.wins[1] + game->current.wins[2], 0);
  }
}

TEST_F(looptest, PlaymatchReturnsThreeAfterEscape) {
  mode(gamemode::single, 4);
  media::test::press(50, key::escape);
  EXPECT_EQ(game->playmatch(), result::left);
  EXPECT_EQ(m().framecount, 51);
  EXPECT_EQ(m().decided, outcome::undecided);
}

TEST_F(looptest, PauseStopsTheMatchUntilPIsHitAgain) {
  mode(gamemode::single, 3);
  game->settings.slowmotion = 0;  // no hit pause or slowed frame: every tick not paused steps
  media::test::tap(60, key::p);
  media::test::tap(90, key::p);
  media::test::press(150, key::escape);
  EXPECT_EQ(game->playmatch(), result::left);
  // Thirty presents were spent paused; the match counted only the others.
  EXPECT_EQ(media::test::frames() - m().framecount, 30);
  EXPECT_EQ(m().framecount, 121);
}

TEST_F(looptest, EscapeLeavesThePauseAndTheMatch) {
  mode(gamemode::versus);
  media::test::tap(60, key::p);
  media::test::press(90, key::escape);
  EXPECT_EQ(game->playmatch(), result::left);
  EXPECT_EQ(m().framecount, 61);
  EXPECT_EQ(media::test::frames(), 91);
}

// A presented red frame, and a green one being drawn when P arrives.
void redpresentedgreendrawn() {
  media::setblend(media::blend::solid);
  media::setcolor(255, 0, 0);
  media::drawrect(0, 0, 1024, 768);
  media::flip(-1);
  media::setcolor(0, 255, 0);
  media::drawrect(0, 0, 1024, 768);
}

// Nothing steps while paused; the frozen match is drawn again under the banner, so no stray frame
// (the red one presented, the green one half drawn) shows through.
TEST_F(looptest, PauseHoldsTheMatchUnderItsBanner) {
  game->beginmatch();
  media::test::tap(1, key::p);
  redpresentedgreendrawn();
  media::test::tap(6, key::p);
  const int before = m().framecount;
  frameinput in;
  game->pausecheck(in);
  EXPECT_EQ(media::test::frames(), 6);
  EXPECT_EQ(m().framecount, before);
  const auto shown = media::test::presented();
  EXPECT_NE(shown.at(500, 400), 0xffff0000u);
  EXPECT_NE(shown.at(500, 400), 0xff00ff00u);
}

TEST_F(looptest, TheCloseButtonEndsTheProgramFromAPause) {
  game->beginmatch();
  media::test::tap(1, key::p);
  redpresentedgreendrawn();
  media::test::closewindow(20);
  try {
    frameinput in;
    game->pausecheck(in);
    ADD_FAILURE() << "the pause did not end the program";
  } catch (const media::programexit& e) {
    EXPECT_EQ(e.code, 0);
  }
  EXPECT_EQ(media::test::frames(), 20);
  EXPECT_NE(media::test::presented().at(500, 400), 0xff00ff00u) << "the half-drawn frame never shows";

  // The same from a whole match.
  media::test::reset();
  game = makegame();
  mode(gamemode::single, 2);
  media::test::tap(40, key::p);
  media::test::closewindow(70);
  try {
    game->playmatch();
    ADD_FAILURE() << "the match did not end the program";
  } catch (const media::programexit& e) {
    EXPECT_EQ(e.code, 0);
  }
  // The pause comes between frames, before the step of frame 41; the close leaves the match as
  // Escape does, in that step, so its replay is kept, and then the program ends.
  EXPECT_EQ(m().framecount, 41);
  EXPECT_EQ(m().state, matchstate::end);
  EXPECT_EQ(media::test::frames(), 70);
}

TEST_F(looptest, PDoesNothingOnTheGameOverAndScoreScreens) {
  game->beginmatch();
  media::test::tap(1, key::p);
  media::flip(-1);
  frameinput in;
  for (matchstate state : {matchstate::gameover, matchstate::highscores}) {
    m().state = state;
    game->pausecheck(in);
    EXPECT_EQ(media::test::frames(), 1) << int(state);
  }
  // The hit is still waiting, and pauses any other state.
  m().state = matchstate::tellresult;
  media::test::tap(4, key::p);
  game->pausecheck(in);
  EXPECT_EQ(media::test::frames(), 4);
}

TEST_F(looptest, FourAndOneKnockOutEveryoneButFighterOne) {
  mode(gamemode::coop, 1);
  game->beginmatch();
  media::test::press(5, key::digit4);
  media::test::press(5, key::digit1);
  for (int i = 0; i < 6; ++i) game->matchframe();
  EXPECT_GT(m().fighters[1].energy, 0);
  EXPECT_EQ(m().fighters[2].energy, 0);  // player 2 too, whatever the mode
  EXPECT_EQ(m().fighters[3].energy, 0);
  EXPECT_EQ(m().decided, outcome::first);
  EXPECT_EQ(m().state, matchstate::tellresult);

  // A versus match so decided ends on its own after "tell result".
  media::test::reset();
  game = makegame();
  mode(gamemode::versus);
  media::test::press(5, key::digit4);
  media::test::press(5, key::digit1);
  media::test::closewindow(1000);
  EXPECT_EQ(game->playmatch(), result::first);
  EXPECT_LT(media::test::frames(), 420);
}

// Plays a match headless with the arrow keys held in turn, checks that the camera keeps every living
// fighter on screen and saves frames for a person to look at.
void watch(const std::string& name, gamemode mode, int level, int frames) {
  media::test::reset();
  auto game = makegame();
  media::seedrnd(4242);
  const int arrows[] = {key::right, key::up, key::left, key::down};
  const int wasd[] = {key::a, key::w, key::d, key::s};
  for (int k = 0; k * 90 < frames; ++k) {
    media::test::press(k * 90 + 1, arrows[k % 4]);
    media::test::release(k * 90 + 90, arrows[k % 4]);
    if (mode == gamemode::versus) {
      media::test::press(k * 90 + 1, wasd[k % 4]);
      media::test::release(k * 90 + 90, wasd[k % 4]);
    }
  }
  game->current.mode = mode;
  game->current.level = level;
  game->beginmatch();
  const match& m = *game->playing;
  const auto shown = [](int f) { return f == 30 || f == 100 || f == 300 || f == 600 || f == 900; };
  for (int f = 1; f <= frames && m.state != matchstate::end; ++f) {
    media::test::blind(!shown(f));  // only the frames kept as pictures are drawn
    game->matchframe();
    // The step's picture shows once the ticks it holds end; the keys wait for the next step.
    media::test::holdscript(true);
    while (game->held > 0) game->matchframe();
    media::test::holdscript(false);
    if (f >= 30) {  // once the scattered balls have gathered into bodies
      for (int i = 1; i <= m.fightercount; ++i) {
        const man& fighter = m.fighters[size_t(i)];
        if (fighter.dead) continue;
        float cx = 0, cy = 0;
        for (int k = 1; k <= 26; ++k) {
          cx += fighter.balls[size_t(k)].x / 26;
          cy += fighter.balls[size_t(k)].y / 26;
        }
        const float sx = 512 + m.camera.zoom * (cx - m.camera.x);
        const float sy = 384 + m.camera.zoom * (cy - m.camera.y);
        EXPECT_TRUE(sx > 0 && sx < 1024 && sy > 0 && sy < 768)
            << name << " frame " << f << " fighter " << i << " at " << sx << "," << sy;
      }
    }
    if (shown(f)) {
      char file[64];
      std::snprintf(file, sizeof file, "%s-frame-%04d.png", name.c_str(), f);
      EXPECT_TRUE(media::test::savepng(media::test::presented(), artefact(file)));
    }
  }
}

TEST_F(looptest, TheCameraFramesEveryFighterOfLevel1) { watch("level01", gamemode::single, 1, 900); }
TEST_F(looptest, TheCameraFramesEveryFighterOfLevel8) { watch("level08", gamemode::single, 8, 900); }
TEST_F(looptest, TheCameraFramesEveryFighterOfLevel10) { watch("level10", gamemode::single, 10, 900); }
TEST_F(looptest, TheCameraFramesBothFightersOfAVersusMatch) { watch("versus", gamemode::versus, 1, 900); }

}  // namespace
}  // namespace flopfist
