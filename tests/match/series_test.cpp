// Whole series played by a script that reads the screen state and presses keys like a player.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/fightgame.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

// A game whose matches are played frame by frame, a script acting before each frame.
class scriptedgame : public fightgame {
 public:
  std::function<void(scriptedgame&)> script;
  std::vector<std::vector<std::string>> states;  // per match, the states in order of appearance
  std::vector<std::string> openings;             // per match, the caption shown from its second frame

  int playmatch() override {
    setupmatch();
    states.push_back({});
    do {
      if (states.back().empty() || states.back().back() != matchstate) states.back().push_back(matchstate);
      if (framecount == 2) openings.push_back(message);
      script(*this);
      matchframe();
    } while (matchstate != "end");
    states.back().push_back("end");
    if (matchresult != 3) matchresult = outcome;
    return matchresult;
  }

  int elapsed() const { return framecount - statestart; }
};

void press(int key) { media::test::press(media::test::frames() + 1, key); }
void release(int key) { media::test::release(media::test::frames() + 1, key); }
void type(const std::string& text) {
  for (char c : text) media::test::type(media::test::frames() + 1, c);
}

class seriestest : public testing::gametest {
 protected:
  std::unique_ptr<scriptedgame> game;

  void SetUp() override {
    gametest::SetUp();
    game = std::make_unique<scriptedgame>();
    testing::openassets(*game);
    game->resetoptions();
    game->defaultscores();
  }
};

TEST_F(seriestest, OnePlayerSeriesWonLevelByLevelEndsInTheTable) {
  // Two better scores and two worse are on file already.
  media::savefile("scores.txt",
                  "ANNA\r\n3000000\r\nBERT\r\n2500000\r\nCARL\r\n1999999\r\nDORA\r\n10\r\n");
  game->loadscores();
  game->gamemode = "1";
  int summariesseen = 0;
  game->script = [&](scriptedgame& g) {
    if (g.matchstate == "game" && g.framecount == 0) {
      press(media::key::digit4);
      press(media::key::digit1);
    }
    if (g.matchstate == "level completed") {
      if (g.elapsed() == 0) {
        release(media::key::digit4);
        release(media::key::digit1);
      }
      // The first and the last summaries are watched to the end of the count.
      const int watch = (g.level == 1 || g.level == 20) ? 425 : 65;
      if (g.elapsed() == watch) {
        summariesseen++;
        press(media::key::enter);
      }
    }
    if (g.matchstate == "game" && g.framecount == 1) release(media::key::enter);
    if (g.matchstate == "game over") {
      if (g.elapsed() == 1) release(media::key::enter);
      if (g.elapsed() == 5) type("zed");
      if (g.elapsed() == 30) press(media::key::enter);
    }
    if (g.matchstate == "highscores") {
      if (g.elapsed() == 1) release(media::key::enter);
      if (g.elapsed() == 40) press(media::key::space);
    }
  };
  game->playseries();

  ASSERT_EQ(game->states.size(), 20u);
  EXPECT_EQ(summariesseen, 20);
  const std::vector<std::string> won = {"game", "tell result", "level completed", "end"};
  const std::vector<std::string> last = {"game", "tell result", "level completed", "game over",
                                         "highscores", "end"};
  for (size_t i = 0; i + 1 < game->states.size(); i++) EXPECT_EQ(game->states[i], won) << "level " << i + 1;
  EXPECT_EQ(game->states.back(), last);
  // Each level won at full energy with no blows: 100000 a level.
  EXPECT_EQ(game->score, 2000000);
  EXPECT_EQ(game->playername, "ZED");

  // Third, between the better and the worse scores.
  media::infile file;
  ASSERT_TRUE(file.open("scores.txt"));
  std::vector<std::string> lines;
  while (!file.eof()) lines.push_back(file.readline());
  ASSERT_GE(lines.size(), 40u);
  EXPECT_EQ(lines[2], "BERT");
  EXPECT_EQ(lines[4], "ZED");
  EXPECT_EQ(lines[5], "2000000");
  EXPECT_EQ(lines[6], "CARL");
  EXPECT_EQ(lines[8], "DORA");
}

TEST_F(seriestest, ALostLevelEndsTheSeriesThroughGameOverAndTheTable) {
  game->gamemode = "1";
  game->script = [&](scriptedgame& g) {
    if (g.matchstate == "game" && g.level == 1 && g.framecount == 0) {
      press(media::key::digit4);
      press(media::key::digit1);
    }
    if (g.matchstate == "level completed" && g.elapsed() == 10) {
      release(media::key::digit4);
      release(media::key::digit1);
      press(media::key::space);
    }
    if (g.matchstate == "game" && g.level == 2 && g.framecount == 1) release(media::key::space);
    if (g.matchstate == "game" && g.level == 2 && g.framecount == 30) g.fighters[1]->energy = 0;
    if (g.matchstate == "game over" && g.elapsed() == 25) press(media::key::enter);
    if (g.matchstate == "highscores" && g.elapsed() == 1) release(media::key::enter);
    if (g.matchstate == "highscores" && g.elapsed() == 30) press(media::key::enter);
  };
  game->playseries();
  ASSERT_EQ(game->states.size(), 2u);
  const std::vector<std::string> lost = {"game", "tell result", "game over", "highscores", "end"};
  EXPECT_EQ(game->states[1], lost);
  EXPECT_EQ(game->score, 100000);
  EXPECT_EQ(game->scoretable.front().points, 100000);
  EXPECT_TRUE(media::fileexists("scores.txt"));
}

TEST_F(seriestest, VersusMatchesOpenWithTheScore) {
  game->gamemode = "2vs";
  int match = 0;
  game->script = [&](scriptedgame& g) {
    if (g.matchstate == "game" && g.framecount == 0) {
      match++;
      release(media::key::space);
    }
    // Player 1, player 2 and player 1 again win; the fourth match is left with Escape.
    if (g.matchstate == "game" && g.framecount == 120) {
      if (match == 1 || match == 3) g.fighters[2]->energy = 0;
      if (match == 2) g.fighters[1]->energy = 0;
      if (match == 4) press(media::key::escape);
    }
    if (g.matchstate == "tell result" && g.elapsed() == 20) press(media::key::space);
  };
  game->playseries();
  const std::vector<std::string> openings = {"  0 - 0  ", "  1 - 0  ", "  1 - 1  ", "  2 - 1  "};
  EXPECT_EQ(game->openings, openings);
  EXPECT_EQ(game->wins[1], 2);
  EXPECT_EQ(game->wins[2], 1);
  const std::vector<std::string> decided = {"game", "tell result", "end"};
  EXPECT_EQ(game->states[0], decided);
  EXPECT_EQ(game->states[1], decided);
}

}  // namespace
}  // namespace flopfist
