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

class flowtest : public testing::gametest {
 protected:
  std::unique_ptr<fightgame> game;

  // A match in "game" state; the first `players` fighters are the players' team.
  void build(const char* mode, int count, int players) {
    game = testing::makegame();
    game->defaultscores();
    game->gamemode = mode;
    game->fightercount = count;
    game->level = 3;
    game->matchstate = "game";
    game->framecount = 150;
    for (int n = 1; n <= count; n++) {
      auto f = std::make_unique<man>();
      f->number = n;
      f->team = n <= players ? 1 : 0;
      f->game = game.get();
      f->setup(count);
      game->fighters[n] = std::move(f);
    }
  }

  man& f(int n) { return *game->fighters[n]; }

  // One match frame as far as the flow is concerned.
  void frame() {
    game->framecount++;
    game->matchflow();
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
  int framesin(const std::string& state, int limit = 1000) {
    int n = 0;
    while (game->matchstate == state && n < limit) {
      frame();
      n++;
    }
    return n;
  }
};

TEST_F(flowtest, OnePlayerLossOverridesAWinInTheSameFrame) {
  build("1", 3, 1);
  game->comboscore = 5000;
  game->score = 700;
  f(2).energy = 0;
  f(3).energy = std::numeric_limits<float>::quiet_NaN();  // counts as run out
  f(1).energy = 0;
  frame();
  EXPECT_EQ(game->score, 700 + 5000);  // the bonus was added, player 1 earns no energy bonus
  EXPECT_EQ(game->outcome, 2);
  EXPECT_EQ(game->message, "  YOU LOSE!  ");
  EXPECT_EQ(game->messagetimer, 100);
  EXPECT_EQ(game->matchstate, "tell result");
  EXPECT_EQ(game->statestart, game->framecount);
  for (int n = 1; n <= 3; n++) {
    EXPECT_EQ(f(n).dead, 1);
    EXPECT_EQ(f(n).energy, 0);
  }

  // Decided once: a later frame changes nothing.
  f(1).energy = 5;
  frame();
  EXPECT_EQ(game->outcome, 2);
  EXPECT_EQ(game->score, 5700);

  // A win alone: full energy earns the whole bonus.
  build("1", 2, 1);
  f(2).energy = -3;
  frame();
  EXPECT_EQ(game->outcome, 1);
  EXPECT_EQ(game->message, "  YOU WIN!  ");
  EXPECT_EQ(game->score, 100000);
  EXPECT_EQ(f(1).dead, 0);
}

TEST_F(flowtest, CoopIsLostOnlyWhenBothPlayersAreOut) {
  build("2coop", 4, 2);
  f(1).energy = 0;
  frame();
  EXPECT_EQ(game->outcome, 0);
  EXPECT_EQ(f(1).dead, 1);
  EXPECT_EQ(game->matchstate, "game");
  game->comboscore = 3000;
  f(3).energy = 0;
  f(4).energy = 0;
  frame();
  EXPECT_EQ(game->outcome, 1);
  EXPECT_EQ(game->message, "  YOU WIN!  ");
  EXPECT_EQ(game->score, 3000);  // player 1 is out: only the combo score

  build("2coop", 4, 2);
  f(1).energy = 0;
  f(2).energy = 0;
  frame();
  EXPECT_EQ(game->outcome, 2);
  EXPECT_EQ(game->message, "  YOU LOSE!  ");
}

TEST_F(flowtest, VersusResults) {
  build("2vs", 2, 1);
  f(1).energy = 0;
  f(2).energy = 0;
  frame();
  EXPECT_EQ(game->outcome, 2);
  EXPECT_EQ(game->message, "PLAYER 2 WINS!");
  EXPECT_EQ(game->score, 0);

  build("2vs", 2, 1);
  f(2).energy = 0;
  frame();
  EXPECT_EQ(game->outcome, 1);
  EXPECT_EQ(game->message, "PLAYER 1 WINS!");
  // Without keys the result shows for 400 frames, then the match ends.
  EXPECT_EQ(framesin("tell result"), 400);
  EXPECT_EQ(game->matchstate, "end");
  EXPECT_EQ(game->framecount - 151, 400);

  // Space ends it on the frame it is held.
  build("2vs", 2, 1);
  f(1).energy = 0;
  frame();
  const int decided = game->framecount;
  for (int i = 0; i < 36; i++) frame();
  EXPECT_EQ(game->matchstate, "tell result");
  hold(media::key::space);
  frame();
  EXPECT_EQ(game->matchstate, "end");
  EXPECT_EQ(game->framecount - decided, 37);
  EXPECT_EQ(game->outcome, 2);
}

TEST_F(flowtest, TellResultLastsExactlyAHundredFramesAgainstTheComputer) {
  // Won, with every leaving key held all along: 100 frames, then the summary ends at once.
  build("1", 2, 1);
  hold(media::key::enter);
  hold(media::key::space);
  f(2).energy = 0;
  frame();
  EXPECT_EQ(game->matchstate, "tell result");
  EXPECT_EQ(framesin("tell result"), 100);
  EXPECT_EQ(game->matchstate, "end");

  // Lost in co-op, no keys: 100 frames, then the game over.
  build("2coop", 3, 2);
  f(1).energy = 0;
  f(2).energy = 0;
  frame();
  EXPECT_EQ(framesin("tell result"), 100);
  EXPECT_EQ(game->matchstate, "game over");
}

TEST_F(flowtest, WinningLevelTwentyLeadsThroughNameEntryAndTheTable) {
  build("1", 2, 1);
  game->level = 20;
  f(2).energy = 0;
  frame();
  framesin("tell result");
  EXPECT_EQ(game->matchstate, "level completed");
  for (int i = 0; i < 30; i++) frame();
  EXPECT_EQ(game->matchstate, "level completed");  // the summary waits for a key
  hold(media::key::enter);
  frame();
  // Enter leads on to the game over in the same frame, which then waits 20 frames of its own.
  EXPECT_EQ(game->matchstate, "game over");
  media::test::type(media::test::frames() + 5, 'q');
  EXPECT_EQ(framesin("game over"), 21);
  EXPECT_EQ(game->matchstate, "highscores");
  // The row was entered and saved on leaving the name entry.
  EXPECT_EQ(game->scoretable.front().points, 100000);
  EXPECT_EQ(game->scoretable.front().name, "Q");
  EXPECT_TRUE(media::fileexists("scores.txt"));
  EXPECT_EQ(framesin("highscores"), 21);
  EXPECT_EQ(game->matchstate, "end");
  EXPECT_EQ(game->matchresult, 0);
}

TEST_F(flowtest, EscapeEndsTheMatchFromAnyStateAndEntersNothing) {
  build("1", 2, 1);
  hold(media::key::escape);
  frame();
  EXPECT_EQ(game->matchstate, "end");
  EXPECT_EQ(game->matchresult, 3);
  EXPECT_EQ(game->outcome, 0);
  letgo(media::key::escape);

  build("1", 2, 1);
  game->score = 5000;
  f(1).energy = 0;
  frame();
  framesin("tell result");
  ASSERT_EQ(game->matchstate, "game over");
  media::test::type(media::test::frames() + 5, 'z');
  for (int i = 0; i < 30; i++) frame();
  EXPECT_EQ(game->playername, "Z");
  hold(media::key::escape);
  frame();
  EXPECT_EQ(game->matchstate, "end");
  EXPECT_EQ(game->matchresult, 3);
  for (const scoreentry& row : game->scoretable) EXPECT_EQ(row.name, "NOBODY");
  EXPECT_FALSE(media::fileexists("scores.txt"));
}

}  // namespace
}  // namespace flopfist
