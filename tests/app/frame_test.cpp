// The application's side of a match tick: the music kept going, the step's events played out, and
// the ticks a hit pause holds.
#include <gtest/gtest.h>

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

// Versus, the two players walking into each other until a blow makes a hit pause: the tick of the
// step that made it. Nothing sleeps, so every tick is one frame of the virtual clock.
class holdtest : public frametest {
 protected:
  void SetUp() override {
    frametest::SetUp();
    game->current.mode = gamemode::versus;
    game->beginmatch();
    media::test::press(1, media::key::right);
    media::test::press(1, media::key::a);
  }
  // Ticks until a step holds the match for a hit pause; false when none came.
  bool tilhitpause() {
    for (int tick = 0; tick < 3000; ++tick) {
      const bool stepping = game->held == 0;
      game->matchframe();
      if (stepping && game->held >= hitpauseticks) return true;
    }
    return false;
  }
  double frame = 1000.0 / 60;
};

// Through a hit pause the match holds still and the picture shown before the blow stays on screen;
// the blow's own picture, drawn when it was stepped, shows on the last tick held, 200 ms on.
TEST_F(holdtest, AHitPauseHoldsThePictureBeforeTheBlowForItsTicks) {
  ASSERT_TRUE(tilhitpause()) << "no blow in 3000 ticks";
  const int held = game->held;
  const int stepped = game->playing->framecount;
  const media::test::frame shown = media::test::presented();
  const media::test::frame blow = media::test::backbuffer();
  EXPECT_FALSE(shown.pixels == blow.pixels) << "the blow's picture should differ from the one before";
  const double start = media::test::clock();
  for (int k = 1; k <= held; ++k) {
    game->matchframe();
    EXPECT_EQ(game->playing->framecount, stepped) << "tick " << k;
    EXPECT_DOUBLE_EQ(media::test::clock() - start, k * frame) << "tick " << k;
    if (k < held) ASSERT_TRUE(media::test::presented().pixels == shown.pixels) << "tick " << k;
  }
  EXPECT_GE(media::test::clock() - start, 200.0 - 1e-9);
  EXPECT_TRUE(media::test::presented().pixels == blow.pixels);
  game->matchframe();
  EXPECT_EQ(game->playing->framecount, stepped + 1);
}

// A key tapped and let go within one held tick reaches the step after the pause, as when the loop
// slept through it: the replay's snapshot of that step has it, and the one before does not.
TEST_F(holdtest, AKeyTappedDuringAHitPauseReachesTheNextStep) {
  ASSERT_TRUE(tilhitpause()) << "no blow in 3000 ticks";
  media::test::quicktap(media::test::frames() + 3, media::key::up);
  while (game->held > 0) game->matchframe();
  EXPECT_FALSE(media::keydown(media::key::up));
  game->matchframe();
  const int steps = game->taping.steps();
  const replay& r = game->taping.finish(*game->playing, 0, 0);
  std::vector<frameinput> snapshots;
  for (const inputrun& run : r.inputs) snapshots.insert(snapshots.end(), size_t(run.steps), unpackinput(run.bits));
  ASSERT_EQ(int(snapshots.size()), steps);
  EXPECT_TRUE(snapshots[size_t(steps - 1)].player[1].up);
  EXPECT_FALSE(snapshots[size_t(steps - 2)].player[1].up);
  EXPECT_TRUE(snapshots[size_t(steps - 1)].player[1].right) << "a key held through the pause stays held";
}

// Its replay is shown on the same ticks as it was played: each step's picture comes on the frame
// it came live, hit pauses and slowed frames included; at double speed in about half the frames.
TEST_F(holdtest, AReplayShowsEveryStepOnTheTickItCameLive) {
  std::vector<int> live;  // by tick: the step whose picture is on screen
  int shown = 0, pausesat = 0;
  auto tick = [&] {
    game->matchframe();
    if (game->held == 0) shown = game->taping.steps();
    live.push_back(shown);
  };
  while (pausesat == 0 && live.size() < 3000) {
    tick();
    if (game->held >= hitpauseticks) pausesat = game->taping.steps();
  }
  ASSERT_GT(pausesat, 0) << "no blow in 3000 ticks";
  while (game->taping.steps() < pausesat + 120) tick();
  media::test::quicktap(media::test::frames() + 1, media::key::escape);  // versus leaves at once
  while (game->playing->state != matchstate::end || game->held > 0) tick();
  const replay tape = game->taping.finish(*game->playing, 0, 0);
  media::test::release(media::test::frames() + 1, media::key::right);
  media::test::release(media::test::frames() + 1, media::key::a);

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
