// Level bonus, the counting summary, the game-over screen and its name entry.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/fightgame.h"
#include "body/util.h"
#include "media/media.h"
#include "media/testing.h"
#include "scores/screens.h"
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
    game->scores.defaults();
    // A steady grey text colour, so the screens can be compared with plain text.
    for (int k = 1; k <= 3; k++) {
      game->colours.colours[1][k] = 200;
      game->colours.speeds[1][k] = 0;
    }
    game->current.level = 3;
    game->beginmatch();
  }

  match& playing() { return *game->playing; }
  man& player() { return playing().fighters[1]; }

  // Knocks the opponents out and lets the match decide: a won level reports its bonus and the
  // game adds it to the score.
  void winlevel() {
    match& m = playing();
    for (int i = 2; i <= m.fightercount; i++) m.fighters[size_t(i)].energy = 0;
    matchevents ev;
    m.matchflow(frameinput{}, ev);
    ASSERT_TRUE(ev.won);
    game->play(ev);
  }

  frame summaryat(int l) {
    media::cls();
    drawlevelsummary(playing(), game->current, l - 1, game->colours);
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

  // GAME OVER as a lost match shows it from frame `from` to `to` of the screen: the step records
  // it, the game takes the frame's typed character into the name and draws it.
  void gameoverframes(int from, int to) {
    match& m = playing();
    m.decided = outcome::second;
    for (int e = from; e <= to; e++) {
      media::cls();
      m.state = matchstate::gameover;
      m.statestart = m.framecount + 1 - e;  // the step counts its frame before the flow
      game->drawoverlays(m.step(frameinput{}));
      media::flip(-1);
    }
  }
  const std::string& playername() const { return game->current.name.name(); }
};

TEST_F(summarytest, LevelBonus) {
  game->current.score = 7;
  winlevel();
  EXPECT_EQ(game->current.score, 7 + 100000);  // full energy, no blows

  game->beginmatch();  // a match decides once: each case wins a new one
  player().energy = player().maxenergy / 2;
  playing().comboscore = 14000;
  game->current.score = 0;
  winlevel();
  EXPECT_EQ(game->current.score, 14000 + 25000);

  game->beginmatch();
  player().energy = player().maxenergy * 0.65f;  // 0.65 in single precision is a little less
  playing().comboscore = 0;
  game->current.score = 0;
  winlevel();
  EXPECT_EQ(game->current.score, 42249);

  game->beginmatch();
  playing().comboscore = 14000;
  player().energy = 0;
  game->current.score = 5;
  winlevel();
  EXPECT_EQ(game->current.score, 5 + 14000);

  // Scores grow past 32 bits.
  game->beginmatch();
  player().energy = player().maxenergy;
  game->current.score = int64_t(1) << 33;
  playing().comboscore = 0;
  winlevel();
  EXPECT_EQ(game->current.score, (int64_t(1) << 33) + 100000);
}

TEST_F(summarytest, TheSummaryCountsDownFromFrame300To420) {
  game->current.score = 200000;
  game->beginmatch();  // the level starts at 200000
  player().energy = player().maxenergy / 2;  // bonus 25000
  playing().comboscore = 14000;
  playing().maxcombo = 3;
  winlevel();
  ASSERT_EQ(game->current.levelstartscore, 200000);
  ASSERT_EQ(game->current.score, 239000);

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
  game->current.score = 1500;
  // Typed while the screen's first frames flush the keyboard: delivered after that.
  const int start = media::test::frames();
  media::test::type(start + 3, 'a');
  media::test::type(start + 3, 'b');
  media::test::type(start + 3, 'c');
  gameoverframes(0, 4);
  EXPECT_EQ(playername(), "AB") << "one character per frame";
  gameoverframes(5, 130);
  EXPECT_EQ(playername(), "ABC");
  const frame shown = media::test::presented();
  media::cls();
  game->colours.use(1);
  drawcentred("ABC", 0.6f, 542);
  media::setscale(1, 1);
  EXPECT_TRUE(samepixels(shown, media::test::backbuffer(), 0, 542, 1024, 700));

  media::test::type(media::test::frames() + 1, 8);
  gameoverframes(131, 133);
  EXPECT_EQ(playername(), "AB");

  // Rejected characters, a sixteenth character, and a name kept for the next game over.
  const std::string typed = "\"x`y~z\x01" "0123456789ABCDEFGH";
  for (char c : typed) media::test::type(media::test::frames() + 1, c);
  gameoverframes(134, 134 + int(typed.size()) + 2);
  EXPECT_EQ(playername(), "ABXYZ0123456789");
  gameoverframes(0, 3);
  EXPECT_EQ(playername(), "ABXYZ0123456789");
  for (int i = 0; i < 20; i++) media::test::type(media::test::frames() + 1, media::key::backspace);
  gameoverframes(4, 30);
  EXPECT_EQ(playername(), "");
  // Backspaces past the start leave the next character first in the name.
  media::test::type(media::test::frames() + 1, 'q');
  gameoverframes(31, 32);
  EXPECT_EQ(playername(), "Q");
}

TEST_F(summarytest, ThePromptShowsOnlyForAQualifyingScore) {
  auto prompted = [&] {
    media::cls();
    drawgameover(game->current, game->scores, 200, game->colours);
    return inkin(media::test::backbuffer(), 0, 450, 1024, 540);
  };
  game->current.score = 0;
  EXPECT_FALSE(prompted());
  game->current.score = 1;
  EXPECT_TRUE(prompted());
  for (scoreentry& row : game->scores.rows) row.points = 5000;
  game->current.score = 5000;
  EXPECT_FALSE(prompted());
  game->current.score = 5001;
  EXPECT_TRUE(prompted());
  // Before frame 121 the prompt waits; the title and score come first.
  media::cls();
  drawgameover(game->current, game->scores, 119, game->colours);
  EXPECT_FALSE(inkin(media::test::backbuffer(), 0, 450, 1024, 540));
  EXPECT_TRUE(inkin(media::test::backbuffer(), 0, 200, 1024, 300));
}

TEST_F(summarytest, EnterLeavesTheNameEntryOnlyAfterTwentyFrames) {
  game->current.score = 4000;
  match& m = playing();
  m.mode = gamemode::single;
  m.state = matchstate::gameover;
  m.framecount = 500;
  m.statestart = 500;
  m.decided = outcome::second;
  player().dead = 1;
  player().energy = 0;
  // Enter held all along; the game plays the frame out and enters the score when told to.
  media::test::press(media::test::frames() + 1, media::key::enter);
  media::flip(-1);
  auto oneframe = [&] { game->drawoverlays(m.step(game->takeinput())); };
  for (int e = 1; e <= 20; e++) {
    oneframe();
    media::flip(-1);
  }
  EXPECT_EQ(m.state, matchstate::gameover);
  EXPECT_EQ(game->scores.rows.front().points, 0);
  EXPECT_FALSE(media::fileexists("scores.txt"));
  oneframe();
  EXPECT_EQ(m.state, matchstate::highscores);
  EXPECT_EQ(game->scores.rows.front().points, 4000);
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
