// Replays kept and watched from the menus: the last twenty, a failed save, the REPLAYS screen.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

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

}  // namespace
}  // namespace flopfist::testing
