// Sound channels on the dummy audio device: cueing paused, volume, stop, busy channels, music.
#include <cstdlib>
#include <string>

#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace {

using soundtest = flopfist::testing::gametest;

TEST_F(soundtest, ChannelsOfEffects) {
  media::sound* blow = media::loadsound("sounds/blow.wav");
  ASSERT_NE(blow, nullptr);
  EXPECT_EQ(media::loadsound("sounds/blow.wav"), blow);  // loaded once
  const media::channel ch = media::cuesound(blow);
  ASSERT_NE(ch, 0);
  EXPECT_TRUE(media::channelplaying(ch));  // cued paused, still counts as playing
  media::setchannelvolume(ch, 0.5f);
  media::resumechannel(ch);
  EXPECT_TRUE(media::channelplaying(ch));
  media::stopchannel(ch);
  EXPECT_FALSE(media::channelplaying(ch));

  // A stopped channel's number does not reach the next sound in the same mixer channel.
  const media::channel next = media::cuesound(blow);
  ASSERT_NE(next, 0);
  EXPECT_NE(next, ch);
  media::stopchannel(ch);
  EXPECT_TRUE(media::channelplaying(next));
  EXPECT_FALSE(media::channelplaying(0));
  media::stopchannel(0);  // harmless
  EXPECT_EQ(media::test::cuedsounds(),
            (std::vector<std::string>{"sounds/blow.wav", "sounds/blow.wav"}));
}

TEST_F(soundtest, BusyChannelsDropNewEffectsQuietly) {
  media::sound* block = media::loadsound("sounds/block.wav");
  int cued = 0;
  for (int i = 0; i < 40; ++i) cued += media::cuesound(block) != 0 ? 1 : 0;
  EXPECT_GE(cued, 32);
  EXPECT_LT(cued, 40);
  // Once channels free up, effects play again.
  media::test::reset();
  EXPECT_NE(media::cuesound(block), 0);
}

TEST_F(soundtest, OneMusicStreamAtATime) {
  media::sound* one = media::loadsound("music/tt1.ogg");
  media::sound* two = media::loadsound("music/tt2.ogg");
  const media::channel first = media::cuesound(one);
  ASSERT_NE(first, 0);
  media::resumechannel(first);
  EXPECT_TRUE(media::channelplaying(first));
  const media::channel second = media::cuesound(two);
  ASSERT_NE(second, 0);
  EXPECT_FALSE(media::channelplaying(first));  // the new track replaced it
  EXPECT_TRUE(media::channelplaying(second));
  media::stopchannel(second);
  EXPECT_FALSE(media::channelplaying(second));
}

TEST_F(soundtest, MissingSoundEndsTheProgram) {
  ::testing::internal::CaptureStderr();
  EXPECT_THROW(media::loadsound("sounds/none.wav"), media::programexit);
  const std::string message = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(message.find("cannot find sounds/none.wav (looked in " + workdir), std::string::npos)
      << message;
}

}  // namespace

namespace {

TEST_F(soundtest, WithoutAnAudioDeviceTheGameIsSilent) {
  const char* old = std::getenv("SDL_AUDIODRIVER");
  const std::string saved = old != nullptr ? old : "";
  media::shutdown();
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  media::test::reset();
  media::sound* blow = media::loadsound("sounds/blow.wav");
  EXPECT_NE(blow, nullptr);
  const media::channel ch = media::cuesound(blow);
  EXPECT_EQ(ch, 0);
  media::setchannelvolume(ch, 1);
  media::resumechannel(ch);
  EXPECT_FALSE(media::channelplaying(ch));
  EXPECT_THROW(media::loadsound("sounds/none.wav"), media::programexit);
  media::shutdown();
  if (old != nullptr) {
    setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
  } else {
    unsetenv("SDL_AUDIODRIVER");
  }
  media::test::reset();
}

}  // namespace
