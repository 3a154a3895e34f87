// The music rotation across matches, a track ending mid-match, and the volume settings.
#include <gtest/gtest.h>

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
