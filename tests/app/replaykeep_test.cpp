// Replays kept and watched from the menus: the last twenty, a failed save, the REPLAYS screen.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "replay/playback.h"
#include "replay/folder.h"
#include "app/replayview.h"
#include "media/controls.h"
#include "media/folders.h"
#include "media/testcontrols.h"
#include "tests/app/readback.h"
#include "tests/support/scripted.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

using keeptest = gametest;
using media::test::tap;
namespace key = media::key;
namespace test = media::test;

int next() { return media::test::frames() + 1; }

// Every file of the working folder and of replays/, with its bytes.
std::map<std::string, std::string> snapshot() {
  std::map<std::string, std::string> files;
  for (const std::string& folder : {std::string("."), std::string("replays")}) {
    for (const std::string& name : media::filesin(folder)) media::readbytes(folder + "/" + name, files[folder + "/" + name]);
  }
  return files;
}

TEST_F(keeptest, TheLastTwentyMatchesAreKeptNewestFirst) {
  auto game = makegame();
  for (int k = 1; k <= 23; ++k) {
    game->current.level = k % 20 + 1;
    shortmatch(*game, 3);
  }
  const std::vector<std::string> files = replayfiles();
  ASSERT_EQ(files.size(), 20u);
  EXPECT_EQ(files.front(), "replays/000023.ffr");
  EXPECT_EQ(files.back(), "replays/000004.ffr");
  EXPECT_EQ(loadreplay(files.front()).data.info.level, 23 % 20 + 1);
}

// A full disk costs the replay alone: the score table and the settings are as they were, nothing
// half-written is left, and a note says what happened on the screens that follow.
TEST_F(keeptest, AFailedSaveCostsOnlyTheReplayAndLeavesANote) {
  auto game = makegame();
  game->scores.defaults();
  game->savescores();
  game->saveprefs();
  const std::string first = shortmatch(*game, 5);
  const auto before = snapshot();

  game->beginmatch();
  tap(next() + 2, key::escape);
  do {
    game->matchframe();
  } while (game->playing->state != matchstate::end);
  media::test::failnextsave();
  game->endmatch();
  EXPECT_EQ(snapshot(), before);
  EXPECT_GT(game->note.frames, 0);
  tap(next() + 1, key::escape);
  EXPECT_THROW(game->mainmenu(), media::programexit);
  const rgb note = brightest(media::test::presented(), 0, 735, 1024, 760);
  EXPECT_GT(note.r + note.g + note.b, 600) << "the note at the foot of the menu";

  // A file where the folder should be: the same.
  std::filesystem::remove_all("replays");
  ASSERT_TRUE(media::savefile("replays", "not a folder"));
  game->note.frames = 0;
  EXPECT_EQ(shortmatch(*game, 5), "");
  EXPECT_GT(game->note.frames, 0);
  EXPECT_EQ(first, "replays/000001.ffr");
}

// PLAY, REPLAYS: a damaged file says why, a good one plays, Escape goes back each step of the
// way; nothing on disk and nothing in the score table changes.
TEST_F(keeptest, ReplaysAreWatchedFromThePlayModeMenuWithoutChangingAnything) {
  auto game = makegame();
  loadmusic(*game);
  game->scores.defaults();
  game->current.level = 2;
  shortmatch(*game, 20);
  game->current.level = 4;
  shortmatch(*game, 200);
  std::string good;
  ASSERT_TRUE(media::readbytes("replays/000002.ffr", good));
  ASSERT_TRUE(media::savefile("replays/000099.ffr", good.substr(0, good.size() / 2)));
  const auto before = snapshot();
  const std::vector<scoreentry> table = game->scores.rows;

  const int f = media::test::frames();
  for (int k : {1, 2, 3}) tap(f + k, key::down);  // REPLAYS, at the foot
  tap(f + 5, key::enter);    // the list: the cut file first, then levels 4 and 2
  tap(f + 8, key::enter);    // the cut file: its message
  tap(f + 11, key::enter);   // back to the list
  tap(f + 13, key::down);
  tap(f + 15, key::enter);   // level 4
  tap(f + 45, key::escape);  // back to the list from the middle of the match
  tap(f + 48, key::escape);  // back to the play-mode menu
  tap(f + 51, key::escape);
  media::test::closewindow(f + 400);  // in case a key went astray
  EXPECT_FALSE(game->playmodemenu().has_value());
  EXPECT_EQ(media::test::frames(), f + 51);
  bool music = false;
  for (const auto& c : media::test::cues()) music = music || (c.frame >= f + 15 && c.path.starts_with("music/"));
  EXPECT_TRUE(music) << "the replay's music while it was watched";
  EXPECT_EQ(snapshot(), before);
  ASSERT_EQ(game->scores.rows.size(), table.size());
  for (size_t k = 0; k < table.size(); ++k) EXPECT_EQ(game->scores.rows[k].points, table[k].points);

  // The same file named on the command line.
  tap(next() + 3, key::escape);
  EXPECT_FALSE(game->watchfile("replays/000099.ffr"));
  tap(next() + 25, key::escape);  // after its 21 steps
  EXPECT_TRUE(game->watchfile("replays/000001.ffr"));
}

