// sincosdeg against sindeg and cosdeg: bit for bit wherever the game asks for them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "body/util.h"
#include "media/random.h"

namespace flopfist {
namespace {

bool same(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// A particle burst takes float(360 * r) degrees for each of the 2^24 values r of the generator's
// one-step real: all of them, then a sweep well outside the circle both ways.
TEST(sincostest, EveryBurstAngleAndASweepMatchTheLibraryBitForBit) {
  long differ = 0;
  for (int k = 0; k < (1 << 24); ++k) {
    const float a = float(360.0 * (double(k) / 16777216.0));
    float s = 0, c = 0;
    sincosdeg(a, s, c);
    if (!same(s, sindeg(a)) || !same(c, cosdeg(a))) {
      if (differ++ < 5) ADD_FAILURE() << "angle " << a;
    }
  }
  for (float a = -1000.0f; a < 1000.0f; a += 0.0137f) {
    float s = 0, c = 0;
    sincosdeg(a, s, c);
    if (!same(s, sindeg(a)) || !same(c, cosdeg(a))) {
      if (differ++ < 10) ADD_FAILURE() << "angle " << a;
    }
  }
  EXPECT_EQ(differ, 0);
}

// sincosdegs against sincosdeg, by each build of its loop this machine runs: every burst angle,
// random angles of every size (a seeded generator, printed), and the values that send sincosdeg
// to the library.
TEST(sincostest, TheBatchMatchesOneAtATimeBitForBit) {
  std::vector<float> angles;
  for (int k = 0; k < (1 << 24); ++k) angles.push_back(float(360.0 * (double(k) / 16777216.0)));
  const int seed = 977;
  SCOPED_TRACE(::testing::Message() << "seed " << seed);
  media::generator rng(seed);
  for (int k = 0; k < 200000; ++k) {
    const float scale = float(std::pow(10.0, rng.rnd(-6, 9)));
    angles.push_back(float(rng.rnd(-1, 1)) * scale);
  }
  const float inf = std::numeric_limits<float>::infinity();
  for (float a : {0.0f, -0.0f, 90.0f, -90.0f, 180.0f, 270.0f, 5.7e7f, -5.7e7f, 3e38f, inf, -inf,
                  std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::denorm_min()})
    angles.push_back(a);
  std::vector<float> plainsines(angles.size()), plaincosines(angles.size());
  for (size_t i = 0; i < angles.size(); ++i) sincosdeg(angles[i], plainsines[i], plaincosines[i]);
  for (const media::isa set : media::everyisa) {
    if (!media::has(set)) {
      std::printf("the %s build of sincosdegs is not run: this machine lacks it\n",
                  media::nameof(set));
      continue;
    }
    std::vector<float> sines(angles.size()), cosines(angles.size());
    sincosdegs(angles, sines, cosines, set);
    long differ = 0;
    for (size_t i = 0; i < angles.size(); ++i) {
      if (!same(plainsines[i], sines[i]) || !same(plaincosines[i], cosines[i])) {
        if (differ++ < 5) ADD_FAILURE() << "angle " << angles[i];
      }
    }
    EXPECT_EQ(differ, 0) << media::nameof(set);
  }
}

}  // namespace
}  // namespace flopfist
