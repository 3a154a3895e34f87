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

// The lobby: a third line only when one is set, anything that is no address read as none, typed in
// the menu's LOBBY row, and --lobby kept as that row would keep it.
TEST_F(onlinecfgtest, TheLobbyIsKeptOnAThirdLineOnlyWhenOneIsSet) {
  auto game = makegame();
  for (const auto& [file, lobby] : {std::pair{"2\nBO\nlobby.example:4000\n", "lobby.example:4000"},
                                    {"2\nBO\n127.0.0.1\n", "127.0.0.1"},
                                    {"2\nBO\n", ""},
                                    {"2\nBO\nbad lobby\n", ""},
                                    {"2\nBO\nhost:99999\n", ""},
                                    {"2\nBO\n:27961\n", ""},
                                    // A page's lobby behind a proxy, by its WebSocket address.
                                    {"2\nBO\nwss://proxy.example/flopfist\n", "wss://proxy.example/flopfist"},
                                    {"2\nBO\nws://10.0.0.5:8080\n", "ws://10.0.0.5:8080"},
                                    {"2\nBO\nhttp://proxy.example\n", ""}}) {
    ASSERT_TRUE(media::savefile("online.cfg", file));
    loadonline(*game);
    EXPECT_EQ(game->onlinelobby, lobby) << file;
    EXPECT_EQ(game->onlinename, "BO") << file;
  }
  // In the menu: down to LOBBY, type one, keep it.
  ASSERT_TRUE(media::savefile("online.cfg", "1\nBO\n"));
  int f = media::test::frames() + 2;
  for (int k = 0; k < 4; ++k) media::test::tap(f++, key::down);  // HOST, JOIN, NAME, INPUT DELAY, LOBBY
  media::test::tap(f++, key::enter);
  for (char c : std::string("127.0.0.1:5000")) media::test::type(f++, c);
  media::test::tap(f++, key::enter);
  media::test::tap(f + 2, key::escape);
  game->onlinemenu();
  std::string kept;
  ASSERT_TRUE(media::readbytes("online.cfg", kept));
  EXPECT_EQ(kept, "1\nBO\n127.0.0.1:5000\n");
  // Emptied in the menu: back to two lines.
  f = media::test::frames() + 2;
  for (int k = 0; k < 4; ++k) media::test::tap(f++, key::down);
  media::test::tap(f++, key::enter);
  for (int k = 0; k < 20; ++k) media::test::tap(f++, key::backspace);
  media::test::tap(f++, key::enter);
  media::test::tap(f + 2, key::escape);
  game->onlinemenu();
  ASSERT_TRUE(media::readbytes("online.cfg", kept));
  EXPECT_EQ(kept, "1\nBO\n");
  game->setlobby("192.0.2.7:27961");
  ASSERT_TRUE(media::readbytes("online.cfg", kept));
  EXPECT_EQ(kept, "1\nBO\n192.0.2.7:27961\n");
}

TEST(roomcodes, ACodeIsToldFromAnAddress) {
  for (const char* code : {"K7M2P", "k7m2p", "K7-M2P", "k7 m2p"}) EXPECT_TRUE(isroomcode(code)) << code;
  for (const char* address : {"127.0.0.1", "lan-box", "K7M2P:27960", "K7M2", "K7M2PQ", "OIL10", ""}) {
    EXPECT_FALSE(isroomcode(address)) << address;
  }
}

}  // namespace
}  // namespace flopfist::testing
