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
  void setup(const std::string& mode, int level) {
    game->gamemode = mode;
    game->level = level;
    game->setupmatch();
  }
  const man& fighter(int i) const { return *game->fighters[i]; }
  std::array<int, 3> colour(int i) const {
    return {fighter(i).colour[1], fighter(i).colour[2], fighter(i).colour[3]};
  }
  std::unique_ptr<fightgame> game;
};

TEST_F(setuptest, CoopLevelOneHasTwoPlayersAndOneOpponent) {
  setup("2coop", 1);
  ASSERT_EQ(game->fightercount, 3);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(fighter(i).number, i);
    EXPECT_EQ(fighter(i).game, game.get());
    EXPECT_FLOAT_EQ(fighter(i).scale, 2.0f);
    EXPECT_EQ(fighter(i).robot, 0);
  }
  EXPECT_EQ(fighter(1).team, 1);
  EXPECT_EQ(fighter(2).team, 1);
  EXPECT_EQ(fighter(3).team, 0);
  EXPECT_EQ(colour(1), (std::array<int, 3>{175, 175, 175}));
  EXPECT_EQ(colour(2), (std::array<int, 3>{255, 255, 255}));
  EXPECT_EQ(colour(3), (std::array<int, 3>{65, 65, 65}));
  EXPECT_FLOAT_EQ(game->rightwall, 768);
  EXPECT_EQ(game->fighters[4], nullptr);
}

TEST_F(setuptest, BossLevelsHaveOneBigOpponentInAWideArena) {
  for (int level : {10, 20}) {
    SCOPED_TRACE(level);
    setup("1", level);
    ASSERT_EQ(game->fightercount, 2);
    EXPECT_FLOAT_EQ(fighter(1).scale, 2.0f);
    EXPECT_FLOAT_EQ(fighter(1).energy, 20.0f);
    EXPECT_FLOAT_EQ(fighter(2).scale, 4.5f);
    EXPECT_FLOAT_EQ(fighter(2).energy, level == 10 ? 101.25f : 202.5f);
    EXPECT_EQ(fighter(2).robot, level == 20 ? 1 : 0);
    EXPECT_FLOAT_EQ(game->rightwall, 1536);
    EXPECT_FLOAT_EQ(game->leftwall, -1536);
    EXPECT_FLOAT_EQ(game->ceilingy, -1152);
    EXPECT_FLOAT_EQ(game->floory, 1152);
  }
}

TEST_F(setuptest, VersusAlwaysUsesTheSmallArenaAndTwoNormalFighters) {
  for (int level : {1, 8, 17}) {
    SCOPED_TRACE(level);
    setup("2vs", level);
    ASSERT_EQ(game->fightercount, 2);
    EXPECT_FLOAT_EQ(game->rightwall, 768);
    EXPECT_FLOAT_EQ(game->leftwall, -768);
    EXPECT_FLOAT_EQ(game->floory, 576);
    EXPECT_FLOAT_EQ(game->ceilingy, -576);
    for (int i = 1; i <= 2; ++i) {
      EXPECT_FLOAT_EQ(fighter(i).scale, 2.0f);
      EXPECT_EQ(fighter(i).robot, 0);
    }
    EXPECT_EQ(fighter(1).team, 1);
    EXPECT_EQ(fighter(2).team, 0);
    EXPECT_EQ(colour(1), (std::array<int, 3>{175, 175, 175}));
    EXPECT_EQ(colour(2), (std::array<int, 3>{65, 65, 65}));
    EXPECT_EQ(game->fighters[3], nullptr);
  }
}

TEST_F(setuptest, RobotsArriveAtLevelElevenAndOldFightersAreGone) {
  setup("2coop", 8);  // six fighters
  ASSERT_EQ(game->fightercount, 6);
  game->fighters[2]->direction = 5;  // marks the old fighter
  game->fighters[2]->dead = 1;
  setup("1", 10);
  EXPECT_EQ(fighter(2).robot, 0);
  setup("1", 11);
  ASSERT_EQ(game->fightercount, 2);
  EXPECT_EQ(fighter(2).direction, 1);  // a new fighter, not the old one reconfigured
  EXPECT_EQ(fighter(2).dead, 0);
  for (int i = 3; i <= 6; ++i) EXPECT_EQ(game->fighters[i], nullptr);
  EXPECT_EQ(fighter(2).robot, 1);
  EXPECT_EQ(colour(2), (std::array<int, 3>{70, 70, 90}));
  EXPECT_FLOAT_EQ(fighter(2).blowfactor, 2.0f);
  EXPECT_FLOAT_EQ(fighter(2).energy, 40.0f);
  EXPECT_EQ(fighter(1).robot, 0);
  EXPECT_EQ(colour(1), (std::array<int, 3>{175, 175, 175}));
  EXPECT_FLOAT_EQ(fighter(1).blowfactor, 1.0f);
}

TEST_F(setuptest, ResetsTheMatchCountersAndKeepsTheSeries) {
  game->matchresult = 3;
  game->matchstate = "end";
  game->outcome = 2;
  game->framecount = 999;
  game->combo = -4;
  game->comboscore = 5000;
  game->maxcombo = 7;
  game->score = (int64_t(1) << 32) + 1234;
  game->burstcursor = 42;
  game->slowmotimer = 12;
  game->message = "FIGHT!";
  game->messagetimer = 30;
  game->wins = {0, 3, 2};
  game->bursts[7].alive = 1;
  game->bursts[7].count = 50;
  game->bursts[7].game = nullptr;
  game->contactwait[1][2] = 2;
  // A P pressed to leave the previous screen must not pause the new match.
  media::test::tap(1, media::key::p);
  media::flip(-1);

  setup("1", 3);
  EXPECT_EQ(game->matchresult, 0);
  EXPECT_EQ(game->matchstate, "game");
  EXPECT_EQ(game->outcome, 0);
  EXPECT_EQ(game->framecount, 0);
  EXPECT_EQ(game->combo, 0);
  EXPECT_EQ(game->comboscore, 0);
  EXPECT_EQ(game->maxcombo, 0);
  EXPECT_EQ(game->levelstartscore, 1234);  // the low 32 bits of the score
  EXPECT_EQ(game->slowmoclock, media::millisecs());
  EXPECT_EQ(game->bursts[7].alive, 0);
  EXPECT_EQ(game->bursts[7].count, 0);
  for (int i = 1; i <= 100; ++i) EXPECT_EQ(game->bursts[i].game, game.get());
  EXPECT_EQ(media::keyhit(media::key::p), 0);

  EXPECT_EQ(game->score, (int64_t(1) << 32) + 1234);
  EXPECT_EQ(game->level, 3);
  EXPECT_EQ(game->burstcursor, 42);
  EXPECT_FLOAT_EQ(game->slowmotimer, 12);
  EXPECT_EQ(game->message, "FIGHT!");
  EXPECT_EQ(game->messagetimer, 30);
  EXPECT_EQ(game->wins, (std::array<int, 3>{0, 3, 2}));
  EXPECT_EQ(game->contactwait[1][2], 2);
}

TEST_F(setuptest, AnOutOfRangeLevelDoesNotReadOutsideTheTable) {
  setup("1", 0);
  EXPECT_EQ(game->fightercount, 2);
  setup("2coop", 21);
  EXPECT_EQ(game->fightercount, 3);
  EXPECT_EQ(fighter(3).robot, 1);
}

}  // namespace
}  // namespace flopfist
