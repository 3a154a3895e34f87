// The application's side of a match frame: the music kept going, and the step's events played out.
#include <gtest/gtest.h>

#include <string>

#include "app/fightgame.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

using flopfist::testing::gametest;
using flopfist::testing::makegame;

class frametest : public gametest {
 protected:
  void SetUp() override {
    gametest::SetUp();
    game = makegame();
    for (int t = 1; t <= 4; ++t) {
      game->art.music[size_t(t)] = media::loadsound("music/tt" + std::to_string(t) + ".ogg");
    }
    game->current.mode = gamemode::single;
    game->current.level = 1;
  }
  std::unique_ptr<fightgame> game;
};

TEST_F(frametest, ATrackThatEndsMidMatchIsFollowedByTheNextFrame) {
  game->startmusic();
  game->beginmatch();
  game->matchframe();
  const int track = game->music.track;
  const size_t cued = media::test::cues().size();
  game->matchframe();
  EXPECT_EQ(media::test::cues().size(), cued) << "a playing track is left alone";

  media::stopchannel(game->music.channel);  // as when the track reaches its end
  game->matchframe();
  EXPECT_EQ(game->music.track, track % 4 + 1);
  ASSERT_GT(media::test::cues().size(), cued);
  EXPECT_EQ(media::test::cues().back().path, "music/tt" + std::to_string(track % 4 + 1) + ".ogg");
  EXPECT_TRUE(media::channelplaying(game->music.channel));
}

// Each step of a volume setting is a tenth of full volume, for the music and for the effects.
TEST_F(frametest, VolumesAreTenthsOfTheSetting) {
  for (int setting : {1, 6, 10}) {
    SCOPED_TRACE(setting);
    game->settings.musicvolume = setting;
    game->startmusic();
    EXPECT_FLOAT_EQ(media::test::channelvolume(game->music.channel), float(setting) / 10);
    game->stopmusic();
  }
  game->settings.soundsvolume = 3;
  game->beginmatch();
  matchevents ev;
  ev.sounds[0] = sound::blow;
  ev.sounds[1] = sound::block;
  ev.soundcount = 2;
  const size_t before = media::test::cues().size();
  game->play(ev);
  ASSERT_EQ(media::test::cues().size(), before + 2);
  EXPECT_EQ(media::test::cues()[before].path, "sounds/blow.wav");
  EXPECT_EQ(media::test::cues()[before + 1].path, "sounds/block.wav");
}

// The hit pause is the application's to wait; a won level's bonus joins the series score.
TEST_F(frametest, HitPausesWaitAndTheLevelBonusIsScored) {
  game->current.score = 1000;
  game->beginmatch();
  matchevents ev;
  ev.hitpauses = 2;
  ev.won = true;
  ev.levelbonus = 234;
  const double before = media::test::clock();
  game->play(ev);
  EXPECT_GE(media::test::clock() - before, 400.0);
  EXPECT_LT(media::test::clock() - before, 420.0);
  EXPECT_EQ(game->current.score, 1234);
}

}  // namespace
}  // namespace flopfist
