// The match loop driven by scripted keys: leaving, pausing, the close button, the shortcut, determinism.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

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
  void mode(const std::string& m, int level = 1) {
    game->gamemode = m;
    game->level = level;
  }
  std::unique_ptr<fightgame> game;
};

TEST_F(looptest, EscapeHeldLeavesTheMatchAndEndsTheSeriesInEveryMode) {
  for (const char* m : {"1", "2coop", "2vs"}) {
    SCOPED_TRACE(m);
    media::test::reset();
    game = makegame();
    mode(m);
    media::test::press(30, key::escape);
    media::test::closewindow(400);  // only reached if the series went on
    EXPECT_NO_THROW(game->playseries());
    EXPECT_EQ(game->matchresult, 3);
    EXPECT_EQ(game->matchstate, "end");
    EXPECT_LE(media::test::frames(), 31);
    EXPECT_EQ(game->wins[1] + game->wins[2], 0);
  }
}

TEST_F(looptest, PlaymatchReturnsThreeAfterEscape) {
  mode("1", 4);
  media::test::press(50, key::escape);
  EXPECT_EQ(game->playmatch(), 3);
  EXPECT_EQ(game->framecount, 51);
  EXPECT_EQ(game->outcome, 0);
}

TEST_F(looptest, PauseStopsTheMatchUntilPIsHitAgain) {
  mode("1", 3);
  media::test::tap(60, key::p);
  media::test::tap(90, key::p);
  media::test::press(150, key::escape);
  EXPECT_EQ(game->playmatch(), 3);
  // Thirty presents were spent paused; the match counted only the others.
  EXPECT_EQ(media::test::frames() - game->framecount, 30);
  EXPECT_EQ(game->framecount, 121);
}

TEST_F(looptest, EscapeLeavesThePauseAndTheMatch) {
  mode("2vs");
  media::test::tap(60, key::p);
  media::test::press(90, key::escape);
  EXPECT_EQ(game->playmatch(), 3);
  EXPECT_EQ(game->framecount, 61);
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

TEST_F(looptest, PauseKeepsTheLastFrameOnScreen) {
  game->matchstate = "game";
  media::test::tap(1, key::p);
  redpresentedgreendrawn();
  media::test::tap(6, key::p);
  game->pausecheck();
  EXPECT_EQ(media::test::frames(), 6);
  const auto shown = media::test::presented();
  EXPECT_EQ(shown.r(500, 400), 255);
  EXPECT_EQ(shown.g(500, 400), 0);
  // The frame being drawn is untouched and comes out with the next present.
  const auto drawn = media::test::backbuffer();
  EXPECT_EQ(drawn.g(500, 400), 255);
  EXPECT_EQ(drawn.r(500, 400), 0);
}

TEST_F(looptest, TheCloseButtonEndsTheProgramFromAPause) {
  media::test::tap(1, key::p);
  redpresentedgreendrawn();
  media::test::closewindow(20);
  try {
    game->pausecheck();
    ADD_FAILURE() << "the pause did not end the program";
  } catch (const media::programexit& e) {
    EXPECT_EQ(e.code, 0);
  }
  EXPECT_EQ(media::test::frames(), 20);
  EXPECT_EQ(media::test::presented().r(500, 400), 255);  // still the last frame, not garbage

  // The same from a whole match.
  media::test::reset();
  game = makegame();
  mode("1", 2);
  media::test::tap(40, key::p);
  media::test::closewindow(70);
  try {
    game->playmatch();
    ADD_FAILURE() << "the match did not end the program";
  } catch (const media::programexit& e) {
    EXPECT_EQ(e.code, 0);
  }
  EXPECT_EQ(game->framecount, 41);
}

TEST_F(looptest, PDoesNothingOnTheGameOverAndScoreScreens) {
  media::test::tap(1, key::p);
  media::flip(-1);
  for (const char* state : {"game over", "highscores"}) {
    game->matchstate = state;
    game->pausecheck();
    EXPECT_EQ(media::test::frames(), 1) << state;
  }
  // The hit is still waiting, and pauses any other state.
  game->matchstate = "tell result";
  media::test::tap(4, key::p);
  game->pausecheck();
  EXPECT_EQ(media::test::frames(), 4);
}

TEST_F(looptest, FourAndOneKnockOutEveryoneButFighterOne) {
  mode("2coop", 1);
  game->setupmatch();
  media::test::press(5, key::digit4);
  media::test::press(5, key::digit1);
  for (int i = 0; i < 6; ++i) game->matchframe();
  EXPECT_GT(game->fighters[1]->energy, 0);
  EXPECT_EQ(game->fighters[2]->energy, 0);  // player 2 too, whatever the mode
  EXPECT_EQ(game->fighters[3]->energy, 0);
  EXPECT_EQ(game->outcome, 1);
  EXPECT_EQ(game->matchstate, "tell result");

  // A versus match so decided ends on its own after "tell result".
  media::test::reset();
  game = makegame();
  mode("2vs");
  media::test::press(5, key::digit4);
  media::test::press(5, key::digit1);
  media::test::closewindow(1000);
  EXPECT_EQ(game->playmatch(), 1);
  EXPECT_LT(media::test::frames(), 420);
}

// Fighters, camera, counters, palette and the random generator, folded into one number.
uint64_t statehash(const fightgame& g) {
  uint64_t h = 1469598103934665603ull;
  auto mix = [&](const void* p, size_t n) {
    const auto* bytes = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i) h = (h ^ bytes[i]) * 1099511628211ull;
  };
  auto mixvalue = [&](auto v) { mix(&v, sizeof v); };
  for (int i = 1; i <= g.fightercount; ++i) {
    const man& f = *g.fighters[i];
    for (int k = 1; k <= 26; ++k) {
      const ball& b = f.balls[k];
      for (float v : {b.x, b.y, b.vx, b.vy}) mixvalue(v);
      mixvalue(b.flash);
    }
    mixvalue(f.energy);
    mixvalue(f.dead);
    mixvalue(f.direction);
  }
  for (float v : {g.camerax, g.cameray, g.zoom}) mixvalue(v);
  for (int v : {g.framecount, g.outcome, g.combo, g.burstcursor, media::rndstate()}) mixvalue(v);
  mixvalue(g.comboscore);
  mix(g.colours, sizeof g.colours);
  mix(g.matchstate.data(), g.matchstate.size());
  return h;
}

