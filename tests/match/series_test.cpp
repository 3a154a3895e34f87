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

// A game whose matches are played step by step, a script acting before each step.
class scriptedgame : public fightgame {
 public:
  std::function<void(scriptedgame&)> script;
  std::vector<std::vector<matchstate>> states;  // per match, the states in order of appearance
  std::vector<std::string> openings;            // per match, the caption shown from its second frame

  result playmatch() override {
    beginmatch();
    states.push_back({});
    do {
      if (states.back().empty() || states.back().back() != m().state) states.back().push_back(m().state);
      if (m().framecount == 2) openings.emplace_back(m().message.str());
      script(*this);
      matchframe();
      while (held > 0) matchframe();  // the step's picture shows once the ticks it holds end
    } while (m().state != matchstate::end);
    states.back().push_back(matchstate::end);
    endmatch();
    return m().ending();
  }

  match& m() { return *playing; }
  matchstate state() const { return playing->state; }
  int frame() const { return playing->framecount; }
  int elapsed() const { return playing->framecount - playing->statestart; }
  std::string caption() const { return std::string(playing->message.str()); }
};

void press(int key) { media::test::press(media::test::frames() + 1, key); }
void release(int key) { media::test::release(media::test::frames() + 1, key); }
// Escape as a player leaves: in a campaign with points on the board the game first asks LEAVE?,
// and the player answers with Escape again.
void leave(scriptedgame& g) {
  press(media::key::escape);
  const bool campaign = g.m().mode == gamemode::single || g.m().mode == gamemode::coop;
  if (campaign && (g.current.score > 0 || g.m().comboscore > 0)) {
    media::test::tap(media::test::frames() + 4, media::key::escape);
  }
}
void type(const std::string& text) {
  for (char c : text) media::test::type(media::test::frames() + 1, c);
}

class seriestest : public testing::gametest {
 protected:
  std::unique_ptr<scriptedgame> game;

  void SetUp() override {
    gametest::SetUp();
    game = std::make_unique<scriptedgame>();
    game->art = testing::openassets();
    game->settings = options{};
    game->scores.defaults();
  }
};

