// What players set up around a match: a keys file lined up with tabs, and the question before a
// run with points is thrown away.
#include <gtest/gtest.h>

#include "app/fightgame.h"
#include "app/keys.h"
#include "media/controls.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

namespace key = media::key;
using media::test::tap;

TEST(controlsfile, ALineLinedUpWithTabsBindsItsKey) {
  media::infile in;
  in.openbytes("player\t1\tup\t=\tI\t\r\npause\t\t\t= Q\n\tplayer 2 left =\t\tLeft Shift\n");
  const keybindings keys = readkeys(in);
  EXPECT_EQ(keys.of(action::p1up), media::place::i);
  EXPECT_EQ(keys.of(action::pause), media::place::q);
  EXPECT_EQ(media::placename(keys.of(action::p2left)), "Left Shift");
}

using leavetest = gametest;

// Escape in a match: how many frames went by before it was left, with a key other than Escape
// answering the first question.
// `combo`: points from blows in this match, on top of the run's score.
int framesbeforeleaving(gamemode mode, int64_t score, int combo = 0) {
  media::test::reset();  // no key of the last run left waiting
  auto game = makegame();
  game->current.mode = mode;
  game->current.level = 1;
  game->current.score = score;
  game->beginmatch();
  game->playing->comboscore = combo;
  const int f = media::test::frames();
  tap(f + 5, key::escape);
  tap(f + 15, 'X');  // goes on
  tap(f + 25, key::escape);
  tap(f + 35, key::escape);  // leaves
  media::test::closewindow(f + 400);  // in case a key went astray
  do {
    game->matchframe();
  } while (game->playing->state != matchstate::end);
  EXPECT_TRUE(game->playing->left);
  return media::test::frames() - f;
}

TEST_F(leavetest, ARunWithPointsAsksBeforeLeavingInOnePlayerAndCoop) {
  for (const gamemode mode : {gamemode::single, gamemode::coop}) {
    SCOPED_TRACE(int(mode));
    EXPECT_GE(framesbeforeleaving(mode, 1), 35) << "left without asking";
    EXPECT_LT(framesbeforeleaving(mode, 0), 10) << "asked with nothing to lose";
    EXPECT_GE(framesbeforeleaving(mode, 0, 1), 35) << "left the first level's points without asking";
  }
  EXPECT_LT(framesbeforeleaving(gamemode::versus, 1), 10) << "asked in versus";
}

// A level won puts its bonus on the board: Escape on its summary asks too.
TEST_F(leavetest, TheLevelSummaryAsksToo) {
  auto game = makegame();
  game->current.level = 1;
  game->beginmatch();
  const int f = media::test::frames();
  media::test::press(f + 1, key::digit4);  // with 1: the opponent runs out of energy
  media::test::press(f + 1, key::digit1);
  media::test::closewindow(f + 2000);  // in case a key went astray
  int summary = -1;
  do {
    game->matchframe();
    if (summary < 0 && game->playing->state == matchstate::levelcompleted) {
      summary = media::test::frames();
      tap(summary + 3, key::escape);
      tap(summary + 13, key::escape);
    }
  } while (game->playing->state != matchstate::end);
  ASSERT_GT(summary, 0);
  EXPECT_GT(game->current.score, 0);
  EXPECT_GE(media::test::frames(), summary + 13) << "left the summary without asking";
  EXPECT_TRUE(game->playing->left);
}

}  // namespace
}  // namespace flopfist::testing