// The viewer's keys: P holds the picture still, Right steps one frame while paused, Space runs two
// steps a frame, Escape goes back.
TEST_F(keeptest, PauseStepDoubleSpeedAndEscapeWhileWatching) {
  auto game = makegame();
  game->current.level = 6;
  const loadedreplay file = loadreplay(shortmatch(*game, 300));
  ASSERT_EQ(file.problem, replayproblem::none);
  replayview view(*game, file.data);
  auto keythen = [&](int k) {  // the key arrives with one frame and acts in the next
    tap(next(), k);
    view.frame();
    return view.frame();
  };
  ASSERT_TRUE(keythen(key::p));
  EXPECT_TRUE(view.paused());
  const int held = view.playing().steps();
  EXPECT_EQ(held, 1);
  const auto still = media::test::presented();
  for (int k = 0; k < 5; ++k) view.frame();
  EXPECT_EQ(view.playing().steps(), held);
  EXPECT_TRUE(media::test::presented().pixels == still.pixels);

  keythen(key::right);
  EXPECT_EQ(view.playing().steps(), held + 1);
  view.frame();
  EXPECT_EQ(view.playing().steps(), held + 1);

  keythen(key::space);
  EXPECT_EQ(view.playing().steps(), held + 1) << "double speed waits for the pause to end";
  keythen(key::p);
  EXPECT_EQ(view.playing().steps(), held + 3);
  view.frame();
  EXPECT_EQ(view.playing().steps(), held + 5);

  EXPECT_FALSE(keythen(key::escape));
}

// The same on a pad, and with the pause moved to another key: the player's own pause key and
// Start hold the picture, the d-pad steps, A doubles, B goes back.
TEST_F(keeptest, ThePadAndAReboundPauseKeyWorkTheViewer) {
  namespace pad = media::pad;
  namespace place = media::place;
  auto game = makegame();
  ASSERT_EQ(bindkey(game->keys, action::pause, place::q), "");
  game->current.level = 6;
  const loadedreplay file = loadreplay(shortmatch(*game, 300));
  ASSERT_EQ(file.problem, replayproblem::none);
  const int handle = media::test::plugpad(0x1111, 1);
  replayview view(*game, file.data);
  view.frame();  // the pad's arrival heard
  auto buttonthen = [&](int button) {
    media::test::padbutton(handle, button, true);
    view.frame();
    media::test::padbutton(handle, button, false);
    return view.frame();
  };
  ASSERT_TRUE(buttonthen(pad::start));
  EXPECT_TRUE(view.paused());
  const int held = view.playing().steps();
  buttonthen(pad::right);
  EXPECT_EQ(view.playing().steps(), held + 1);
  buttonthen(pad::a);
  EXPECT_TRUE(view.fast());

  tap(next(), key::p);  // no longer the pause key
  view.frame();
  view.frame();
  EXPECT_TRUE(view.paused());
  media::test::pressplace(place::q, 'q');
  view.frame();
  media::test::releaseplace(place::q, 'q');
  view.frame();
  EXPECT_FALSE(view.paused());
  EXPECT_EQ(view.playing().steps(), held + 3) << "two steps a frame once the pause ended";

  EXPECT_FALSE(buttonthen(pad::b));
}

// A replay kept with K never rotates out. (Which matches rotate out first: replayrules_test.)
TEST_F(keeptest, KeptReplaysOutlastShortAbortedOnes) {
  auto game = makegame();
  game->current.level = 1;
  const std::string kept = keepreplayfile(shortmatch(*game, 3), true);
  EXPECT_EQ(kept, "replays/000001-kept.ffr");
  for (int k = 0; k < 25; ++k) shortmatch(*game, 3);
  const std::vector<std::string> files = replayfiles();
  ASSERT_EQ(files.size(), 21u) << "twenty, and the kept one";
  EXPECT_EQ(files.front(), "replays/000026.ffr");
  EXPECT_NE(std::find(files.begin(), files.end(), kept), files.end()) << "the kept replay rotated out";
  EXPECT_EQ(files.back(), "replays/000001-kept.ffr");
  EXPECT_EQ(loadreplay(kept).problem, replayproblem::none) << loadreplay(kept).message;
  EXPECT_EQ(keptreplays(), 1);

  // Let go again, it rotates like any other.
  EXPECT_EQ(keepreplayfile(kept, false), "replays/000001.ffr");
  shortmatch(*game, 3);
  EXPECT_EQ(replayfiles().size(), 20u);
  EXPECT_FALSE(media::fileexists("replays/000001.ffr"));
}

