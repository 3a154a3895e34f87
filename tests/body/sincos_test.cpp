// sincosdeg against sindeg and cosdeg: bit for bit wherever the game asks for them.
#include <gtest/gtest.h>

#include <cstring>

#include "body/util.h"

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

}  // namespace
}  // namespace flopfist
