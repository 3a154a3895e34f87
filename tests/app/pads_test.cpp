// Gamepads in the game: both players on pads or beside the keyboard, a pad steering a match exactly
// as the keys do and as soon, Start pausing, a pad unplugged mid-match, the menus, the notes.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/fightgame.h"
#include "media/controls.h"
#include "media/testcontrols.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

namespace key = media::key;
namespace pad = media::pad;
namespace test = media::test;
using flopfist::testing::makegame;

class padgame : public flopfist::testing::gametest {
 protected:
  // A game with its music loaded, ready to begin a match of the mode.
  std::unique_ptr<fightgame> newgame(gamemode mode) {
    auto game = makegame();
    for (int t = 1; t <= 4; ++t) {
      game->art.music[size_t(t)] = media::loadsound("music/tt" + std::to_string(t) + ".ogg");
    }
    game->current.mode = mode;
    game->current.level = 1;
    media::seedrnd(4242);
    return game;
  }
};

// Every ball of the players' fighters, bit for bit, and the generator.
std::vector<float> fighterstate(const match& m) {
  std::vector<float> all;
  for (int f = 1; f <= 2; ++f) {
    for (const ball& b : m.fighters[size_t(f)].balls) {
      for (float v : {b.x, b.y, b.vx, b.vy}) all.push_back(v);
    }
  }
  all.push_back(float(m.rng.state()));
  return all;
}

// Holds a direction from one frame to another (inclusive), on a key or on a pad.
struct steering {
  std::function<void(int frame, bool down)> hold;
  void between(int from, int to) {
    hold(from, true);
    hold(to + 1, false);
  }
};

steering bykey(int k) {
  return {[k](int frame, bool down) { (down ? test::press : test::release)(frame, k); }};
}
steering bydpad(int handle, int button) {
  return {[=](int frame, bool down) {
    test::atframe(frame, [=] { test::padbutton(handle, button, down); });
  }};
}
steering bystick(int handle, int x, int y) {
  return {[=](int frame, bool down) {
    test::atframe(frame, [=] { test::padstick(handle, down ? x : 0, down ? y : 0); });
  }};
}

TEST_F(padgame, BothPlayersOnPadsOrOneBesideTheKeyboard) {
  auto game = newgame(gamemode::versus);
  const int one = test::plugpad(0x1111, 1);
  const int two = test::plugpad(0x2222, 1);
  test::padbutton(one, pad::right, true);
  test::padstick(two, 0, -30000);
  media::flip(-1);
  media::flip(-1);
  frameinput in = game->takeinput();
  EXPECT_TRUE(in.player[1].right && !in.player[1].left && !in.player[1].up && !in.player[1].down);
  EXPECT_TRUE(in.player[2].up && !in.player[2].left && !in.player[2].right && !in.player[2].down);

  // Player 2's pad goes: player 2 on the keyboard, player 1 on the pad and the keyboard at once.
  test::unplugpad(two);
  test::press(test::frames() + 1, key::w);
  test::press(test::frames() + 1, key::down);
  media::flip(-1);
  in = game->takeinput();
  EXPECT_TRUE(in.player[1].right && in.player[1].down);
  EXPECT_TRUE(in.player[2].up && !in.player[2].down);
  EXPECT_FALSE(in.escape || in.enter);
  test::padbutton(one, pad::b, true);
  test::padbutton(one, pad::a, true);
  media::flip(-1);
  in = game->takeinput();
  EXPECT_TRUE(in.escape) << "B leaves as Escape does";
  EXPECT_TRUE(in.enter) << "A goes on as Enter does";
}

// Held on the d-pad, on the stick or on the keys, the same directions at the same frames give the
// same fight to the last bit.
TEST_F(padgame, APadStepsTheMatchExactlyAsTheKeysDo) {
  std::vector<std::vector<float>> ends;
  for (int way = 0; way < 3; ++way) {
    SCOPED_TRACE(way);
    test::reset();
    auto game = newgame(gamemode::versus);
    const int one = test::plugpad(0x1111, 1);
    const int two = test::plugpad(0x2222, 1);
    std::vector<steering> p1, p2;
    if (way == 0) {
      p1 = {bykey(key::right), bykey(key::up), bykey(key::left)};
      p2 = {bykey(key::a), bykey(key::s)};
    } else if (way == 1) {
      p1 = {bydpad(one, pad::right), bydpad(one, pad::up), bydpad(one, pad::left)};
      p2 = {bydpad(two, pad::left), bydpad(two, pad::down)};
    } else {
      p1 = {bystick(one, 32767, 0), bystick(one, 0, -20000), bystick(one, -12000, 0)};
      p2 = {bystick(two, -32768, 0), bystick(two, 0, 32767)};
    }
    // One stick cannot hold two of these at once, so each player's holds follow one another.
    p1[0].between(20, 90);
    p1[1].between(91, 150);
    p1[2].between(151, 200);
    p2[0].between(40, 120);
    p2[1].between(121, 210);
    game->beginmatch();
    while (test::frames() < 240) game->matchframe();
    ends.push_back(fighterstate(*game->playing));
  }
  EXPECT_TRUE(ends[1] == ends[0]) << "the d-pad played differently from the keys";
  EXPECT_TRUE(ends[2] == ends[0]) << "the stick played differently from the keys";
}

