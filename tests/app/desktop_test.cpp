// What a desktop player expects: taps shorter than a frame, the pause banner, the leave question,
// remembered menus, the mouse and fullscreen, driven by scripted input.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/fightgame.h"
#include "replay/folder.h"
#include "body/util.h"
#include "media/controls.h"
#include "media/window.h"
#include "media/testcontrols.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/support/scripted.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

namespace key = media::key;
namespace test = media::test;
using desktoptest = gametest;

// A game ready to play matches of the mode, level 1.
std::unique_ptr<fightgame> matchgame(gamemode mode) {
  auto game = makegame();
  game->current = series{};
  game->current.mode = mode;
  game->current.level = 1;
  return game;
}

// A press and release delivered by one present, between two snapshots, still counts as held for
// the next snapshot and only that one: each player's directions, Escape, Enter and Space.
TEST_F(desktoptest, ATapBetweenTwoSnapshotsIsHeldForTheNextOne) {
  auto game = matchgame(gamemode::versus);
  game->beginmatch();
  const int f = test::frames() + 1;
  for (int k : {key::left, key::w, key::escape, key::enter, key::space}) test::quicktap(f, k);
  media::flip(-1);
  ASSERT_FALSE(media::keydown(key::left)) << "the tap should be over before the snapshot";
  frameinput in = game->takeinput();
  EXPECT_TRUE(in.player[1].left);
  EXPECT_FALSE(in.player[1].right);
  EXPECT_TRUE(in.player[2].up);
  EXPECT_TRUE(in.escape);
  EXPECT_TRUE(in.enter);
  EXPECT_TRUE(in.space);
  media::flip(-1);
  in = game->takeinput();
  EXPECT_FALSE(in.player[1].left) << "a tap lasts one snapshot";
  EXPECT_FALSE(in.player[2].up);
  EXPECT_FALSE(in.escape);

  // A key pressed in a menu before the match does not reach its first frame.
  test::quicktap(test::frames() + 1, key::right);
  media::flip(-1);
  game->beginmatch();
  EXPECT_FALSE(game->takeinput().player[1].right);
}

// An instant tap of Escape leaves a match in the frame after it, six times in six.
TEST_F(desktoptest, AnInstantTapOfEscapeLeavesAMatch) {
  auto game = matchgame(gamemode::versus);
  for (int run = 0; run < 6; ++run) {
    SCOPED_TRACE(run);
    game->beginmatch();
    const int tapped = test::frames() + 5 + run;
    test::quicktap(tapped, key::escape);
    while (test::frames() < tapped + 3 && game->playing->state != matchstate::end) {
      game->matchframe();
    }
    EXPECT_EQ(game->playing->state, matchstate::end);
    EXPECT_EQ(game->playing->ending(), result::left);
    EXPECT_EQ(test::frames(), tapped + 1);
    game->endmatch();
  }
}

// Rows of the frame where two frames differ: first and last, -1 when they are the same.
std::pair<int, int> changedrows(const test::frame& a, const test::frame& b) {
  int first = -1, last = -1;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      if (a.at(x, y) == b.at(x, y)) continue;
      if (first < 0) first = y;
      last = y;
      break;
    }
  }
  return {first, last};
}

// A paused match shows PAUSED with its keys over the frozen frame, and nothing else changes.
TEST_F(desktoptest, APausedMatchShowsABannerAndNothingElseChanges) {
  auto game = matchgame(gamemode::single);
  test::frame before, paused, later;
  int stepped = 0;
  test::tap(30, key::p);
  test::atframe(30, [&] { before = test::presented(); });
  test::atframe(40, [&] {
    paused = test::presented();
    stepped = game->playing->framecount;
  });
  test::atframe(70, [&] { later = test::presented(); });
  test::tap(80, key::p);
  game->beginmatch();
  while (test::frames() < 90) game->matchframe();
  EXPECT_EQ(stepped, 30) << "the match stepped while paused";
  ASSERT_EQ(paused.width, 1024);
  EXPECT_TRUE(paused.pixels == later.pixels) << "a paused frame changed";
  const auto [first, last] = changedrows(before, paused);
  EXPECT_GE(first, 290) << "the pause changed the frame above its banner";
  EXPECT_LT(last, 440) << "the pause changed the frame below its banner";
  EXPECT_GT(first, -1) << "no banner over the paused match";
  test::savepng(paused, artefact("desktop_paused.png"));
}

