// The ONLINE menu driven by scripted keys: the input delay set, clamped and kept in a file of its own.
#include <gtest/gtest.h>

#include <string>

#include "app/fightgame.h"
#include "media/folders.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

using onlinemenutest = gametest;
using media::test::tap;
namespace key = media::key;

TEST_F(onlinemenutest, TheInputDelayIsClampedAndKeptInOnlineCfgNotPrefs) {
  auto game = makegame();
  ASSERT_TRUE(media::savefile("prefs.qmx", "untouched\n"));
  int f = media::test::frames() + 2;
  tap(f++, key::down);
  tap(f++, key::down);  // INPUT DELAY
  for (int k = 0; k < 4; ++k) tap(f++, key::right);  // 2 -> 4, held there
  tap(f++, key::left);                               // 3
  tap(f + 1, key::escape);
  game->onlinemenu();
  EXPECT_EQ(media::test::frames(), f + 1) << "Escape leaves the menu in its frame";
  EXPECT_EQ(game->onlinedelay, 3);
  std::string kept, prefs;
  ASSERT_TRUE(media::readbytes("online.cfg", kept));
  EXPECT_EQ(kept, "3\n");
  ASSERT_TRUE(media::readbytes("prefs.qmx", prefs));
  EXPECT_EQ(prefs, "untouched\n");
  // The next visit starts from the kept delay; BACK leaves as Escape does.
  f = media::test::frames() + 2;
  tap(f++, key::up);  // from HOST GAME round to BACK
  tap(f, key::enter);
  game->onlinedelay = 0;
  game->onlinemenu();
  EXPECT_EQ(game->onlinedelay, 3);
  EXPECT_EQ(media::test::frames(), f);
}

}  // namespace
}  // namespace flopfist::testing
