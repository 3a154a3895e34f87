// The music rotation across matches, a track ending mid-match, and the volume settings.
#include <gtest/gtest.h>

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

using musictest = gametest;

TEST_F(musictest, TracksRotateFromThreeAndAnEndedTrackIsFollowed) {
  auto game = makegame();
  loadmusic(*game);
  ASSERT_EQ(game->music.track, 2);
  ASSERT_EQ(game->settings.musicvolume, 6);
  const int tracks[] = {3, 4, 1, 2, 3};
  for (int want : tracks) {
    game->startmusic();
    EXPECT_EQ(game->music.track, want);
    ASSERT_NE(game->music.channel, 0);
    EXPECT_TRUE(media::channelplaying(game->music.channel));
    game->updatemusic();  // still playing: nothing changes
    EXPECT_EQ(game->music.track, want);
    game->stopmusic();
    EXPECT_FALSE(media::channelplaying(game->music.channel));
  }

  const std::vector<std::string> cued = media::test::cuedsounds();
  ASSERT_EQ(cued.size(), 5u);
  EXPECT_EQ(cued[0], "music/tt3.ogg");
  EXPECT_EQ(cued[1], "music/tt4.ogg");
  EXPECT_EQ(cued[2], "music/tt1.ogg");
  EXPECT_EQ(cued[3], "music/tt2.ogg");

  // A track that ends during a match: the next frame's update starts the next one.
  game->startmusic();
  ASSERT_EQ(game->music.track, 4);
  const media::channel ended = game->music.channel;
  media::stopchannel(ended);
  game->updatemusic();
  EXPECT_EQ(game->music.track, 1);
  EXPECT_NE(game->music.channel, 0);
  EXPECT_TRUE(media::channelplaying(game->music.channel));
  EXPECT_FALSE(media::channelplaying(ended));
  EXPECT_EQ(media::test::cuedsounds().back(), "music/tt1.ogg");
  game->stopmusic();
}

TEST_F(musictest, VolumeZeroStartsNoChannelAndKeepsTheRotation) {
  auto game = makegame();
  loadmusic(*game);
  game->settings.musicvolume = 0;
  game->startmusic();
  game->updatemusic();
  EXPECT_EQ(game->music.track, 2);
  EXPECT_EQ(game->music.channel, 0);
  game->stopmusic();

  // Turned up again, the rotation resumes where it was.
  game->settings.musicvolume = 1;
  game->startmusic();
  EXPECT_EQ(game->music.track, 3);
  EXPECT_TRUE(media::channelplaying(game->music.channel));
  // Turned down between matches: the stopped channel stays stopped.
  game->stopmusic();
  game->settings.musicvolume = 0;
  game->startmusic();
  game->updatemusic();
  EXPECT_EQ(game->music.track, 3);
  EXPECT_FALSE(media::channelplaying(game->music.channel));
  EXPECT_EQ(media::test::cuedsounds().size(), 1u);
}

// The browser fetches the tracks after the title: a match whose track has not arrived plays in
// silence, keeps its place in the rotation, and starts that track once its file is there.
TEST_F(musictest, ATrackMissingAtFirstStartsOnceItArrives) {
  namespace fs = std::filesystem;
  auto game = makegame();
  media::test::latesounds(true);
  const std::string folder = workdir + "/late";
  fs::create_directory(folder);
  auto track = [&](int t) { return folder + "/tt" + std::to_string(t) + ".ogg"; };
  for (int t = 1; t <= 4; ++t) game->art.music[size_t(t)] = media::loadlatesound(track(t));
  EXPECT_FALSE(media::soundready(game->art.music[3]));
  EXPECT_EQ(media::cuesound(game->art.music[3]), 0);

  game->startmusic();
  ASSERT_EQ(game->music.track, 3);
  EXPECT_EQ(game->music.channel, 0);
  game->updatemusic();  // still not there: no skipping on to a later track
  EXPECT_EQ(game->music.track, 3);
  EXPECT_EQ(game->music.channel, 0);
  EXPECT_TRUE(media::test::cuedsounds().empty());

  fs::copy_file(assetdir() + "/music/tt3.ogg", track(3));
  game->updatemusic();
  EXPECT_EQ(game->music.track, 3);
  ASSERT_NE(game->music.channel, 0);
  EXPECT_TRUE(media::channelplaying(game->music.channel));
  EXPECT_FLOAT_EQ(media::test::channelvolume(game->music.channel), 0.6f);
  const media::channel started = game->music.channel;
  game->updatemusic();  // playing: started once, not again
  EXPECT_EQ(game->music.channel, started);
  EXPECT_EQ(media::test::cuedsounds(), std::vector<std::string>{track(3)});
  game->stopmusic();

  // A match that ends before its track arrives leaves nothing to start between matches.
  game->startmusic();
  ASSERT_EQ(game->music.track, 4);
  EXPECT_EQ(game->music.channel, 0);
  game->stopmusic();
  fs::copy_file(assetdir() + "/music/tt4.ogg", track(4));
  game->updatemusic();
  EXPECT_EQ(game->music.channel, 0);
  EXPECT_EQ(media::test::cuedsounds().size(), 1u);
  // The next match finds it there.
  game->music.track = 3;
  game->startmusic();
  EXPECT_NE(game->music.channel, 0);
  EXPECT_EQ(media::test::cuedsounds().back(), track(4));
  game->stopmusic();
}

TEST_F(musictest, EffectsPlayOverlappingAndNotAtVolumeZero) {
  auto game = makegame();
  game->settings.soundsvolume = 0;
  game->playeffect(game->art.blowsound);
  EXPECT_TRUE(media::test::cuedsounds().empty());
  game->settings.soundsvolume = 6;
  game->playeffect(game->art.blowsound);
  game->playeffect(game->art.blocksound);
  game->playeffect(game->art.blowsound);
  const std::vector<std::string> want{"sounds/blow.wav", "sounds/block.wav", "sounds/blow.wav"};
  EXPECT_EQ(media::test::cuedsounds(), want);
}

}  // namespace
}  // namespace flopfist::testing