// Plays frames until the match ends or the frame count reaches last.
void playto(fightgame& game, int last) {
  while (test::frames() < last && game.playing->state != matchstate::end) game.matchframe();
}

// Escape in a campaign with points asks first: a second Escape leaves, another key goes on and
// the match never saw the first Escape. Versus, or a campaign with no points yet, leave at once.
TEST_F(desktoptest, EscapeInACampaignWithPointsAsksBeforeLeaving) {
  auto game = matchgame(gamemode::single);
  game->current.score = 51000;
  test::frame asking;
  int stepped = 0;
  test::tap(10, key::escape);
  test::atframe(20, [&] {
    asking = test::presented();
    stepped = game->playing->framecount;
  });
  test::tap(25, key::left);  // goes on
  game->beginmatch();
  playto(*game, 40);
  EXPECT_EQ(stepped, 10);
  EXPECT_NE(game->playing->state, matchstate::end);
  EXPECT_EQ(game->playing->framecount, 40 - 15) << "frames 11 to 25 were the question";
  ASSERT_EQ(asking.width, 1024);
  test::savepng(asking, artefact("desktop_leave_question.png"));

  test::tap(45, key::escape);
  test::tap(50, key::escape);  // the second Escape leaves
  playto(*game, 60);
  EXPECT_EQ(game->playing->state, matchstate::end);
  EXPECT_EQ(game->playing->ending(), result::left);
  EXPECT_EQ(test::frames(), 51);
  game->endmatch();
  const loadedreplay kept = loadreplay(replayfiles().front());
  ASSERT_EQ(kept.problem, replayproblem::none);
  EXPECT_EQ(kept.data.info.steps, 40 - 15 + 5 + 1) << "the replay holds only the confirmed Escape";

  for (const auto& [mode, score] : {std::pair{gamemode::versus, 0}, {gamemode::coop, 0}}) {
    SCOPED_TRACE(int(mode));
    game = matchgame(mode);
    game->current.score = score;
    game->beginmatch();
    const int tapped = test::frames() + 5;
    test::tap(tapped, key::escape);
    playto(*game, tapped + 5);
    EXPECT_EQ(game->playing->state, matchstate::end);
    EXPECT_EQ(test::frames(), tapped + 1);
  }
}

// Pixels that differ between two frames, and the highest row among them.
std::pair<int, int> differing(const test::frame& a, const test::frame& b) {
  int n = 0, top = a.height;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      if (a.at(x, y) == b.at(x, y)) continue;
      ++n;
      top = std::min(top, y);
    }
  }
  return {n, top};
}

// With two humans, P1 and P2 stand over the players' heads for the first two seconds, and only
// there: the presented frame is the match's own drawing plus the labels. One player has none.
TEST_F(desktoptest, TwoHumansAreLabelledForTheFirstTwoSeconds) {
  for (gamemode mode : {gamemode::coop, gamemode::versus, gamemode::single}) {
    SCOPED_TRACE(int(mode));
    test::reset();
    auto game = matchgame(mode);
    game->beginmatch();
    std::vector<std::pair<int, int>> diffs;
    float head = 0;  // the higher head's top at frame 10, in screen pixels
    for (int f = 1; f <= 130; ++f) {
      game->matchframe();
      if (f != 10 && f != 130) continue;
      const match& m = *game->playing;
      if (f == 10) head = screeny(std::min(m.fighters[1].balls[16].y, m.fighters[2].balls[16].y), m.camera);
      const test::frame shown = test::presented();
      if (f == 10 && mode == gamemode::coop) test::savepng(shown, artefact("desktop_labels.png"));
      media::cls();
      game->playing->draw(game->art.images);
      diffs.push_back(differing(shown, test::backbuffer()));
    }
    if (mode == gamemode::single) {
      EXPECT_EQ(diffs[0].first, 0) << "a label in a one-player match";
    } else {
      EXPECT_GT(diffs[0].first, 100) << "no labels at the start";
      EXPECT_LT(float(diffs[0].second), head) << "the labels are not over the heads";
    }
    EXPECT_EQ(diffs[1].first, 0) << "labels after two seconds";
  }
}

