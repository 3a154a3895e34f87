// Match set-up: fighters, teams, sizes, robots, colours, arena bounds and the counters it resets.
#include <gtest/gtest.h>

#include "app/fightgame.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

using flopfist::testing::gametest;
using flopfist::testing::makegame;

class setuptest : public gametest {
 protected:
  void SetUp() override {
    gametest::SetUp();
    game = makegame();
  }
  // A new match of the series, as the series loop begins one.
  void setup(gamemode mode, int level) {
    game->current.mode = mode;
    game->current.level = level;
    game->beginmatch();
  }
  match& m() { return *game->playing; }
  const man& fighter(int i) { return m().fighters[size_t(i)]; }
  std::array<int, 3> colour(int i) {
    return {fighter(i).colour[1], fighter(i).colour[2], fighter(i).colour[3]};
  }
  std::unique_ptr<fightgame> game;
};

TEST_F(setuptest, CoopLevelOneHasTwoPlayersAndOneOpponent) {
  setup(gamemode::coop, 1);
  ASSERT_EQ(m().fightercount, 3);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(fighter(i).number, i);
    EXPECT_FLOAT_EQ(fighter(i).scale, 2.0f);
    EXPECT_EQ(fighter(i).robot, 0);
  }
  EXPECT_EQ(fighter(1).team, 1);
  EXPECT_EQ(fighter(2).team, 1);
  EXPECT_EQ(fighter(3).team, 0);
  EXPECT_EQ(colour(1), (std::array<int, 3>{175, 175, 175}));
  EXPECT_EQ(colour(2), (std::array<int, 3>{255, 255, 255}));
  EXPECT_EQ(colour(3), (std::array<int, 3>{65, 65, 65}));
  EXPECT_FLOAT_EQ(m().walls.right, 768);
  EXPECT_EQ(fighter(4).number, 0);  // slot 4 holds no fighter
}

TEST_F(setuptest, BossLevelsHaveOneBigOpponentInAWideArena) {
  for (int level : {10, 20}) {
    SCOPED_TRACE(level);
    setup(gamemode::single, level);
    ASSERT_EQ(m().fightercount, 2);
    EXPECT_FLOAT_EQ(fighter(1).scale, 2.0f);
    EXPECT_FLOAT_EQ(fighter(1).energy, 20.0f);
    EXPECT_FLOAT_EQ(fighter(2).scale, 4.5f);
    EXPECT_FLOAT_EQ(fighter(2).energy, level == 10 ? 101.25f : 202.5f);
    EXPECT_EQ(fighter(2).robot, level == 20 ? 1 : 0);
    EXPECT_FLOAT_EQ(m().walls.right, 1536);
    EXPECT_FLOAT_EQ(m().walls.left, -1536);
    EXPECT_FLOAT_EQ(m().walls.ceiling, -1152);
    EXPECT_FLOAT_EQ(m().walls.floor, 1152);
  }
}

TEST_F(setuptest, VersusAlwaysUsesTheSmallArenaAndTwoNormalFighters) {
  for (int level : {1, 8, 17}) {
    SCOPED_TRACE(level);
    setup(gamemode::versus, level);
    ASSERT_EQ(m().fightercount, 2);
    EXPECT_FLOAT_EQ(m().walls.right, 768);
    EXPECT_FLOAT_EQ(m().walls.left, -768);
    EXPECT_FLOAT_EQ(m().walls.floor, 576);
    EXPECT_FLOAT_EQ(m().walls.ceiling, -576);
    for (int i = 1; i <= 2; ++i) {
      EXPECT_FLOAT_EQ(fighter(i).scale, 2.0f);
      EXPECT_EQ(fighter(i).robot, 0);
    }
    EXPECT_EQ(fighter(1).team, 1);
    EXPECT_EQ(fighter(2).team, 0);
    EXPECT_EQ(colour(1), (std::array<int, 3>{175, 175, 175}));
    EXPECT_EQ(colour(2), (std::array<int, 3>{65, 65, 65}));
    EXPECT_EQ(fighter(3).number, 0);  // slot 3 holds no fighter
  }
}

