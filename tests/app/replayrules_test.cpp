// The replays' rules at both ends of their bounds: the fields a file may hold, the names it
// records, how many a player may keep, which matches rotate out first.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

#include "replay/playback.h"
#include "replay/folder.h"
#include "media/folders.h"
#include "media/media.h"
#include "tests/support/scripted.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

using replayrules = gametest;

replay committed() {
  const loadedreplay l = loadreplay(std::string(FLOPFIST_REPLAY_DIR) + "/single.ffr");
  EXPECT_EQ(l.problem, replayproblem::none) << l.message;
  return l.data;
}

// A match left after `steps` steps, or won, as the folder sees it: only its record is read.
std::string madeup(replay r, int steps, result ending) {
  r.info.ending = ending;
  r.info.steps = steps;
  r.inputs = {{0, steps}};
  r.typed.clear();
  r.checkpoints.assign(size_t(steps / checkpointsteps), 0);
  return encodereplay(r);
}

std::string numbered(int n, const char* end = ".ffr") {
  char name[40];
  std::snprintf(name, sizeof name, "replays/%06d%s", n, end);
  return name;
}

TEST_F(replayrules, ALevelTwentyMatchIsKeptReadAndPlayed) {
  auto game = makegame();
  game->current.level = 20;
  const loadedreplay file = loadreplay(shortmatch(*game, 90));
  ASSERT_EQ(file.problem, replayproblem::none) << file.message;
  EXPECT_EQ(file.data.info.level, 20);
  playback play(file.data);
  while (!play.finished()) play.step();
  EXPECT_TRUE(play.verified()) << "strayed at step " << play.strayedat();
}

// Each field a file holds is read at both ends of its range, and a file one past either end is
// damaged.
TEST(replayfields, EachFieldReadsAtBothEndsOfItsRangeAndNoFurther) {
  const replay good = committed();
  struct field {
    const char* name;
    std::function<void(replay&, int)> set;
    int low, high;
    bool length = false;  // a count or a length: nothing below 0 to write
  };
  const std::vector<field> fields{
      {"level", [](replay& r, int v) { r.info.level = r.setup.level = v; }, 1, 20},
      {"mode", [](replay& r, int v) { r.info.mode = r.setup.mode = gamemode(v); }, 0, 2},
      {"result", [](replay& r, int v) { r.info.ending = result(v); }, 1, 3},
      {"music track", [](replay& r, int v) { r.musictrack = v; }, 0, 4},
      {"score table rows", [](replay& r, int v) { r.table.resize(size_t(std::max(v, 0))); }, 0, 20, true},
      {"series name letters", [](replay& r, int v) { r.name.assign(size_t(std::max(v, 0)), 'N'); }, 0, 64, true},
      {"player name letters", [](replay& r, int v) { r.players[1].assign(size_t(std::max(v, 0)), 'P'); }, 0, 64, true},
  };
  // And every rule of the match a player may set, from the options' own ranges.
  std::vector<field> all = fields;
  for (auto rule : matchrules) {
    const optionrow& row = *std::find_if(optionrows.begin(), optionrows.end(), [&](const optionrow& o) { return o.field == rule; });
    all.push_back({row.label, [rule](replay& r, int v) { r.setup.rules.*rule = v; }, row.low, row.high});
  }
  for (const field& f : all) {
    for (const int v : {f.low, f.high}) {
      replay r = good;
      f.set(r, v);
      const loadedreplay l = decodereplay(encodereplay(r));
      EXPECT_EQ(l.problem, replayproblem::none) << f.name << " " << v << ": " << l.message;
    }
    for (const int v : {f.low - 1, f.high + 1}) {
      if (v < 0 && f.length) continue;
      replay r = good;
      f.set(r, v);
      EXPECT_EQ(decodereplay(encodereplay(r)).problem, replayproblem::damaged) << f.name << " " << v;
    }
  }
}

// The names of an online series stay with its replays: the next match played at home has none.
TEST_F(replayrules, AMatchAtHomeAfterAnOnlineSeriesRecordsNoPlayerNames) {
  auto game = makegame();
  game->current.level = 1;
  game->taping.players({"ANNA", "BO-2"});
  const loadedreplay home = loadreplay(shortmatch(*game, 30));
  ASSERT_EQ(home.problem, replayproblem::none) << home.message;
  EXPECT_EQ(home.data.players[0], "");
  EXPECT_EQ(home.data.players[1], "");
  EXPECT_EQ(modename(home.data), "1 PLAYER");
}

TEST_F(replayrules, FiftyReplaysMayBeKeptAndNotAFiftyFirst) {
  ASSERT_TRUE(media::makefolder("replays"));
  const std::string bytes = madeup(committed(), 600, result::left);
  for (int n = 1; n <= 51; ++n) ASSERT_TRUE(media::savefile(numbered(n), bytes));
  for (int n = 1; n <= 50; ++n) ASSERT_EQ(keepreplayfile(numbered(n), true), numbered(n, "-kept.ffr")) << n;
  EXPECT_EQ(keptreplays(), 50);
  EXPECT_EQ(keepreplayfile(numbered(51), true), numbered(51)) << "a 51st kept";
  EXPECT_TRUE(media::fileexists(numbered(51)));
  EXPECT_EQ(keptreplays(), 50);
  // One let go makes room again.
  EXPECT_EQ(keepreplayfile(numbered(7, "-kept.ffr"), false), numbered(7));
  EXPECT_EQ(keepreplayfile(numbered(51), true), numbered(51, "-kept.ffr"));
}

// A match left within five seconds (300 steps) rotates out before an older one left later, and
// before an older one won, however short.
TEST_F(replayrules, MatchesLeftWithinFiveSecondsRotateOutFirst) {
  ASSERT_TRUE(media::makefolder("replays"));
  const replay base = committed();
  auto game = makegame();
  game->current.level = 1;
  const std::vector<std::pair<int, result>> older{
      {300, result::left}, {120, result::first}, {299, result::left}, {310, result::left}};
  auto fill = [&] {
    for (int n = 1; n <= 20; ++n) {
      const auto [steps, ending] = n <= int(older.size()) ? older[size_t(n - 1)] : std::pair{900, result::left};
      ASSERT_TRUE(media::savefile(numbered(n), madeup(base, steps, ending)));
    }
  };
  fill();
  shortmatch(*game, 3);  // the 21st: one of the others goes
  EXPECT_TRUE(media::fileexists(numbered(21)));
  EXPECT_FALSE(media::fileexists(numbered(3))) << "the match of 299 steps stayed";
  EXPECT_TRUE(media::fileexists(numbered(1))) << "the match of 300 steps went first";
  EXPECT_TRUE(media::fileexists(numbered(2))) << "a short match won went first";
  // Each later short match goes in its turn; the longer ones stay.
  shortmatch(*game, 3);
  EXPECT_FALSE(media::fileexists(numbered(21)));
  EXPECT_TRUE(media::fileexists(numbered(1)));
  EXPECT_TRUE(media::fileexists(numbered(4)));
}

}  // namespace
}  // namespace flopfist::testing