// F11 and Alt+Enter switch fullscreen from any screen; the option FULLSCREEN and prefs.qmx follow,
// and Alt+Enter is not taken for an Enter as well.
TEST_F(desktoptest, F11AndAltEnterToggleFullscreenAndTheOptionFollows) {
  auto game = makegame();
  constexpr int f11 = 122, alt = 18;
  std::vector<int> states;  // the window's and the option's, and the file's
  auto look = [&] {
    options saved;
    media::infile in;
    if (in.open("prefs.qmx")) readprefs(saved, in);
    states.insert(states.end(), {int(media::fullscreen()), game->settings.fullscreen, saved.fullscreen});
  };
  test::tap(3, f11);
  test::atframe(5, look);
  test::press(6, alt);
  test::tap(7, key::enter);
  test::release(9, alt);
  test::atframe(10, look);
  test::tap(12, key::escape);
  EXPECT_THROW(game->mainmenu(), media::programexit) << "Alt+Enter chose an entry";
  EXPECT_EQ(states, (std::vector<int>{1, 1, 1, 0, 0, 0}));
}

// The mouse in the menus: pointing selects, a left click chooses, a right click or the back
// button goes back, and the wheel scrolls REPLAYS.
TEST_F(desktoptest, TheMouseWorksTheMenus) {
  namespace mouse = media::mouse;
  auto game = makegame();
  game->current.level = 1;
  auto next = [] { return test::frames() + 1; };
  test::mousemove(3, 512, 280);  // over OPTIONS
  test::click(5, mouse::left);
  EXPECT_EQ(game->mainmenu(), menuchoice::options);
  EXPECT_EQ(test::frames(), 5);

  int f = next();
  test::mousemove(f + 2, 512, 450);  // over SCORES: selected, then Enter
  test::tap(f + 4, key::enter);
  EXPECT_EQ(game->mainmenu(), menuchoice::scores);
  test::mousemove(next() + 2, 512, 700);  // below QUIT: nothing
  test::click(next() + 3, mouse::left);
  test::tap(next() + 5, key::enter);
  EXPECT_EQ(game->mainmenu(), menuchoice::scores);

  for (int button : {mouse::right, mouse::back}) {
    f = next();
    test::click(f + 2, button);
    test::tap(f + 5, key::enter);  // too late if the click did not go back
    EXPECT_EQ(game->playmodemenu(), std::nullopt) << button;
    EXPECT_EQ(test::frames(), f + 2);
    while (test::frames() < f + 6) media::flip(-1);  // the Enter, unused
    media::flushkeys();
  }
  test::mousemove(next() + 2, 512, 350);  // 2 PLAYERS VS
  test::click(next() + 3, mouse::left);
  EXPECT_EQ(game->playmodemenu(), gamemode::versus);

  // Eighteen replays, fifteen to a page: two steps of the wheel down, a click on the first row
  // shown selects the third replay, and K keeps it.
  game->current.mode = gamemode::single;
  for (int k = 0; k < 18; ++k) shortmatch(*game, 3);
  f = next();
  test::wheel(f + 2, -1);
  test::wheel(f + 3, -1);
  test::mousemove(f + 5, 300, 150);
  test::tap(f + 7, 75);  // K
  test::tap(f + 9, key::escape);
  game->replaysscreen();
  EXPECT_TRUE(media::fileexists("replays/000016-kept.ffr"));
}

// The pointer hides during a match, shows again in the menus when moved, and hides after two
// seconds without a move.
TEST_F(desktoptest, ThePointerHidesInAMatchAndWhenIdle) {
  auto game = matchgame(gamemode::single);
  game->beginmatch();
  test::mousemove(test::frames() + 2, 100, 100);
  for (int k = 0; k < 5; ++k) game->matchframe();
  EXPECT_FALSE(media::pointershown()) << "the pointer over a match";
  game->endmatch();
  std::vector<int> shown;
  const int f = test::frames();
  test::mousemove(f + 5, 200, 200);
  for (int at : {f + 10, f + 100, f + 150}) test::atframe(at, [&] { shown.push_back(media::pointershown()); });
  test::tap(f + 160, key::escape);
  EXPECT_THROW(game->mainmenu(), media::programexit);
  EXPECT_EQ(shown, (std::vector<int>{1, 1, 0}));
}

}  // namespace
}  // namespace flopfist::testing