TEST_F(seriestest, OnePlayerSeriesWonLevelByLevelEndsInTheTable) {
  // Two better scores and two worse are on file already.
  media::savefile("scores.txt",
                  "ANNA\r\n3000000\r\nBERT\r\n2500000\r\nCARL\r\n1999999\r\nDORA\r\n10\r\n");
  game->loadscores();
  game->current.mode = gamemode::single;
  media::test::blind(true);  // twenty levels, and no picture looked at
  int summariesseen = 0;
  game->script = [&](scriptedgame& g) {
    if (g.state() == matchstate::game && g.frame() == 0) {
      press(media::key::digit4);
      press(media::key::digit1);
    }
    if (g.state() == matchstate::levelcompleted) {
      if (g.elapsed() == 0) {
        release(media::key::digit4);
        release(media::key::digit1);
      }
      // The first and the last summaries are watched to the end of the count.
      const int watch = (g.m().level == 1 || g.m().level == 20) ? 425 : 65;
      if (g.elapsed() == watch) {
        summariesseen++;
        press(media::key::enter);
      }
    }
    if (g.state() == matchstate::game && g.frame() == 1) release(media::key::enter);
    if (g.state() == matchstate::gameover) {
      if (g.elapsed() == 1) release(media::key::enter);
      if (g.elapsed() == 5) type("zed");
      if (g.elapsed() == 30) press(media::key::enter);
    }
    if (g.state() == matchstate::highscores) {
      if (g.elapsed() == 1) release(media::key::enter);
      if (g.elapsed() == 40) press(media::key::space);
    }
  };
  game->playseries();

  ASSERT_EQ(game->states.size(), 20u);
  EXPECT_EQ(summariesseen, 20);
  const std::vector<matchstate> won = {matchstate::game, matchstate::tellresult,
                                       matchstate::levelcompleted, matchstate::end};
  const std::vector<matchstate> last = {matchstate::game,       matchstate::tellresult,
                                        matchstate::levelcompleted, matchstate::gameover,
                                        matchstate::highscores, matchstate::end};
  for (size_t i = 0; i + 1 < game->states.size(); i++) EXPECT_EQ(game->states[i], won) << "level " << i + 1;
  EXPECT_EQ(game->states.back(), last);
  // Each level won at full energy with no blows: 100000 a level.
  EXPECT_EQ(game->current.score, 2000000);
  EXPECT_EQ(game->current.name.name(), "ZED");

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

// After a level won with "4" and "1": Space on its summary, player 1 out of energy early in level
// 2, Enter on GAME OVER and on the table.
void secondlevellost(scriptedgame& g) {
  if (g.state() == matchstate::levelcompleted && g.elapsed() == 10) {
    release(media::key::digit4);
    release(media::key::digit1);
    press(media::key::space);
  }
  if (g.state() == matchstate::game && g.m().level == 2 && g.frame() == 1) release(media::key::space);
  if (g.state() == matchstate::game && g.m().level == 2 && g.frame() == 30) g.m().fighters[1].energy = 0;
  if (g.state() == matchstate::gameover && g.elapsed() == 25) press(media::key::enter);
  if (g.state() == matchstate::highscores && g.elapsed() == 1) release(media::key::enter);
  if (g.state() == matchstate::highscores && g.elapsed() == 30) press(media::key::enter);
}

TEST_F(seriestest, ALostLevelEndsTheSeriesThroughGameOverAndTheTable) {
  game->current.mode = gamemode::single;
  game->script = [&](scriptedgame& g) {
    if (g.state() == matchstate::game && g.m().level == 1 && g.frame() == 0) {
      press(media::key::digit4);
      press(media::key::digit1);
    }
    secondlevellost(g);
  };
  game->playseries();
  ASSERT_EQ(game->states.size(), 2u);
  const std::vector<matchstate> lost = {matchstate::game, matchstate::tellresult, matchstate::gameover,
                                        matchstate::highscores, matchstate::end};
  EXPECT_EQ(game->states[1], lost);
  EXPECT_EQ(game->current.score, 100000);
  EXPECT_EQ(game->scores.rows.front().points, 100000);
  EXPECT_TRUE(media::fileexists("scores.txt"));
}

TEST_F(seriestest, VersusMatchesOpenWithTheScore) {
  game->current.mode = gamemode::versus;
  media::test::blind(true);
  int played = 0;
  game->script = [&](scriptedgame& g) {
    if (g.state() == matchstate::game && g.frame() == 0) {
      played++;
      release(media::key::space);
    }
    // Player 1, player 2 and player 1 again win; the fourth match is left with Escape.
    if (g.state() == matchstate::game && g.frame() == 120) {
      if (played == 1 || played == 3) g.m().fighters[2].energy = 0;
      if (played == 2) g.m().fighters[1].energy = 0;
      if (played == 4) press(media::key::escape);
    }
    if (g.state() == matchstate::tellresult && g.elapsed() == 20) press(media::key::space);
  };
  game->playseries();
  const std::vector<std::string> openings = {"  0 - 0  ", "  1 - 0  ", "  1 - 1  ", "  2 - 1  "};
  EXPECT_EQ(game->openings, openings);
  EXPECT_EQ(game->current.wins[1], 2);
  EXPECT_EQ(game->current.wins[2], 1);
  const std::vector<matchstate> decided = {matchstate::game, matchstate::tellresult, matchstate::end};
  EXPECT_EQ(game->states[0], decided);
  EXPECT_EQ(game->states[1], decided);
}

// Pixels of blood drops (deep red) and of robot squares (yellow) in a frame.
int redpixels(const media::test::frame& f) {
  int n = 0;
  for (int y = 0; y < f.height; y++) {
    for (int x = 0; x < f.width; x++) n += f.r(x, y) > 150 && f.g(x, y) < 60 && f.b(x, y) < 60;
  }
  return n;
}
int yellowpixels(const media::test::frame& f) {
  int n = 0;
  for (int y = 0; y < f.height; y++) {
    for (int x = 0; x < f.width; x++) n += f.r(x, y) > 180 && f.g(x, y) > 180 && f.b(x, y) < 60;
  }
  return n;
}

// Steers player 1 (arrows) and, in versus, player 2 (A, D, W) toward each other, with a hop now
// and then so that fists and feet swing.
void closein(scriptedgame& g) {
  auto steer = [&](int n, int left, int right, int up, int other) {
    const float dx = g.m().fighters[size_t(other)].balls[bodyball::pelvis].x -
                     g.m().fighters[size_t(n)].balls[bodyball::pelvis].x;
    const bool hop = g.frame() % 90 < 12;
    media::test::release(media::test::frames() + 1, dx > 0 ? left : right);
    media::test::press(media::test::frames() + 1, dx > 0 ? right : left);
    if (hop) media::test::press(media::test::frames() + 1, up);
    if (!hop) media::test::release(media::test::frames() + 1, up);
  };
  if (g.state() != matchstate::game || g.m().decided != outcome::undecided) return;
  steer(1, media::key::left, media::key::right, media::key::up, 2);
  if (g.m().mode == gamemode::versus) steer(2, media::key::a, media::key::d, media::key::w, 1);
}

// The short run the sanitizers watch: a fight with blows and slow motion, a level end, a lost
// level, GAME OVER and the table, with nothing drawn.
TEST_F(seriestest, AShortSeriesCrossesABlowSlowMotionALevelEndAndGameOver) {
  media::test::blind(true);
  game->current.mode = gamemode::single;
  int blows = 0, slowframes = 0;
  game->script = [&](scriptedgame& g) {
    if (g.m().message.timer == 59 && g.caption().ends_with("BLOW!")) ++blows;
    if (g.state() == matchstate::game && g.m().slowmotimer >= 0) ++slowframes;
    if (g.state() == matchstate::game && g.m().level == 1 && blows > 0 && slowframes > 0) {
      press(media::key::digit4);
      press(media::key::digit1);
    }
    if (g.state() == matchstate::game && g.frame() > 2000) leave(g);  // no blow came
    secondlevellost(g);
    closein(g);
  };
  game->playseries();
  EXPECT_GT(blows, 0);
  EXPECT_GT(slowframes, 0);
  ASSERT_EQ(game->states.size(), 2u);
  EXPECT_EQ(game->states[0][2], matchstate::levelcompleted);
  const std::vector<matchstate> lost = {matchstate::game, matchstate::tellresult, matchstate::gameover,
                                        matchstate::highscores, matchstate::end};
  EXPECT_EQ(game->states[1], lost);
}

// Plays fights as a player would and keeps screenshots to look at: the first blow with its caption
// and blood, the caption fading, the summary counting, a versus fight and the robots of level 20.
TEST_F(seriestest, FightsAsAPlayerSeesThem) {
  auto shot = [](const std::string& name) {
    const media::test::frame f = media::test::presented();
    EXPECT_TRUE(media::test::savepng(f, testing::artefact("combat_" + name + ".png")));
    return f;
  };
  game->settings.soundsvolume = 5;
  game->settings.blood = 10;
  game->settings.plasma = 1;
  game->settings.slowmotion = 5;
  auto letgoall = [] {
    for (int key : {media::key::escape, media::key::digit4, media::key::digit1}) release(key);
    media::flip(-1);
  };
  auto blowcaption = [](const std::string& m) {
    return m.ends_with("BLOW!") || m.ends_with("HIT COMBO!");
  };
  for (gamemode mode : {gamemode::single, gamemode::versus}) {
    letgoall();
    game->current.mode = mode;
    game->current.level = 1;
    game->current.wins = {0, 0, 0};
    int firstblow = -1;
    const bool versus = mode == gamemode::versus;
    const std::string tag = versus ? "versus" : "level1";
    game->script = [&](scriptedgame& g) {
      const int f = g.frame();
      if (firstblow < 0 && g.m().message.timer == 59 && blowcaption(g.caption())) {
        firstblow = f;
        const media::test::frame blow = shot(tag + "_blow");
        EXPECT_GT(redpixels(blow), 20) << "blood where the blow landed";
      }
      if (firstblow >= 0 && f == firstblow + 12) shot(tag + "_drops");
      if (firstblow >= 0 && f == firstblow + 45) shot(tag + "_fading");
      if (f == 150) shot(tag + "_fight");
      if (g.state() == matchstate::game && (f > 1500 || (firstblow >= 0 && f > firstblow + 400))) {
        shot(tag + "_wristbands");
        press(media::key::digit4);
        press(media::key::digit1);
      }
      if (g.state() == matchstate::levelcompleted) {
        release(media::key::digit4);
        release(media::key::digit1);
        if (g.elapsed() == 150 || g.elapsed() == 330 || g.elapsed() == 430) {
          shot("summary_" + std::to_string(g.elapsed()));
        }
        if (g.elapsed() == 431) leave(g);
      }
      if (g.state() == matchstate::tellresult && versus) {
        release(media::key::digit4);
        release(media::key::digit1);
        if (g.elapsed() == 30) shot("versus_result");
        if (g.elapsed() == 40) press(media::key::escape);
      }
      closein(g);
    };
    game->playseries();
    EXPECT_GE(firstblow, 101) << tag << ": no blow landed";
  }

  // Level 20: two big robots; their blood is yellow squares.
  letgoall();
  game->current.mode = gamemode::single;
  int robotblow = -1;
  game->script = [&](scriptedgame& g) {
    // The player's blows bleed yellow squares on the robot; the robot's blows bleed red drops.
    if (robotblow < 0 && g.m().message.timer == 59 && blowcaption(g.caption())) robotblow = g.frame();
    if (robotblow >= 0 && g.frame() == robotblow + 6) {
      const media::test::frame f = shot("level20_blow");
      EXPECT_GT(redpixels(f) + yellowpixels(f), 20);
    }
    if (g.frame() == 160) shot("level20_fight");
    if (g.frame() > 1500 || (robotblow >= 0 && g.frame() > robotblow + 200)) leave(g);
    closein(g);
  };
  game->current.level = 20;
  game->playmatch();
  EXPECT_GE(robotblow, 101) << "level 20: no blow landed";
}

}  // namespace
}  // namespace flopfist
