// Two sessions over the simulated link: every confirmed frame as a single match with all the inputs
// reaches it, whatever the round trip and loss; and the ways a link ends.
#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

#include "match/timeline.h"
#include "tests/net/duel.h"

namespace flopfist::nettest {
namespace {

constexpr uint32_t seed = 19;
constexpr int frames = 720;  // twelve seconds; the long runs are in bench/netlink_bench.cpp

class linkmatrix : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(linkmatrix, BothSidesConfirmTheFramesOfOneMatch) {
  const auto [rtt, losspercent] = GetParam();
  const linkconfig c{rtt, 20, losspercent / 100.0, 0.02, seed};
  duel<timeline> d(timeline(versussetup(seed)), c, 2, seed);
  const dueloutcome o = d.run(frames);
  std::printf("%s\n", describe(c, o).c_str());
  EXPECT_EQ(o.states[0], net::linkstate::running);
  EXPECT_EQ(o.states[1], net::linkstate::running);
  EXPECT_GE(o.frames[0], frames);
  EXPECT_GE(o.frames[1], frames);
  EXPECT_GE(o.compared, frames - 20);
  EXPECT_EQ(o.differing, -1) << "the first confirmed frame unlike the reference";
  EXPECT_EQ(o.unevenfirsts, 0) << "frames whose sounds would play twice or never";
  // What each side's replay records: every confirmed frame once, with the inputs really given.
  EXPECT_GE(std::min(o.followed[0], o.followed[1]), frames - 20);
  EXPECT_EQ(o.wronginput[0], -1);
  EXPECT_EQ(o.wronginput[1], -1);
  // Every confirmed frame's state is hashed once, never a predicted one: no more hashes than frames.
  for (int s = 0; s < 2; ++s) {
    EXPECT_LE(o.checksums[size_t(s)], std::min(o.frames[size_t(s)], o.confirmed[size_t(s)] + 1));
    EXPECT_GE(o.checksums[size_t(s)], o.confirmed[size_t(s)] - 8);
  }
  // On a link without loss up to 120 ms the window never fills.
  if (losspercent == 0 && rtt <= 120) {
    EXPECT_EQ(o.stats[0].waited + o.stats[1].waited, 0);
  }
  // The joiner starts late; the host slows to meet it, a little at a time, and then runs even.
  EXPECT_LE(o.stats[0].slowed + o.stats[1].slowed, frames / 40);
}

INSTANTIATE_TEST_SUITE_P(RoundTripAndLoss, linkmatrix,
                         ::testing::Combine(::testing::Values(0, 60, 120, 200), ::testing::Values(0, 5, 20)),
                         [](const auto& info) {
                           return "rtt" + std::to_string(std::get<0>(info.param)) + "loss" +
                                  std::to_string(std::get<1>(info.param));
                         });

TEST(sessionend, SilenceForThreeSecondsIsADisconnection) {
  duel<foldgame> d(foldgame{}, {60, 0, 0, 0, seed}, 2, seed);
  ASSERT_EQ(d.run(120).states[0], net::linkstate::running);
  d.link().cut = true;
  // The last datagram came no later than now; three seconds of silence from then end it.
  const uint32_t now = 120 * 1000 / 60 + 100;
  for (uint32_t t = now; t < now + 2800; t += 16) {
    (void)d.session(0).advance(0, t);
    ASSERT_EQ(d.session(0).state(), net::linkstate::running) << t;
  }
  for (uint32_t t = now + 2800; t < now + 3400; t += 16) (void)d.session(0).advance(0, t);
  EXPECT_EQ(d.session(0).state(), net::linkstate::disconnected);
  EXPECT_TRUE(d.session(0).advance(0, now + 3500).empty());
}

// Escape on either side ends the match on both at one frame, so the two replays hold the same
// inputs and reach the same final hash, whatever the link lost or held back.
TEST(sessionend, ASideThatLeavesAndItsPeerEndTheMatchAtOneFrame) {
  const std::array<linkconfig, 3> links{{{0, 0, 0, 0, seed}, {120, 20, 0.05, 0.02, seed}, {200, 20, 0.2, 0.02, seed}}};
  for (const linkconfig& c : links) {
    for (int leaver = 0; leaver < 2; ++leaver) {
      SCOPED_TRACE("rtt " + std::to_string(c.rttms) + " loss " + std::to_string(c.loss) + ", side " + std::to_string(leaver) + " leaves");
      duel<foldgame> d(foldgame{}, c, 2, seed);
      d.leaver = leaver;
      d.leaveframe = 300;
      const dueloutcome o = d.run(600);
      EXPECT_EQ(o.states[size_t(leaver)], net::linkstate::left);
      EXPECT_EQ(o.states[size_t(1 - leaver)], net::linkstate::peerquit);
      EXPECT_EQ(o.followed[0], o.followed[1]);
      EXPECT_GE(o.followed[0], 300 - 30) << "ended near where it was left";
      EXPECT_LE(o.followed[0], 300 + 2) << "no later than the leaver's inputs, sent with the delay";
      EXPECT_EQ(o.wronginput[0], -1);
      EXPECT_EQ(o.wronginput[1], -1);
      EXPECT_EQ(o.endhash[0], o.endhash[1]);
      EXPECT_TRUE(d.session(1 - leaver).advance(0, 99999).empty()) << "nothing stepped after the end";
    }
  }
}

TEST(sessionend, ADifferenceInOneSidesStateIsADesyncNamingItsFrame) {
  duel<foldgame> d(foldgame{}, {60, 20, 0.05, 0.02, seed}, 2, seed);
  d.meddle = [](int side, int frame, foldgame& g) {
    if (side == 1 && frame == 300) g.h ^= 1;
  };
  const dueloutcome o = d.run(600);
  EXPECT_EQ(o.desyncs, 2);
  // Meddled with before frame 300 was saved: the first state unlike the other side's is 300's,
  // and both sides name it, though the link lost some of the messages that carried its hash.
  EXPECT_EQ(d.session(0).desyncframe(), 300);
  EXPECT_EQ(d.session(1).desyncframe(), 300);
  EXPECT_LT(std::max(o.frames[0], o.frames[1]), 300 + 60) << "found within a second";
}

// Datagrams of other kinds or none, from a stranger or torn, change nothing a side steps.
TEST(sessionend, StrayDatagramsLeaveTheMatchAsItWas) {
  const linkconfig c{60, 20, 0.05, 0.02, seed};
  duel<foldgame> plain(foldgame{}, c, 2, seed);
  const dueloutcome clean = plain.run(300);
  duel<foldgame> noisy(foldgame{}, c, 2, seed);
  std::mt19937 junk(seed);
  noisy.meddle = [&](int side, int frame, foldgame&) {
    std::vector<uint8_t> b(size_t(junk() % 300));
    for (uint8_t& x : b) x = uint8_t(junk());
    if (b.size() > 3) b[0] = 'F', b[1] = 'f', b[2] = uint8_t(1 + junk() % 3);
    noisy.session(side).receive(b, uint32_t(frame * 16));
    // The side's own last message torn short, as the peer's would be.
    const auto own = noisy.session(side).outgoing();
    if (own.size() > 1) noisy.session(side).receive(own.first(own.size() - 1 - junk() % (own.size() - 1)), 0);
    net::message hi;
    hi.kind = net::messagekind::hello;
    noisy.session(side).receive(net::encode(hi).view(), uint32_t(frame * 16));
  };
  const dueloutcome o = noisy.run(300);
  EXPECT_EQ(o.differing, -1);
  EXPECT_EQ(o.desyncs, 0);
  EXPECT_EQ(o.stats[0].rollbacks, clean.stats[0].rollbacks);
  EXPECT_EQ(o.frames[1], clean.frames[1]);
}

}  // namespace
}  // namespace flopfist::nettest
