// The snapshot as bits, and two machines' halves merged into one snapshot.
#include <gtest/gtest.h>

#include "match/match.h"

namespace flopfist {
namespace {

bool same(const frameinput& a, const frameinput& b) { return packinput(a) == packinput(b); }

TEST(inputbits, EverySnapshotComesBackAsItWent) {
  for (uint32_t bits = 0; bits < (1u << 13); ++bits) {
    ASSERT_EQ(packinput(unpackinput(uint16_t(bits))), bits);
  }
}

// Each side steers only its own player; Enter and Space count from either side; the keys that only
// a match at home has (Escape, knockout, fall apart) never come from a side.
TEST(inputbits, TwoSidesMergeIntoOneSnapshot) {
  const directions upleft{true, false, true, false}, downright{false, true, false, true};
  frameinput want;
  want.player[1] = upleft;
  want.player[2] = downright;
  want.space = true;
  const std::array<uint16_t, 2> sides{sidebits(0, upleft, false, false), sidebits(1, downright, false, true)};
  EXPECT_TRUE(same(mergeinputs(sides), want));

  // A side's bits for the other player are not its own to give.
  frameinput everything = unpackinput(0x1FFF);
  const uint16_t all = packinput(everything);
  const frameinput fromhost = mergeinputs({all, 0});
  EXPECT_EQ(fromhost.player[1].up && fromhost.player[1].right, true);
  EXPECT_FALSE(fromhost.player[2].up || fromhost.player[2].down || fromhost.player[2].left || fromhost.player[2].right);
  EXPECT_TRUE(fromhost.enter && fromhost.space);
  EXPECT_FALSE(fromhost.escape || fromhost.knockout || fromhost.fallapart);
  const frameinput fromguest = mergeinputs({0, all});
  EXPECT_FALSE(fromguest.player[1].up || fromguest.player[1].down || fromguest.player[1].left || fromguest.player[1].right);
  EXPECT_TRUE(fromguest.player[2].down && fromguest.player[2].left);
  EXPECT_TRUE(fromguest.enter && fromguest.space);
}

}  // namespace
}  // namespace flopfist
