// Start-up and splash, the palette, the series loops and a missing asset, in test mode.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/fightgame.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/app/readback.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

using starttest = gametest;

constexpr double framems = 1000.0 / 60.0;

// Runs start-up; returns the exit code when the program ended inside it, -1 otherwise.
int startup(fightgame& game) {
  try {
    game.startup();
  } catch (const media::programexit& e) {
    return e.code;
  }
  return -1;
}

TEST_F(starttest, SplashLastsTwoSecondsAfterTheMusicStartsLoading) {
  fightgame game;
  EXPECT_EQ(game.music.track, 2);  // drawn before seeding: the first match plays track 3
  ASSERT_EQ(startup(game), -1);
  // t0 is read after the first present; the loop ends on the first frame more than 2000 ms later.
  const double t0 = framems;
  EXPECT_GT(media::test::clock() - t0, 2000.0 - 1.0);
  EXPECT_LE(media::test::clock() - t0, 2000.0 + 2 * framems);

  const auto f = media::test::presented();
  // The picture fills 409..613 x 196..470; the caption is white and centred near y = 500.
  EXPECT_GT(litcolumns(f, 196, 471).left, 400);
  EXPECT_LT(litcolumns(f, 196, 471).right, 620);
  const span caption = litcolumns(f, 500, 500 + 38);
  ASSERT_GE(caption.left, 0);
  EXPECT_NEAR((caption.left + caption.right) / 2.0, 512.0, 6.0);
  const rgb white = brightest(f, 0, 500, 1024, 538);
  EXPECT_TRUE(near(white, {255, 255, 255}, 8)) << white.r << "," << white.g << "," << white.b;
  EXPECT_FALSE(media::test::backbuffer().pixels.empty());

  game.startmusic();
  EXPECT_EQ(game.music.track, 3);
}

TEST_F(starttest, SpaceEnterOrEscapeHeldEndTheSplashEarly) {
  for (int k : {media::key::space, media::key::enter, media::key::escape}) {
    media::test::reset();
    media::test::press(40, k);
    fightgame game;
    ASSERT_EQ(startup(game), -1);
    EXPECT_EQ(media::test::frames(), 40) << "key " << k;
  }
  // Held from the very start: the splash still shows its first loop frame after the music loaded.
  media::test::reset();
  media::test::press(0, media::key::space);
  fightgame game;
  ASSERT_EQ(startup(game), -1);
  EXPECT_EQ(media::test::frames(), 2);
}

TEST_F(starttest, TheMainMenuFollowsTheSplashAndEscapeEndsWithCodeZero) {
  media::test::press(1, media::key::space);  // held: the splash ends on its first loop frame
  media::test::release(5, media::key::space);
  media::test::tap(20, media::key::escape);
  fightgame game;
  int code = -1;
  try {
    game.run();
  } catch (const media::programexit& e) {
    code = e.code;
  }
  EXPECT_EQ(code, 0);
  EXPECT_EQ(media::test::frames(), 20);
  const auto f = media::test::presented();
  savepng(f, artefact("testmode_mainmenu.png"));
  // The title: palette colour 1, centred at the top.
  const span title = litcolumns(f, 20, 20 + 122);
  ASSERT_GE(title.left, 0);
  EXPECT_NEAR((title.left + title.right) / 2.0, 512.0, 6.0);
  const palette& shown = game.colours;
  EXPECT_TRUE(near(brightest(f, 0, 20, 1024, 142), {shown.colours[1][1], shown.colours[1][2],
                                                     shown.colours[1][3]}));
  // Nothing below the last entry.
  EXPECT_EQ(litcolumns(f, 610, 768).left, -1);  // below the tail of the Q
}

// Run as the program runs (not in test mode) in a child process, so nothing is cached from
// earlier tests and the real way out is taken.
void startwithout(const std::string& dir) {
  static std::string workdir;
  workdir = std::filesystem::current_path().string();
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(workdir, ignored);
  });
  std::filesystem::remove(dir);
  alarm(60);  // a game that does not notice the missing file would otherwise run on
  media::shutdown();
  media::init(false);
  fightgame game;
  game.run();
}

TEST_F(starttest, AMissingAssetIsNamedAndEndsWithAnErrorCode) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(startwithout("images"), ::testing::ExitedWithCode(1), "images/quad280\\.png");
  EXPECT_EXIT(startwithout("sounds"), ::testing::ExitedWithCode(1), "sounds/blow\\.wav");
  EXPECT_EXIT(startwithout("music"), ::testing::ExitedWithCode(1), "music/tt1\\.ogg");
}