// One-player level 8 with the arrow keys held in turn, two seconds each.
uint64_t playlevel8(int seed, int frames) {
  media::test::reset();
  auto game = makegame();
  media::seedrnd(seed);
  const int arrows[] = {key::right, key::down, key::left, key::up};
  for (int k = 0; k * 120 < frames; ++k) {
    media::test::press(k * 120 + 1, arrows[k % 4]);
    media::test::release(k * 120 + 120, arrows[k % 4]);
  }
  game->gamemode = "1";
  game->level = 8;
  game->setupmatch();
  for (int i = 0; i < frames && game->matchstate != "end"; ++i) game->matchframe();
  EXPECT_EQ(game->fightercount, 5);
  return statehash(*game);
}

TEST_F(looptest, TheSameSeedAndKeysGiveTheSameMatch) {
  const uint64_t first = playlevel8(20261208, 3600);
  const uint64_t second = playlevel8(20261208, 3600);
  EXPECT_EQ(first, second);
}

// Plays a match headless with the arrow keys held in turn, checks that the camera keeps every living
// fighter on screen and saves frames for a person to look at.
void watch(const std::string& name, const std::string& mode, int level, int frames) {
  media::test::reset();
  auto game = makegame();
  media::seedrnd(4242);
  const int arrows[] = {key::right, key::up, key::left, key::down};
  const int wasd[] = {key::a, key::w, key::d, key::s};
  for (int k = 0; k * 90 < frames; ++k) {
    media::test::press(k * 90 + 1, arrows[k % 4]);
    media::test::release(k * 90 + 90, arrows[k % 4]);
    if (mode == "2vs") {
      media::test::press(k * 90 + 1, wasd[k % 4]);
      media::test::release(k * 90 + 90, wasd[k % 4]);
    }
  }
  game->gamemode = mode;
  game->level = level;
  game->setupmatch();
  for (int f = 1; f <= frames && game->matchstate != "end"; ++f) {
    game->matchframe();
    if (f >= 30) {  // once the scattered balls have gathered into bodies
      for (int i = 1; i <= game->fightercount; ++i) {
        const man& m = *game->fighters[i];
        if (m.dead) continue;
        float cx = 0, cy = 0;
        for (int k = 1; k <= 26; ++k) {
          cx += m.balls[k].x / 26;
          cy += m.balls[k].y / 26;
        }
        const float sx = 512 + game->zoom * (cx - game->camerax);
        const float sy = 384 + game->zoom * (cy - game->cameray);
        EXPECT_TRUE(sx > 0 && sx < 1024 && sy > 0 && sy < 768)
            << name << " frame " << f << " fighter " << i << " at " << sx << "," << sy;
      }
    }
    if (f == 30 || f == 100 || f == 300 || f == 600 || f == 900) {
      char file[64];
      std::snprintf(file, sizeof file, "%s-frame-%04d.png", name.c_str(), f);
      EXPECT_TRUE(media::test::savepng(media::test::presented(), artefact(file)));
    }
  }
}

TEST_F(looptest, TheCameraFramesEveryFighterOfLevel1) { watch("level01", "1", 1, 900); }
TEST_F(looptest, TheCameraFramesEveryFighterOfLevel8) { watch("level08", "1", 8, 900); }
TEST_F(looptest, TheCameraFramesEveryFighterOfLevel10) { watch("level10", "1", 10, 900); }
TEST_F(looptest, TheCameraFramesBothFightersOfAVersusMatch) { watch("versus", "2vs", 1, 900); }

}  // namespace
}  // namespace flopfist
