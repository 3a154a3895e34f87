// The application's side of a match tick: the music kept going, the step's events played out, and
// the ticks a hit pause holds.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "app/fightgame.h"
#include "app/replayview.h"
#include "match/timeline.h"
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

// A won level's bonus joins the series score, and playing a step's events waits for nothing: the
// hit pause is ticks of the match loop.
TEST_F(frametest, TheLevelBonusIsScoredAndNothingWaits) {
  game->current.score = 1000;
  game->beginmatch();
  matchevents ev;
  ev.hitpauses = 2;
  ev.won = true;
  ev.levelbonus = 234;
  const double before = media::test::clock();
  game->play(ev);
  EXPECT_EQ(media::test::clock(), before);
  EXPECT_EQ(game->current.score, 1234);
}

// A versus match with both players steering in turn, a new direction every 60 frames, as the
// recorded versus match plays. Nothing sleeps, so every tick is one frame of the virtual clock.
class holdtest : public gametest {
 protected:
  void start() {
    media::test::reset();
    game = makegame();
    game->current.mode = gamemode::versus;
    media::seedrnd(31337);
    namespace key = media::key;
    for (int k = 0; k * 60 < 4000; ++k) {
      for (int pressed : {std::array{key::right, key::up, key::left, key::down}[size_t(k % 4)],
                          std::array{key::a, key::s, key::d, key::w}[size_t(k % 4)]}) {
        media::test::press(k * 60 + 1, pressed);
        media::test::release(k * 60 + 60, pressed);
      }
    }
    game->beginmatch();
  }
  // The step of the match's first hit pause, played blind; 0 when none came in a minute.
  int firsthitpause() {
    start();
    media::test::blind(true);
    while (game->taping.steps() < 3600) {
      const bool stepping = game->held == 0;
      game->matchframe();
      if (stepping && game->held >= hitpauseticks) return game->taping.steps();
    }
    return 0;
  }
  std::unique_ptr<fightgame> game;
};

// Through a hit pause the match holds still and the picture shown before the blow stays on screen;
// the blow's own picture, drawn when it was stepped, shows on the last tick held, 200 ms on. A key
// tapped and let go within a held tick reaches the step after, as when the loop slept through the
// pause: an Escape tapped so leaves the match on that step.
TEST_F(holdtest, AHitPauseHoldsThePictureBeforeTheBlowAndKeepsATapForTheNextStep) {
  const int at = firsthitpause();
  ASSERT_GT(at, 0) << "no hit pause in a minute";
  start();  // again, blind but for the step before the blow and the blow's own
  media::test::blind(true);
  while (game->taping.steps() < at - 2 || game->held > 0) game->matchframe();
  media::test::blind(false);
  while (game->taping.steps() < at - 1 || game->held > 0) game->matchframe();
  game->matchframe();
  const int held = game->held;
  ASSERT_GE(held, hitpauseticks);
  const media::test::frame before = media::test::presented();
  const media::test::frame blow = media::test::backbuffer();
  EXPECT_FALSE(before.pixels == blow.pixels) << "the blow's picture should differ from the one before";
  media::test::quicktap(media::test::frames() + 3, media::key::escape);
  const double start = media::test::clock();
  for (int k = 1; k <= held; ++k) {
    game->matchframe();
    EXPECT_EQ(game->taping.steps(), at) << "tick " << k;
    EXPECT_NEAR(media::test::clock() - start, k * 1000.0 / 60, 1e-6) << "tick " << k;
    if (k < held) {
      ASSERT_TRUE(media::test::presented().pixels == before.pixels) << "tick " << k;
    }
  }
  EXPECT_GE(media::test::clock() - start, 200.0 - 1e-6);
  EXPECT_TRUE(media::test::presented().pixels == blow.pixels);
  EXPECT_FALSE(media::keydown(media::key::escape));
  game->matchframe();
  EXPECT_EQ(game->taping.steps(), at + 1);
  EXPECT_EQ(game->playing->ending(), result::left) << "versus leaves at once on the Escape tapped";
}

// Its replay is shown on the same ticks as it was played: each step's picture comes on the frame
// it came live, hit pauses and slowed frames included; at double speed in about half the frames.
TEST_F(holdtest, AReplayShowsEveryStepOnTheTickItCameLive) {
  const int pausesat = firsthitpause();
  ASSERT_GT(pausesat, 0) << "no hit pause in a minute";
  start();
  media::test::blind(true);
  std::vector<int> live;  // by tick: the step whose picture is on screen
  int shown = 0;
  auto tick = [&] {
    game->matchframe();
    if (game->held == 0) shown = game->taping.steps();
    live.push_back(shown);
  };
  while (game->taping.steps() < pausesat + 120) tick();
  media::test::quicktap(media::test::frames() + 1, media::key::escape);  // versus leaves at once
  while (game->playing->state != matchstate::end || game->held > 0) tick();
  const replay tape = game->taping.finish(*game->playing, 0, 0);

  std::vector<int> watched;
  {
    replayview view(*game, tape);
    int onscreen = 0;
    while (watched.size() < live.size() && view.frame()) {
      if (!view.holding()) onscreen = view.playing().steps();
      watched.push_back(onscreen);
    }
    EXPECT_TRUE(view.playing().verified());
  }
  EXPECT_EQ(watched, live);

  replayview fast(*game, tape);
  media::test::tap(media::test::frames() + 1, media::key::space);
  int frames = 0;
  while (!fast.playing().finished() || fast.holding()) {
    ASSERT_TRUE(fast.frame());
    ++frames;
  }
  EXPECT_LE(frames, int(live.size()) / 2 + 2);
  EXPECT_GE(frames, int(live.size()) / 2 - 2);
}

}  // namespace
}  // namespace flopfist
