// Level bonus, the counting summary, the game-over screen and its name entry.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/fightgame.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

using media::test::frame;

// True when the two frames hold the same pixels inside the rectangle.
bool samepixels(const frame& a, const frame& b, int x0, int y0, int x1, int y1) {
  for (int y = y0; y < y1; y++) {
    for (int x = x0; x < x1; x++) {
      if (a.at(x, y) != b.at(x, y)) return false;
    }
  }
  return true;
}

bool inkin(const frame& f, int x0, int y0, int x1, int y1) {
  for (int y = y0; y < y1; y++) {
    for (int x = x0; x < x1; x++) {
      if ((f.at(x, y) & 0xFFFFFF) != 0) return true;
    }
  }
  return false;
}

class summarytest : public testing::gametest {
 protected:
  std::unique_ptr<fightgame> game;

  void SetUp() override {
    gametest::SetUp();
    game = testing::makegame();
    game->defaultscores();
    // A steady grey text colour, so the screens can be compared with plain text.
    for (int k = 1; k <= 3; k++) {
      game->colours[1][k] = 200;
      game->colourspeed[1][k] = 0;
    }
    game->fighters[1] = std::make_unique<man>();
    game->fighters[1]->number = 1;
    game->fighters[1]->game = game.get();
    game->fighters[1]->setup(2);
    game->fightercount = 1;
    game->level = 3;
  }

  man& player() { return *game->fighters[1]; }

  frame summaryat(int l) {
    media::cls();
    game->levelsummary(l - 1);
    return media::test::backbuffer();
  }

  // The summary's value column as it would look showing these numbers.
  frame values(const std::string& combo, const std::string& bonus, const std::string& total) {
    media::cls();
    media::setcolor(200, 200, 200);
    media::setscale(0.375f, 0.375f);
    media::drawtext("COMBO SCORE: ", 100, 340);
    media::drawtext("ENERGY BONUS: ", 100, 440);
    media::drawtext("TOTAL SCORE: ", 100, 540);
    media::drawtext(combo, 724, 340);
    media::drawtext(bonus, 724, 440);
    media::drawtext(total, 724, 540);
    media::setscale(1, 1);
    return media::test::backbuffer();
  }

  void expectvalues(int l, const std::string& combo, const std::string& bonus, const std::string& total) {
    const frame shown = summaryat(l);
    const frame want = values(combo, bonus, total);
    EXPECT_TRUE(samepixels(shown, want, 0, 330, 1024, 640))
        << "summary frame " << l << " should show " << combo << ", " << bonus << ", " << total;
  }

  void gameoverframes(int from, int to) {
    for (int e = from; e <= to; e++) {
      media::cls();
      game->drawgameover(e);
      media::flip(-1);
    }
  }
};

TEST_F(summarytest, LevelBonus) {
  game->score = 7;
  game->addlevelbonus();
  EXPECT_EQ(game->score, 7 + 100000);  // full energy, no blows

  player().energy = player().maxenergy / 2;
  game->comboscore = 14000;
  game->score = 0;
  game->addlevelbonus();
  EXPECT_EQ(game->score, 14000 + 25000);

  player().energy = player().maxenergy * 0.65f;  // 0.65 in single precision is a little less
  game->comboscore = 0;
  game->score = 0;
  game->addlevelbonus();
  EXPECT_EQ(game->score, 42249);

  game->comboscore = 14000;
  player().energy = 0;
  game->score = 5;
  game->addlevelbonus();
  EXPECT_EQ(game->score, 5 + 14000);

  // Scores grow past 32 bits.
  player().energy = player().maxenergy;
  game->score = int64_t(1) << 33;
  game->comboscore = 0;
  game->addlevelbonus();
  EXPECT_EQ(game->score, (int64_t(1) << 33) + 100000);
}

TEST_F(summarytest, TheSummaryCountsDownFromFrame300To420) {
  player().energy = player().maxenergy / 2;  // bonus 25000
  game->comboscore = 14000;
  game->maxcombo = 3;
  game->levelstartscore = 200000;
  game->score = 200000;
  game->addlevelbonus();
  ASSERT_EQ(game->score, 239000);

  expectvalues(300, "14000", "25000", "200000");
  expectvalues(360, "7000", "12500", "219500");
  expectvalues(420, "0", "0", "239000");
  expectvalues(421, "0", "0", "239000");
  expectvalues(5000, "0", "0", "239000");

  // The lines come one per second, each value half a second after its label.
  EXPECT_FALSE(inkin(summaryat(60), 100, 240, 700, 320));
  EXPECT_TRUE(inkin(summaryat(61), 100, 240, 700, 320));
  EXPECT_FALSE(inkin(summaryat(90), 724, 240, 1024, 320));
  EXPECT_TRUE(inkin(summaryat(91), 724, 240, 1024, 320));
  EXPECT_FALSE(inkin(summaryat(270), 724, 540, 1024, 620));
  EXPECT_TRUE(inkin(summaryat(271), 724, 540, 1024, 620));
  EXPECT_TRUE(inkin(summaryat(1), 0, 50, 1024, 150)) << "the title from the first frame";
}

