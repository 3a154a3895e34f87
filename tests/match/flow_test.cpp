// Match flow: deciding the outcome, result captions, the timing of the states, Escape.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "app/fightgame.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

constexpr int flowseed = 3141;

class flowtest : public testing::gametest {
 protected:
  std::unique_ptr<fightgame> game;

  // A match of the mode and level in matchstate::game state, well into the fight; `count` fighters, of
  // which the first `players` are the players' team.
  void build(gamemode mode, int level, int count, int players) {
    game = testing::makegame();
    game->scores.defaults();
    game->current.mode = mode;
    game->current.level = level;
    media::seedrnd(flowseed);
    game->beginmatch();
    m().framecount = 150;
    EXPECT_EQ(m().fightercount, count) << "seed " << flowseed;
    for (int n = 1; n <= count; n++) EXPECT_EQ(f(n).team, n <= players ? 1 : 0) << "fighter " << n;
  }

  match& m() { return *game->playing; }
  man& f(int n) { return m().fighters[size_t(n)]; }

  // One match frame as far as the flow is concerned: the keys, the step, the bonus and the
  // screens over the match (the name entry and the table), without drawing the scene.
  void frame() {
    const matchevents ev = m().step(game->takeinput());
    game->play(ev);
    game->drawoverlays(ev);
    media::flip(-1);
  }
  void letgo(int key) {
    media::test::release(media::test::frames() + 1, key);
    media::flip(-1);
  }
  // Holds a key from the next frame on.
  void hold(int key) {
    media::test::press(media::test::frames() + 1, key);
    media::flip(-1);
  }

  // Frames spent in the current state until it changes (at most `limit`).
  int framesin(matchstate state, int limit = 1000) {
    int n = 0;
    while (m().state == state && n < limit) {
      frame();
      n++;
    }
    return n;
  }
};

TEST_F(flowtest, OnePlayerLossOverridesAWinInTheSameFrame) {
  build(gamemode::single, 3, 3, 1);
  m().comboscore = 5000;
  game->current.score = 700;
  f(2).energy = 0;
  f(3).energy = std::numeric_limits<float>::quiet_NaN();  // counts as run out
  f(1).energy = 0;
  frame();
  EXPECT_EQ(game->current.score, 700 + 5000);  // the bonus was added, player 1 earns no energy bonus
  EXPECT_EQ(m().decided, outcome::second);
  EXPECT_EQ(m().message.str(), "  YOU LOSE!  ");
  EXPECT_EQ(m().message.timer, 100);
  EXPECT_EQ(m().state, matchstate::tellresult);
  EXPECT_EQ(m().statestart, m().framecount);
  for (int n = 1; n <= 3; n++) {
    EXPECT_EQ(f(n).dead, 1);
    EXPECT_EQ(f(n).energy, 0);
  }

  // Decided once: a later frame changes nothing.
  f(1).energy = 5;
  frame();
  EXPECT_EQ(m().decided, outcome::second);
  EXPECT_EQ(game->current.score, 5700);

  // A win alone: full energy earns the whole bonus.
  build(gamemode::single, 1, 2, 1);
  f(2).energy = -3;
  frame();
  EXPECT_EQ(m().decided, outcome::first);
  EXPECT_EQ(m().message.str(), "  YOU WIN!  ");
  EXPECT_EQ(game->current.score, 100000);
  EXPECT_EQ(f(1).dead, 0);
}

TEST_F(flowtest, CoopIsLostOnlyWhenBothPlayersAreOut) {
  build(gamemode::coop, 3, 4, 2);
  f(1).energy = 0;
  frame();
  EXPECT_EQ(m().decided, outcome::undecided);
  EXPECT_EQ(f(1).dead, 1);
  EXPECT_EQ(m().state, matchstate::game);
  m().comboscore = 3000;
  f(3).energy = 0;
  f(4).energy = 0;
  frame();
  EXPECT_EQ(m().decided, outcome::first);
  EXPECT_EQ(m().message.str(), "  YOU WIN!  ");
  EXPECT_EQ(game->current.score, 3000);  // player 1 is out: only the combo score

  build(gamemode::coop, 3, 4, 2);
  f(1).energy = 0;
  f(2).energy = 0;
  frame();
  EXPECT_EQ(m().decided, outcome::second);
  EXPECT_EQ(m().message.str(), "  YOU LOSE!  ");
}