TEST_F(setuptest, RobotsArriveAtLevelElevenAndOldFightersAreGone) {
  setup(gamemode::coop, 8);  // six fighters
  ASSERT_EQ(m().fightercount, 6);
  m().fighters[2].direction = push::downright;  // marks the old fighter
  m().fighters[2].dead = 1;
  setup(gamemode::single, 10);
  EXPECT_EQ(fighter(2).robot, 0);
  setup(gamemode::single, 11);
  ASSERT_EQ(m().fightercount, 2);
  EXPECT_EQ(fighter(2).direction, push::up);  // a new fighter, not the old one reconfigured
  EXPECT_EQ(fighter(2).dead, 0);
  for (int i = 3; i <= 6; ++i) EXPECT_EQ(fighter(i).number, 0) << "slot " << i;
  EXPECT_EQ(fighter(2).robot, 1);
  EXPECT_EQ(colour(2), (std::array<int, 3>{70, 70, 90}));
  EXPECT_FLOAT_EQ(fighter(2).blowfactor, 2.0f);
  EXPECT_FLOAT_EQ(fighter(2).energy, 40.0f);
  EXPECT_EQ(fighter(1).robot, 0);
  EXPECT_EQ(colour(1), (std::array<int, 3>{175, 175, 175}));
  EXPECT_FLOAT_EQ(fighter(1).blowfactor, 1.0f);
}

TEST_F(setuptest, ResetsTheMatchCountersAndKeepsTheSeries) {
  // A previous match left with Escape, with every counter run up and a burst alive in slot 7.
  setup(gamemode::versus, 1);
  m().left = true;
  m().state = matchstate::end;
  m().decided = outcome::second;
  m().framecount = 999;
  m().combo = -4;
  m().comboscore = 5000;
  m().maxcombo = 7;
  m().bursts.setcursor(7);
  m().startburst(0, 0, 0, 0, 50, 0, 3.0f, 0, 4);
  ASSERT_EQ(m().bursts[7].alive, 1);
  m().bursts.setcursor(42);
  m().slowmotimer = 12;
  m().message.set("FIGHT!", 30);
  m().contactwait[1][2] = 2;
  game->endmatch();
  game->current.score = (int64_t(1) << 32) + 1234;
  game->current.wins = {0, 3, 2};
  // A P pressed to leave the previous screen must not pause the new match.
  media::test::tap(1, media::key::p);
  media::flip(-1);
  game->held = 7;  // the last match ended inside a hit pause

  setup(gamemode::single, 3);
  EXPECT_FALSE(m().left);
  EXPECT_EQ(m().state, matchstate::game);
  EXPECT_EQ(m().decided, outcome::undecided);
  EXPECT_EQ(m().framecount, 0);
  EXPECT_EQ(m().combo, 0);
  EXPECT_EQ(m().comboscore, 0);
  EXPECT_EQ(m().maxcombo, 0);
  EXPECT_EQ(game->current.levelstartscore, 1234);  // the low 32 bits of the score
  EXPECT_EQ(game->held, 0);
  EXPECT_EQ(m().bursts[7].alive, 0);
  EXPECT_EQ(m().bursts[7].count, 0);
  EXPECT_EQ(media::keyhit(media::key::p), 0);

  EXPECT_EQ(game->current.score, (int64_t(1) << 32) + 1234);
  EXPECT_EQ(m().level, 3);
  EXPECT_EQ(m().bursts.cursor(), 42);
  EXPECT_FLOAT_EQ(m().slowmotimer, 12);
  EXPECT_EQ(m().message.str(), "FIGHT!");
  EXPECT_EQ(m().message.timer, 30);
  EXPECT_EQ(m().wins, (std::array<int, 3>{0, 3, 2}));
  EXPECT_EQ(m().contactwait[1][2], 2);
}

TEST_F(setuptest, AnOutOfRangeLevelDoesNotReadOutsideTheTable) {
  setup(gamemode::single, 0);
  EXPECT_EQ(m().fightercount, 2);
  setup(gamemode::coop, 21);
  EXPECT_EQ(m().fightercount, 3);
  EXPECT_EQ(fighter(3).robot, 1);
}

}  // namespace
}  // namespace flopfist