TEST_F(summarytest, NameEntry) {
  game->score = 1500;
  // Typed while the screen's first frames flush the keyboard: delivered after that.
  const int start = media::test::frames();
  media::test::type(start + 3, 'a');
  media::test::type(start + 3, 'b');
  media::test::type(start + 3, 'c');
  gameoverframes(0, 4);
  EXPECT_EQ(game->playername, "AB") << "one character per frame";
  gameoverframes(5, 130);
  EXPECT_EQ(game->playername, "ABC");
  const frame shown = media::test::presented();
  media::cls();
  game->setpalettecolour(1);
  game->drawcentred("ABC", 0.6f, 542);
  media::setscale(1, 1);
  EXPECT_TRUE(samepixels(shown, media::test::backbuffer(), 0, 542, 1024, 700));

  media::test::type(media::test::frames() + 1, 8);
  gameoverframes(131, 133);
  EXPECT_EQ(game->playername, "AB");

  // Rejected characters, a sixteenth character, and a name kept for the next game over.
  const std::string typed = "\"x`y~z\x01" "0123456789ABCDEFGH";
  for (char c : typed) media::test::type(media::test::frames() + 1, c);
  gameoverframes(134, 134 + int(typed.size()) + 2);
  EXPECT_EQ(game->playername, "ABXYZ0123456789");
  gameoverframes(0, 3);
  EXPECT_EQ(game->playername, "ABXYZ0123456789");
  for (int i = 0; i < 20; i++) media::test::type(media::test::frames() + 1, media::key::backspace);
  gameoverframes(4, 30);
  EXPECT_EQ(game->playername, "");
  EXPECT_EQ(game->namecursor, 1);
}

TEST_F(summarytest, ThePromptShowsOnlyForAQualifyingScore) {
  auto prompted = [&] {
    media::cls();
    game->drawgameover(200);
    return inkin(media::test::backbuffer(), 0, 450, 1024, 540);
  };
  game->score = 0;
  EXPECT_FALSE(prompted());
  game->score = 1;
  EXPECT_TRUE(prompted());
  for (scoreentry& row : game->scoretable) row.points = 5000;
  game->score = 5000;
  EXPECT_FALSE(prompted());
  game->score = 5001;
  EXPECT_TRUE(prompted());
  // Before frame 121 the prompt waits; the title and score come first.
  media::cls();
  game->drawgameover(119);
  EXPECT_FALSE(inkin(media::test::backbuffer(), 0, 450, 1024, 540));
  EXPECT_TRUE(inkin(media::test::backbuffer(), 0, 200, 1024, 300));
}

TEST_F(summarytest, EnterLeavesTheNameEntryOnlyAfterTwentyFrames) {
  game->gamemode = "1";
  game->score = 4000;
  game->matchstate = "game over";
  game->framecount = 500;
  game->statestart = 500;
  game->outcome = 2;
  player().dead = 1;
  player().energy = 0;
  media::test::press(media::test::frames() + 1, media::key::enter);
  media::flip(-1);
  for (int e = 1; e <= 20; e++) {
    game->framecount++;
    game->matchflow();
    media::flip(-1);
  }
  EXPECT_EQ(game->matchstate, "game over");
  EXPECT_EQ(game->scoretable.front().points, 0);
  EXPECT_FALSE(media::fileexists("scores.txt"));
  game->framecount++;
  game->matchflow();
  EXPECT_EQ(game->matchstate, "highscores");
  EXPECT_EQ(game->scoretable.front().points, 4000);
  EXPECT_TRUE(media::fileexists("scores.txt"));
}

TEST_F(summarytest, TypedCharacters) {
  int accepted = 0;
  for (int code = 0; code < 256; code++) {
    if (keychar(code) != "nope") {
      EXPECT_EQ(keychar(code), std::string(1, char(code)));
      accepted++;
    }
  }
  EXPECT_EQ(accepted, 92);
  for (int code : {0, 8, 13, 27, 34, 96, 126, 127, 200, -1, 300}) EXPECT_EQ(keychar(code), "nope") << code;
  for (char c : std::string("aZ 09@!#$%^&*()-_+=[]{}<>,.?/\\|:;'")) EXPECT_EQ(keychar(c), std::string(1, c));
}

}  // namespace
}  // namespace flopfist