// From the present that brings the press to the step whose head velocity differs from a run
// without it, in frames: the same for a pad as for a key.
TEST_F(padgame, APadPressReachesTheHeadAsSoonAsAKeyPress) {
  const int pressframe = 61;
  std::vector<int> latencies;
  for (int way = 0; way < 2; ++way) {
    std::vector<std::vector<float>> heads(2);
    for (int pressed = 0; pressed < 2; ++pressed) {
      test::reset();
      auto game = newgame(gamemode::single);
      const int one = test::plugpad(0x1111, 1);
      if (pressed == 1) {
        steering s = way == 0 ? bykey(key::right) : bydpad(one, pad::right);
        s.hold(pressframe, true);
      }
      game->beginmatch();
      for (int f = 1; f <= pressframe + 10; ++f) {
        game->matchframe();
        const ball& head = game->playing->fighters[1].balls[bodyball::head];
        heads[size_t(pressed)].push_back(head.vx);
      }
    }
    int latency = -1;
    for (size_t f = 0; f < heads[0].size() && latency < 0; ++f) {
      if (heads[0][f] != heads[1][f]) latency = int(f) + 1 - pressframe;
    }
    std::printf(
        "%s: the head's velocity changes %d frame(s) after the present bringing the press\n",
        way == 0 ? "key" : "pad", latency);
    latencies.push_back(latency);
  }
  EXPECT_EQ(latencies[1], latencies[0]);
  EXPECT_EQ(latencies[1], 1) << "the step after the press should use it";
}

// Start pauses and Start goes on; while paused, nothing steps. B while paused leaves the match.
TEST_F(padgame, StartPausesAMatchAndBLeavesIt) {
  auto game = newgame(gamemode::single);
  const int p = test::plugpad(0x1111, 1);
  steering start = bydpad(p, pad::start);
  start.between(30, 30);
  start.between(60, 60);
  std::vector<int> stepped;
  for (int f : {35, 45, 55, 70, 80}) {
    test::atframe(f, [&] { stepped.push_back(game->playing->framecount); });
  }
  game->beginmatch();
  while (test::frames() < 85) game->matchframe();
  ASSERT_EQ(stepped.size(), 5u);
  EXPECT_EQ(stepped[0], stepped[1]);
  EXPECT_EQ(stepped[1], stepped[2]);
  EXPECT_EQ(stepped[4] - stepped[3], 10) << "going on after Start";
  EXPECT_EQ(game->playing->framecount, 85 - 30) << "paused from frame 31 to 60";

  steering b = bydpad(p, pad::b);
  start.between(90, 90);
  b.between(95, 95);
  while (test::frames() < 100 && game->playing->state != matchstate::end) game->matchframe();
  EXPECT_EQ(game->playing->state, matchstate::end);
  EXPECT_EQ(game->playing->ending(), result::left);
}

// White pixels in a band of rows: the pause note is white on a dark band.
int whiteinrows(const media::test::frame& f, int top, int bottom) {
  int n = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = 0; x < f.width; ++x)
      n += (f.r(x, y) > 240 && f.g(x, y) > 240 && f.b(x, y) > 240) ? 1 : 0;
  }
  return n;
}

