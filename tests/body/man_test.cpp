// Fighter construction tests: body tables, setup at several sizes and for robots, fading.
#include <gtest/gtest.h>

#include <set>

#include "media/media.h"
#include "tests/body/bodytest.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

class mantest : public gametest {
 protected:
  media::generator rng;
};

TEST_F(mantest, BodyTablesFormOneTreeWhoseJointsFollowItsLinks) {
  std::set<std::pair<int, int>> joined;
  // Union-find over balls 1..26: 25 links joining all 26 balls form a tree.
  std::array<int, 27> parent{};
  for (int i = 0; i <= 26; ++i) parent[i] = i;
  auto root = [&](int i) {
    while (parent[i] != i) i = parent[i];
    return i;
  };
  for (const link& k : bodylinks) {
    ASSERT_GE(k.a, 1);
    ASSERT_LE(k.b, 26);
    EXPECT_NE(root(k.a), root(k.b)) << "link " << k.a << "-" << k.b << " closes a loop";
    parent[root(k.a)] = root(k.b);
    joined.insert({std::min(k.a, k.b), std::max(k.a, k.b)});
  }
  for (const joint& j : bodyjoints) {
    EXPECT_TRUE(joined.count({std::min(j.p, j.m), std::max(j.p, j.m)})) << j.p << "," << j.m;
    EXPECT_TRUE(joined.count({std::min(j.m, j.q), std::max(j.m, j.q)})) << j.m << "," << j.q;
  }
  // The free pelvis joint stays free on both bodies; robots are never looser than people.
  EXPECT_EQ(bodystiffness[4], 0);
  EXPECT_EQ(robotstiffness[4], 0);
}

TEST_F(mantest, SetupBuildsTheBodyForItsSize) {
  man f = makefighter(rng, 2, 6, 2.0f);
  EXPECT_FLOAT_EQ(f.maxenergy, 20);
  EXPECT_FLOAT_EQ(f.energy, 20);
  EXPECT_FLOAT_EQ(f.blowfactor, 1);
  EXPECT_FLOAT_EQ(f.fade, 1);
  EXPECT_FLOAT_EQ(f.limbwidth, 4);
  EXPECT_EQ(f.ballmass, 4);
  EXPECT_EQ(f.colour, (std::array<int, 4>{0, 175, 175, 175}));
  EXPECT_EQ(f.stiffness, bodystiffness);
  for (int i = 1; i <= 26; ++i) {
    const ball& b = f.balls[i];
    EXPECT_EQ(b.index, i);
    EXPECT_FLOAT_EQ(b.radius, 8);
    EXPECT_FLOAT_EQ(b.mass, 4);
    EXPECT_FLOAT_EQ(b.drawradius, i == 16 ? 18 : 8);
    EXPECT_FLOAT_EQ(b.vx, 1);
    EXPECT_FLOAT_EQ(b.vy, 1);
    EXPECT_EQ(b.flash, 0);
  }

  man big = makefighter(rng, 3, 6, 2.5f);
  EXPECT_EQ(big.ballmass, 6);  // 6.25 truncated
  EXPECT_FLOAT_EQ(big.maxenergy, 31.25f);
  EXPECT_FLOAT_EQ(big.balls[1].radius, 10);
  EXPECT_FLOAT_EQ(big.balls[16].drawradius, 22.5f);
  EXPECT_FLOAT_EQ(big.balls[5].mass, 6);

  man robot = makefighter(rng, 4, 6, 2.0f, 1);
  EXPECT_FLOAT_EQ(robot.blowfactor, 2);
  EXPECT_FLOAT_EQ(robot.maxenergy, 40);
  EXPECT_FLOAT_EQ(robot.energy, 40);
  EXPECT_EQ(robot.colour, (std::array<int, 4>{0, 70, 70, 90}));
  EXPECT_EQ(robot.stiffness, robotstiffness);
  EXPECT_FLOAT_EQ(robot.stiffness[1], 1.0f);   // knee
  EXPECT_FLOAT_EQ(robot.stiffness[17], 1.0f);  // elbow
  EXPECT_FLOAT_EQ(robot.balls[7].mass, 4);
}

TEST_F(mantest, SetupScattersBallsWithTheGeneratorInOrder) {
  rng.reseed(1234);
  man f = makefighter(rng, 2, 6);
  media::generator expected(1234);
  // Per ball: a one-step real for x, then a two-step integer for y; fighter 2 of 6 sits 256 left.
  for (int i = 1; i <= 26; ++i) {
    const double r = expected.rnd();
    const int y = expected.rndint(0, 768);
    EXPECT_FLOAT_EQ(f.balls[i].x, float(r * 200 - 100 - 256)) << "ball " << i;
    EXPECT_FLOAT_EQ(f.balls[i].y, float(y)) << "ball " << i;
    EXPECT_GE(f.balls[i].x, -356);
    EXPECT_LT(f.balls[i].x, -156);
  }
  // n/2 is taken in real arithmetic: fighter 1 of 3 sits 128 pixels left, not 0 or 256.
  man g = makefighter(rng, 1, 3);
  for (int i = 1; i <= 26; ++i) {
    EXPECT_GE(g.balls[i].x, -100 - 128);
    EXPECT_LT(g.balls[i].x, 100 - 128);
  }
}

TEST_F(mantest, SetupTwiceLeavesNothingOfTheOldBody) {
  man f = makefighter(rng, 1, 2);
  for (int i = 1; i <= 26; ++i) {
    f.balls[i].flash = 30;
    f.balls[i].oldx = 5;
    f.balls[i].oldy = 6;
    f.balls[i].vx = 40;
  }
  f.balls[16].drawradius = 3;
  f.dead = 1;
  f.fade = 0.25f;
  f.energy = 1;
  const float oldx = f.balls[1].x;
  f.setup(2, rng);
  EXPECT_EQ(f.dead, 0);
  EXPECT_FLOAT_EQ(f.fade, 1);
  EXPECT_FLOAT_EQ(f.energy, 20);
  EXPECT_NE(f.balls[1].x, oldx);
  for (int i = 1; i <= 26; ++i) {
    EXPECT_EQ(f.balls[i].flash, 0);
    EXPECT_FLOAT_EQ(f.balls[i].oldx, 0);
    EXPECT_FLOAT_EQ(f.balls[i].oldy, 0);
    EXPECT_FLOAT_EQ(f.balls[i].vx, 1);
  }
  EXPECT_FLOAT_EQ(f.balls[16].drawradius, 18);
}

TEST_F(mantest, OnlyTheDeadFadeAndNeverBelowZero) {
  man f = makefighter(rng, 1, 1);
  for (int i = 0; i < 10; ++i) f.fadestep();
  EXPECT_FLOAT_EQ(f.fade, 1);
  f.dead = 1;
  f.fadestep();
  EXPECT_FLOAT_EQ(f.fade, 0.99f);
  for (int i = 0; i < 150; ++i) {
    f.fadestep();
    EXPECT_GE(f.fade, 0);
  }
  EXPECT_FLOAT_EQ(f.fade, 0);
}

}  // namespace
}  // namespace flopfist::testing
