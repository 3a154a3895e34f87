// The shared small functions: angle wrapping, integer power, rounding, projection; and the
// application's menu-key flush, which the menus and the match screens share.
#include "body/util.h"

#include "app/fightgame.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace {

using namespace flopfist;

TEST(util, WrapAngles) {
  EXPECT_FLOAT_EQ(wrap360(360), 0);
  EXPECT_FLOAT_EQ(wrap360(-30), 330);
  EXPECT_FLOAT_EQ(wrap360(725), 5);
  EXPECT_FLOAT_EQ(wrap360(0), 0);
  EXPECT_FLOAT_EQ(wrap360(-720), 0);
  EXPECT_FLOAT_EQ(wrap360(359.5f), 359.5f);

  EXPECT_FLOAT_EQ(wrap180(190), -170);
  EXPECT_FLOAT_EQ(wrap180(-180), -180);  // both ends are left as they are
  EXPECT_FLOAT_EQ(wrap180(180), 180);
  EXPECT_FLOAT_EQ(wrap180(540), 180);
  EXPECT_FLOAT_EQ(wrap180(-190), 170);
  EXPECT_FLOAT_EQ(wrap180(-540), -180);
}

TEST(util, PowerAndRounding) {
  EXPECT_EQ(intpower(2, 10), 1024);
  EXPECT_EQ(intpower(2, 0), 1);
  EXPECT_EQ(intpower(7, -3), 1);
  EXPECT_EQ(intpower(-3, 3), -27);
  EXPECT_EQ(intpower(10, 1), 10);

  EXPECT_EQ(roundhalfup(2.5f), 3);
  EXPECT_EQ(roundhalfup(-2.5f), -2);
  EXPECT_EQ(roundhalfup(2.49f), 2);
  EXPECT_EQ(roundhalfup(-2.51f), -3);
  EXPECT_EQ(roundhalfup(-0.4f), 0);
  EXPECT_EQ(roundhalfup(0), 0);
}

TEST(util, Projection) {
  EXPECT_FLOAT_EQ(screenx(123, 123, 0.37f), 512);
  EXPECT_FLOAT_EQ(screeny(-40, -40, 2), 384);
  EXPECT_FLOAT_EQ(screenx(110, 100, 0.5f), 517);
  EXPECT_FLOAT_EQ(screeny(90, 100, 2), 364);
}

using flushtest = flopfist::testing::gametest;

TEST_F(flushtest, FlushMenuKeysEmptiesTypingAndMenuHitsOnly) {
  namespace key = media::key;
  for (int k : {key::p, key::enter, key::escape, key::space, key::left, key::right, key::up,
                key::down, key::w}) {
    media::test::tap(1, k);
  }
  media::test::tap(3, key::enter);  // Enter pressed twice: both presses go
  media::test::type(1, 'n');
  media::test::type(1, 'o');
  for (int i = 0; i < 4; ++i) media::flip(-1);
  flushmenukeys();
  EXPECT_EQ(media::nextchar(), 0);
  for (int k :
       {key::p, key::enter, key::escape, key::space, key::left, key::right, key::up, key::down}) {
    EXPECT_EQ(media::keyhit(k), 0) << k;
  }
  EXPECT_EQ(media::keyhit(key::w), 1);  // not a menu key
}

}  // namespace