TEST_F(starttest, PaletteRisesFromBlackThenWandersWithinRange) {
  media::test::press(0, media::key::space);
  fightgame game;
  ASSERT_EQ(startup(game), -1);
  const auto& colours = game.colours.colours;
  for (int c = 1; c <= palette::colourcount; ++c) {
    for (int k = 1; k <= 3; ++k) ASSERT_EQ(colours[c][k], 0);
  }
  // A component turns at random about once in 100 frames, so over ten frames nearly all rise.
  int rising = 0;
  for (int frame = 1; frame <= 10; ++frame) game.cyclecolours();
  for (int c = 1; c <= palette::colourcount; ++c) {
    for (int k = 1; k <= 3; ++k) rising += colours[c][k] == 20;
  }
  EXPECT_GE(rising, 28);

  int previous[palette::colourcount + 1][4];
  int turns = 0, steps = 0, low = 0, high = 0;
  int lastdelta[palette::colourcount + 1][4] = {};
  for (int frame = 0; frame < 20000; ++frame) {
    std::copy(&colours[0][0], &colours[0][0] + sizeof previous / sizeof(int), &previous[0][0]);
    game.cyclecolours();
    for (int c = 1; c <= palette::colourcount; ++c) {
      for (int k = 1; k <= 3; ++k) {
        const int v = colours[c][k], delta = v - previous[c][k];
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 255);
        ASSERT_EQ(std::abs(delta), 2);
        low += v < 40;
        high += v > 215;
        // Turns away from the ends are the random ones.
        if (previous[c][k] > 4 && previous[c][k] < 250) {
          ++steps;
          turns += lastdelta[c][k] != 0 && delta != lastdelta[c][k];
        }
        lastdelta[c][k] = delta;
      }
    }
  }
  EXPECT_GT(low, 1000);
  EXPECT_GT(high, 1000);
  const double turnrate = double(turns) / steps;
  EXPECT_GT(turnrate, 0.005);
  EXPECT_LT(turnrate, 0.02);
}

// A game whose matches are scripted: each returns the next result and notes what it saw.
class scriptedgame : public fightgame {
 public:
  std::vector<result> results;
  struct seen {
    int level;
    int wins1, wins2;
    int64_t score;
    int track;
  };
  std::vector<seen> matches;
  result repeatresult = result::first;  // when the script runs out

  result playmatch() override {
    matches.push_back({current.level, current.wins[1], current.wins[2], current.score, music.track});
    current.score += 1000;
    return matches.size() <= results.size() ? results[matches.size() - 1] : repeatresult;
  }
};

using seriestest = gametest;

TEST_F(seriestest, VersusCountsWinsUntilAMatchIsLeft) {
  scriptedgame game;
  game.art = openassets();
  loadmusic(game);
  game.settings = options{};
  game.current.mode = gamemode::versus;
  game.current.level = 7;
  game.current.wins = {0, 5, 5};
  game.results = {result::first, result::second, result::first, result::first, result::left};
  game.playseries();
  ASSERT_EQ(game.matches.size(), 5u);
  EXPECT_EQ(game.current.wins[1], 3);
  EXPECT_EQ(game.current.wins[2], 1);
  EXPECT_EQ(game.current.level, 1);
  EXPECT_EQ(game.matches[0].wins1, 0);
  EXPECT_EQ(game.matches[0].wins2, 0);
  EXPECT_EQ(game.matches[4].wins1, 3);
  EXPECT_EQ(game.matches[4].wins2, 1);
  for (const auto& m : game.matches) EXPECT_EQ(m.level, 1);
  // Each match begins the next track: 3, 4, 1, 2, 3.
  const int tracks[] = {3, 4, 1, 2, 3};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(game.matches[i].track, tracks[i]);
  EXPECT_FALSE(media::channelplaying(game.music.channel));
}

TEST_F(seriestest, OnePlayerAndCoopEndOnALossOnEscapeAndAfterLevelTwenty) {
  for (gamemode mode : {gamemode::single, gamemode::coop}) {
    scriptedgame lost;
    lost.current.mode = mode;
    lost.current.score = 99;
    lost.results = {result::first, result::first, result::second, result::first};
    lost.playseries();
    ASSERT_EQ(lost.matches.size(), 3u) << int(mode);
    EXPECT_EQ(lost.matches[0].score, 0);
    EXPECT_EQ(lost.matches[2].level, 3);
    EXPECT_EQ(lost.matches[2].score, 2000);  // the score runs on from level to level

    scriptedgame left;
    left.current.mode = mode;
    left.results = {result::first, result::left, result::first};
    left.playseries();
    EXPECT_EQ(left.matches.size(), 2u) << int(mode);

    scriptedgame won;
    won.current.mode = mode;
    won.playseries();
    ASSERT_EQ(won.matches.size(), 20u) << int(mode);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(won.matches[i].level, i + 1);
    EXPECT_EQ(won.current.level, 21);
  }
}

}  // namespace
}  // namespace flopfist::testing
