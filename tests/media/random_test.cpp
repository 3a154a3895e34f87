// The random generator: the published check value, the seeding rules and the ranged forms.
#include <array>
#include <cmath>
#include <cstdint>
#include <span>

#include "media/media.h"
#include "tests/support/testenv.h"

namespace {

using randomtest = flopfist::testing::gametest;

TEST_F(randomtest, MinimalStandardCheckValue) {
  media::seedrnd(1);
  for (int i = 0; i < 10000; ++i) media::rnd();
  EXPECT_EQ(media::rndstate(), 399268537);
}

TEST_F(randomtest, SeedingRules) {
  EXPECT_EQ(media::rndstate(), 4660);
  // Before any seeding the first ranged draw lands on 2 (the start-up music track rule).
  EXPECT_EQ(int(media::rnd(1, 4)), 2);
  media::seedrnd(0);
  EXPECT_EQ(media::rndstate(), 4660);
  media::seedrnd(2147483647);
  EXPECT_EQ(media::rndstate(), 4660);
  media::seedrnd(-1);  // AND 0x7FFFFFFF leaves 2^31 - 1
  EXPECT_EQ(media::rndstate(), 4660);
  media::seedrnd(int(0x80000005u));
  EXPECT_EQ(media::rndstate(), 5);
}

TEST_F(randomtest, OneStepForm) {
  media::seedrnd(1);
  // 48271 * 1 = 48271; (48271 & 0x0FFFFFF0) / 2^28.
  EXPECT_DOUBLE_EQ(media::rnd(), double(48271 & 0x0FFFFFF0) / 268435456.0);
  EXPECT_EQ(media::rndstate(), 48271);
}

TEST_F(randomtest, RangedForms) {
  media::seedrnd(7);
  const int s1 = int((48271LL * 7) % 2147483647);
  const int s2 = int((48271LL * s1) % 2147483647);
  const double u = (double(s1 & 0x1FFFFFFC) + double(s2 & 0x1FFFFFF8) / 134217728.0) / 536870912.0;
  EXPECT_DOUBLE_EQ(media::rnd(10, 20), 10 + u * 10);
  EXPECT_EQ(media::rndstate(), s2);

  // Integers cover [min, max] inclusive, either way round, and nothing outside.
  int seen[7] = {};
  for (int i = 0; i < 3000; ++i) {
    const int a = media::rndint(1, 6);
    const int b = media::rndint(6, 1);
    ASSERT_GE(a, 1);
    ASSERT_LE(a, 6);
    ASSERT_GE(b, 1);
    ASSERT_LE(b, 6);
    ++seen[a];
  }
  for (int v = 1; v <= 6; ++v) EXPECT_GT(seen[v], 350) << v;
  for (int i = 0; i < 1000; ++i) {
    const double r = media::rnd(5, -5);
    ASSERT_GE(r, -5);
    ASSERT_LT(r, 5);
  }
  // Negative ranges truncate toward zero.
  media::seedrnd(3);
  for (int i = 0; i < 1000; ++i) {
    const int v = media::rndint(-3, -1);
    ASSERT_GE(v, -3);
    ASSERT_LE(v, -1);
  }
}

}  // namespace

// steps() against one draw at a time, by each build of its loop this machine runs: every state
// and where the generator ends, for lengths across the eight-step jumps, from seeded random start
// states, and from the states next to the modulus where the reduction's last step matters.
TEST(randomsteps, StepsGiveTheStatesOfDrawsOneAtATime) {
  const int seed = 20240611;
  SCOPED_TRACE(::testing::Message() << "seed " << seed);
  for (const media::isa set : media::everyisa) {
    if (!media::has(set)) {
      std::printf("the %s build of steps is not run: this machine lacks it\n", media::nameof(set));
      continue;
    }
    SCOPED_TRACE(media::nameof(set));
    media::generator seeds(seed);
    std::array<int32_t, 700> states{};
    for (int trial = 0; trial < 204; ++trial) {
      const int start = trial < 4 ? std::array{1, 2, 2147483646, 2147483645}[size_t(trial)]
                                  : seeds.rndint(1, 2147483646);
      const size_t n = trial < 4 ? 700 : size_t(seeds.rndint(0, 700));
      media::generator batched(start), plain(start);
      batched.steps(std::span(states).first(n), set);
      for (size_t i = 0; i < n; ++i) {
        plain.rnd();
        ASSERT_EQ(states[i], plain.state()) << "start " << start << " step " << i;
      }
      ASSERT_EQ(batched.state(), plain.state()) << "start " << start << " after " << n;
    }
  }
}