// Player 2's pad unplugged in a versus match pauses it with a note naming player 2; the pad plugged
// back changes the note, and the pause key goes on. In a one-player match player 2's pad is
// nobody's.
TEST_F(padgame, APlayersPadUnpluggedMidMatchPausesIt) {
  auto game = newgame(gamemode::versus);
  test::plugpad(0x1111, 1);
  int two = test::plugpad(0x2222, 1);
  media::test::frame lost, back;
  std::vector<int> stepped;
  test::atframe(20, [&] { test::unplugpad(two); });
  test::atframe(30, [&] {
    lost = test::presented();
    stepped.push_back(game->playing->framecount);
  });
  test::atframe(40, [&] { stepped.push_back(game->playing->framecount); });
  test::atframe(45, [&] { two = test::plugpad(0x2222, 1); });
  test::atframe(50, [&] { back = test::presented(); });
  test::tap(55, key::p);
  test::atframe(70, [&] { stepped.push_back(game->playing->framecount); });
  game->beginmatch();
  while (test::frames() < 75) game->matchframe();
  ASSERT_EQ(stepped.size(), 3u);
  EXPECT_EQ(stepped[0], stepped[1]) << "the match went on without player 2's pad";
  EXPECT_GT(stepped[2], stepped[1]) << "the pause key did not end the pause";
  EXPECT_TRUE(media::padconnected(2));
  ASSERT_EQ(lost.width, 1024);
  EXPECT_GT(whiteinrows(lost, 300, 360), 500) << "no note over the paused match";
  EXPECT_GT(whiteinrows(back, 300, 360), 500);
  EXPECT_FALSE(lost.pixels == back.pixels) << "the note does not tell the pad came back";
  test::savepng(lost, flopfist::testing::artefact("pads_lost_mid_match.png"));
  test::savepng(back, flopfist::testing::artefact("pads_back_mid_match.png"));

  test::reset();
  game = newgame(gamemode::single);
  test::plugpad(0x1111, 1);
  two = test::plugpad(0x2222, 1);
  test::atframe(20, [&] { test::unplugpad(two); });
  game->beginmatch();
  while (test::frames() < 40) game->matchframe();
  EXPECT_EQ(game->playing->framecount, 40) << "a one-player match paused for player 2's pad";
}

// The menus by pad alone: the d-pad or stick moves, a held direction repeats, A chooses, B goes
// back.
TEST_F(padgame, MenusFollowThePad) {
  auto game = makegame();
  const int p = test::plugpad(0x1111, 1);
  auto tapon = [p](int frame, int button) { bydpad(p, button).between(frame, frame); };

  int f = test::frames();
  tapon(f + 3, pad::down);
  tapon(f + 6, pad::a);
  EXPECT_EQ(game->mainmenu(), menuchoice::options);

  game->menuplaces.clear();  // each case starts from PLAY, not where the last one was left
  f = test::frames();
  bystick(p, 0, 30000).between(f + 3, f + 3);
  tapon(f + 6, pad::b);  // nothing to go back to: the main menu stays
  tapon(f + 9, pad::a);
  EXPECT_EQ(game->mainmenu(), menuchoice::options);

  game->menuplaces.clear();
  f = test::frames();
  bydpad(p, pad::down).between(f + 3, f + 45);
  tapon(f + 50, pad::a);
  EXPECT_NE(game->mainmenu(), menuchoice::options) << "a held d-pad moved only once";

  f = test::frames();
  tapon(f + 3, pad::up);  // round to 2 PLAYERS ONLINE, up past REPLAYS to CO-OP
  tapon(f + 5, pad::up);
  tapon(f + 7, pad::up);
  tapon(f + 10, pad::a);
  EXPECT_EQ(game->playmodemenu(), gamemode::coop);
  f = test::frames();
  tapon(f + 3, pad::b);
  EXPECT_EQ(game->playmodemenu(), std::nullopt);

  // Options: GRAVITY run up by a held right, B leaves and the file keeps it.
  f = test::frames();
  const int gravity = game->settings.gravity;
  bydpad(p, pad::right).between(f + 3, f + 40);
  tapon(f + 45, pad::b);
  game->optionsscreen();
  EXPECT_GT(game->settings.gravity, gravity + 1);
}

// A pad arriving, a third one ignored: a note at the foot of the screen for a few seconds.
TEST_F(padgame, PadsComingAndGoingAreNoted) {
  auto game = makegame();
  std::vector<int> white;
  auto look = [&] { white.push_back(whiteinrows(test::presented(), 736, 768)); };
  test::atframe(5, [] { test::plugpad(0x1111, 1); });
  test::atframe(10, look);
  test::atframe(20, [] { test::plugpad(0x2222, 1); });
  test::atframe(21, [] { test::plugpad(0x3333, 1); });
  test::atframe(30, look);
  test::atframe(30, [] {
    test::savepng(test::presented(), flopfist::testing::artefact("pads_third_ignored.png"));
  });
  test::atframe(300, look);
  test::tap(310, key::escape);
  EXPECT_THROW(game->mainmenu(), media::programexit);
  ASSERT_EQ(white.size(), 3u);
  EXPECT_GT(white[0], 100) << "no note for the first pad";
  EXPECT_GT(white[1], 100) << "no note for the ignored pad";
  EXPECT_EQ(white[2], 0) << "the note stayed";
  EXPECT_TRUE(media::padconnected(1) && media::padconnected(2));
}

}  // namespace
}  // namespace flopfist