// K on the REPLAYS list keeps the selected replay and says so in its row; K again lets it go.
TEST_F(keeptest, KOnTheListKeepsTheSelectedReplay) {
  auto game = makegame();
  game->current.level = 1;
  shortmatch(*game, 3);
  shortmatch(*game, 3);
  const int f = next();
  tap(f + 2, key::down);   // the older one
  tap(f + 4, 75);          // K
  media::test::frame shown;
  test::atframe(f + 6, [&] { shown = media::test::presented(); });
  tap(f + 8, key::escape);
  game->replaysscreen();
  EXPECT_TRUE(media::fileexists("replays/000001-kept.ffr"));
  EXPECT_TRUE(media::fileexists("replays/000002.ffr"));
  ASSERT_EQ(shown.width, 1024);
  const rgb mark = brightest(shown, 40, 140 + 34, 120, 140 + 34 + 28);
  EXPECT_GT(mark.r, 200) << "no KEPT mark in the selected row";

  tap(next() + 2, key::down);
  tap(next() + 4, 75);
  tap(next() + 6, key::escape);
  game->replaysscreen();
  EXPECT_TRUE(media::fileexists("replays/000001.ffr"));
}

// With a full list nothing overlaps: the title, the column headers and each row have dark rows
// between them; and the selected row is the brightest wherever the palette is.
TEST_F(keeptest, TheListLayoutLeavesRoomAndTheSelectionIsBrightest) {
  auto game = makegame();
  game->current.level = 1;
  for (int k = 0; k < 21; ++k) shortmatch(*game, 3);
  std::vector<media::test::frame> shots;
  const int f = next();
  for (int k = 0; k < 6; ++k) {
    tap(f + 10 * k + 2, key::down);
    test::atframe(f + 10 * k + 8, [&] { shots.push_back(media::test::presented()); });
  }
  tap(f + 65, key::escape);
  game->replaysscreen();
  ASSERT_EQ(shots.size(), 6u);
  test::savepng(shots[0], artefact("replays_list.png"));
  // Runs of rows holding any lit pixel, top to bottom, down to the first replay row.
  std::vector<std::pair<int, int>> runs;
  for (int y = 0; y < 140 + 34; ++y) {
    bool lit = false;
    for (int x = 0; x < 1024 && !lit; ++x) {
      const rgb c{shots[0].r(x, y), shots[0].g(x, y), shots[0].b(x, y)};
      lit = c.r + c.g + c.b > 90;
    }
    if (!lit) continue;
    if (!runs.empty() && runs.back().second == y - 1) {
      runs.back().second = y;
    } else {
      runs.push_back({y, y});
    }
  }
  ASSERT_GE(runs.size(), 3u) << "the title, the headers and the first row are not apart";
  EXPECT_LT(runs[0].second, 100) << "the title reaches the headers";
  for (size_t k = 0; k < shots.size(); ++k) {
    SCOPED_TRACE(k);
    const int selected = int(k) + 1;
    const rgb best = brightest(shots[k], 130, 140 + 34 * selected, 1000, 140 + 34 * selected + 28);
    for (int row = 0; row < 8; ++row) {
      if (row == selected) continue;
      const rgb other = brightest(shots[k], 130, 140 + 34 * row, 1000, 140 + 34 * row + 28);
      EXPECT_GT(best.r + best.g + best.b, other.r + other.g + other.b) << "row " << row;
    }
  }
}

// Closing the window mid-match keeps the replay as Escape would have, and it plays to its end.
TEST_F(keeptest, AMatchEndedByClosingTheWindowIsKept) {
  auto game = makegame();
  game->current.level = 1;
  game->beginmatch();
  media::test::closewindow(next() + 30);
  EXPECT_THROW(
      for (;;) game->matchframe(), media::programexit);
  const std::vector<std::string> files = replayfiles();
  ASSERT_EQ(files.size(), 1u);
  const loadedreplay kept = loadreplay(files[0]);
  ASSERT_EQ(kept.problem, replayproblem::none) << kept.message;
  EXPECT_EQ(kept.data.info.ending, result::left);
  playback again(kept.data);
  while (!again.finished()) again.step();
  EXPECT_TRUE(again.verified());
}

}  // namespace
}  // namespace flopfist::testing