TEST_F(flowtest, VersusResults) {
  build(gamemode::versus, 1, 2, 1);
  f(1).energy = 0;
  f(2).energy = 0;
  frame();
  EXPECT_EQ(m().decided, outcome::second);
  EXPECT_EQ(m().message.str(), "PLAYER 2 WINS!");
  EXPECT_EQ(game->current.score, 0);

  build(gamemode::versus, 1, 2, 1);
  f(2).energy = 0;
  frame();
  EXPECT_EQ(m().decided, outcome::first);
  EXPECT_EQ(m().message.str(), "PLAYER 1 WINS!");
  // Without keys the result shows for 400 frames, then the match ends.
  EXPECT_EQ(framesin(matchstate::tellresult), 400);
  EXPECT_EQ(m().state, matchstate::end);
  EXPECT_EQ(m().framecount - 151, 400);

  // Space ends it on the frame it is held.
  build(gamemode::versus, 1, 2, 1);
  f(1).energy = 0;
  frame();
  const int decided = m().framecount;
  for (int i = 0; i < 36; i++) frame();
  EXPECT_EQ(m().state, matchstate::tellresult);
  hold(media::key::space);
  frame();
  EXPECT_EQ(m().state, matchstate::end);
  EXPECT_EQ(m().framecount - decided, 37);
  EXPECT_EQ(m().decided, outcome::second);
}

TEST_F(flowtest, TellResultLastsExactlyAHundredFramesAgainstTheComputer) {
  // Won, with every leaving key held all along: 100 frames, then the summary ends at once.
  build(gamemode::single, 1, 2, 1);
  hold(media::key::enter);
  hold(media::key::space);
  f(2).energy = 0;
  frame();
  EXPECT_EQ(m().state, matchstate::tellresult);
  EXPECT_EQ(framesin(matchstate::tellresult), 100);
  EXPECT_EQ(m().state, matchstate::end);

  // Lost in co-op, no keys: 100 frames, then the game over.
  build(gamemode::coop, 1, 3, 2);
  f(1).energy = 0;
  f(2).energy = 0;
  frame();
  EXPECT_EQ(framesin(matchstate::tellresult), 100);
  EXPECT_EQ(m().state, matchstate::gameover);
}

TEST_F(flowtest, WinningLevelTwentyLeadsThroughNameEntryAndTheTable) {
  build(gamemode::single, 20, 2, 1);
  f(2).energy = 0;
  frame();
  framesin(matchstate::tellresult);
  EXPECT_EQ(m().state, matchstate::levelcompleted);
  for (int i = 0; i < 30; i++) frame();
  EXPECT_EQ(m().state, matchstate::levelcompleted);  // the summary waits for a key
  hold(media::key::enter);
  frame();
  // Enter leads on to the game over in the same frame, which then waits 20 frames of its own.
  EXPECT_EQ(m().state, matchstate::gameover);
  media::test::type(media::test::frames() + 5, 'q');
  EXPECT_EQ(framesin(matchstate::gameover), 21);
  EXPECT_EQ(m().state, matchstate::highscores);
  // The row was entered and saved on leaving the name entry.
  EXPECT_EQ(game->scores.rows.front().points, 100000);
  EXPECT_EQ(game->scores.rows.front().name, "Q");
  EXPECT_TRUE(media::fileexists("scores.txt"));
  EXPECT_EQ(framesin(matchstate::highscores), 21);
  EXPECT_EQ(m().state, matchstate::end);
  EXPECT_FALSE(m().left);
}

TEST_F(flowtest, EscapeEndsTheMatchFromAnyStateAndEntersNothing) {
  build(gamemode::single, 1, 2, 1);
  hold(media::key::escape);
  frame();
  EXPECT_EQ(m().state, matchstate::end);
  EXPECT_EQ(m().ending(), result::left);
  EXPECT_EQ(m().decided, outcome::undecided);
  letgo(media::key::escape);

  build(gamemode::single, 1, 2, 1);
  game->current.score = 5000;
  f(1).energy = 0;
  frame();
  framesin(matchstate::tellresult);
  ASSERT_EQ(m().state, matchstate::gameover);
  media::test::type(media::test::frames() + 5, 'z');
  for (int i = 0; i < 30; i++) frame();
  EXPECT_EQ(game->current.name.name(), "Z");
  hold(media::key::escape);
  frame();
  EXPECT_EQ(m().state, matchstate::end);
  EXPECT_EQ(m().ending(), result::left);
  for (const scoreentry& row : game->scores.rows) EXPECT_EQ(row.name, "NOBODY");
  EXPECT_FALSE(media::fileexists("scores.txt"));
}

}  // namespace
}  // namespace flopfist
