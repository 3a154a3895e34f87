// What a player does in an online series reaches the other machine as at home: a tap shorter than
// a frame is sent, and the side that leaves is told nothing about games that differ.
#include <gtest/gtest.h>

#include <vector>

#include "app/fightgame.h"
#include "app/online.h"
#include "media/media.h"
#include "media/window.h"
#include "media/testing.h"
#include "net/packet.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

using onlineinputtest = gametest;
namespace key = media::key;
namespace test = media::test;

// A link whose other side never answers: what this side sends is kept to be read.
class silentlink final : public net::transport {
 public:
  explicit silentlink(std::vector<net::message>& sent) : sent_(sent) {}
  void poll(uint32_t) override {}
  net::linkphase phase() const override { return net::linkphase::joined; }
  void send(std::span<const uint8_t> bytes) override { sent_.push_back(net::decode(bytes)); }
  bool next(net::packet&) override { return false; }
  void sendwhole(std::string_view) override {}
  bool nextwhole(std::string&) override { return false; }
  std::string problem() const override { return ""; }
  uint16_t port() const override { return 1; }

 private:
  std::vector<net::message>& sent_;
};

bool anyinputhas(const std::vector<net::message>& sent, uint16_t bits) {
  for (const net::message& m : sent) {
    if (m.kind != net::messagekind::inputs && m.kind != net::messagekind::quit) continue;
    for (int k = 0; k < m.inputs.count; ++k) {
      if ((m.inputs.inputs[size_t(k)] & bits) == bits) return true;
    }
  }
  return false;
}

TEST_F(onlineinputtest, ATapShorterThanAFrameIsSentAndHeldOnlyForOneTick) {
  auto game = makegame();
  for (int side : {0, 1}) {
    SCOPED_TRACE(side);
    test::quicktap(test::frames() + 1, key::right);
    test::quicktap(test::frames() + 1, key::enter);
    media::flip(-1);
    ASSERT_FALSE(media::keydown(key::right)) << "the tap is over before the tick";
    EXPECT_EQ(onlineinput(*game, side), sidebits(side, {false, false, false, true}, true, false));
    media::flip(-1);
    EXPECT_EQ(onlineinput(*game, side), 0) << "a tap lasts one tick";
  }
  // A key held through several ticks stays in each of them.
  test::press(test::frames() + 1, key::up);
  media::flip(-1);
  media::flip(-1);
  EXPECT_EQ(onlineinput(*game, 0), sidebits(0, {true, false, false, false}, false, false));
  EXPECT_EQ(onlineinput(*game, 0), sidebits(0, {true, false, false, false}, false, false));
}

// The whole series loop: the tap goes out in the datagrams, and Escape leaves at once with no
// screen to answer (a message would wait for the Enter scheduled long after).
TEST_F(onlineinputtest, AnOnlineSeriesSendsATapAndItsLeaverHearsNothing) {
  auto game = makegame();
  std::vector<net::message> sent;
  openlink open;
  open.link = std::make_unique<silentlink>(sent);
  open.names = {"ANNA", "BO"};
  matchsetup setup = game->nextsetup();
  setup.mode = gamemode::versus;
  setup.level = 1;
  const int start = test::frames();
  test::quicktap(start + 3, key::left);
  const int leaving = start + 20;
  test::tap(leaving, key::escape);
  test::tap(leaving + 200, key::enter);
  playonline(*game, open, setup);
  EXPECT_TRUE(anyinputhas(sent, sidebits(0, {false, false, true, false}, false, false)))
      << "the tap of Left never went out";
  EXPECT_LT(test::frames(), leaving + 10) << "the side that left was shown a message";
  EXPECT_NE(open.link, nullptr) << "a leave keeps the link for a rematch";
  bool quit = false;
  for (const net::message& m : sent) quit = quit || m.kind == net::messagekind::quit;
  EXPECT_TRUE(quit);
}

TEST_F(onlineinputtest, EachEndingIsToldInItsOwnWords) {
  EXPECT_EQ(seriesending(net::linkstate::left, -1, "BO"), "") << "the side that left chose to";
  EXPECT_EQ(seriesending(net::linkstate::running, -1, "BO"), "");
  EXPECT_EQ(seriesending(net::linkstate::peerquit, -1, "BO"), "BO LEFT THE MATCH");
  EXPECT_EQ(seriesending(net::linkstate::disconnected, -1, "BO"), "CONNECTION LOST");
  EXPECT_EQ(seriesending(net::linkstate::desynced, 412, "BO"), "THE TWO GAMES DIFFER FROM FRAME 412");
  for (auto end : {net::linkstate::left, net::linkstate::desynced, net::linkstate::peerquit}) {
    EXPECT_EQ(seriesending(end, -1, "BO").find("-1"), std::string::npos);
  }
}

}  // namespace
}  // namespace flopfist::testing
