// The input delay at both ends of its range, in the ONLINE menu and in online.cfg.
#include <gtest/gtest.h>

#include <string>

#include "app/fightgame.h"
#include "app/online.h"
#include "media/folders.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

using onlinecfgtest = gametest;
namespace key = media::key;

TEST_F(onlinecfgtest, TheInputDelayRunsFromNoneToFourFrames) {
  auto game = makegame();
  for (const auto& [file, delay] : {std::pair{"0\nBO\n", 0}, {"4\nBO\n", 4}, {"-1\nBO\n", 0}, {"5\nBO\n", 4}}) {
    ASSERT_TRUE(media::savefile("online.cfg", file));
    loadonline(*game);
    EXPECT_EQ(game->onlinedelay, delay) << file;
    EXPECT_EQ(game->onlinename, "BO");
  }
  // In the menu, from 1: down to none, and held there.
  ASSERT_TRUE(media::savefile("online.cfg", "1\nBO\n"));
  int f = media::test::frames() + 2;
  for (int k = 0; k < 3; ++k) media::test::tap(f++, key::down);  // HOST, JOIN, NAME, INPUT DELAY
  for (int k = 0; k < 2; ++k) media::test::tap(f++, key::left);
  media::test::tap(f + 2, key::escape);
  game->onlinemenu();
  EXPECT_EQ(game->onlinedelay, 0);
  std::string kept;
  ASSERT_TRUE(media::readbytes("online.cfg", kept));
  EXPECT_EQ(kept, "0\nBO\n");
}

}  // namespace
}  // namespace flopfist::testing
