// The ONLINE menu driven by scripted keys: the input delay and the name kept in a file of their own,
// and over a stand-in link the rematch offered after a series, begun only when both sides want it.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "app/fightgame.h"
#include "app/online.h"
#include "media/folders.h"
#include "media/media.h"
#include "media/testcontrols.h"
#include "media/testing.h"
#include "net/lobby.h"
#include "tests/app/readback.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

using onlinemenutest = gametest;
using media::test::tap;
namespace key = media::key;

TEST_F(onlinemenutest, TheInputDelayAndTheNameAreKeptInOnlineCfgNotPrefs) {
  auto game = makegame();
  ASSERT_TRUE(media::savefile("prefs.qmx", "untouched\n"));
  int f = media::test::frames() + 2;
  for (int k = 0; k < 3; ++k) tap(f++, key::down);   // HOST, JOIN, NAME, INPUT DELAY
  for (int k = 0; k < 4; ++k) tap(f++, key::right);  // 2 -> 4, held there
  tap(f++, key::left);                               // 3
  tap(f++, key::up);                                 // NAME
  tap(f++, key::enter);
  for (char c : std::string("ann!a b-1234567")) media::test::type(f++, c);
  tap(f++, key::enter);
  tap(f + 2, key::escape);
  game->onlinemenu();
  EXPECT_EQ(game->onlinedelay, 3);
  EXPECT_EQ(game->onlinename, "ANNA B-123") << "capitals, no '!', ten at most";
  std::string kept, prefs;
  ASSERT_TRUE(media::readbytes("online.cfg", kept));
  EXPECT_EQ(kept, "3\nANNA B-123\n");
  ASSERT_TRUE(media::readbytes("prefs.qmx", prefs));
  EXPECT_EQ(prefs, "untouched\n");
  // The next visit starts from what was kept; BACK leaves as Escape does; a name typed and then
  // abandoned with Escape changes nothing.
  f = media::test::frames() + 2;
  tap(f++, key::down);
  tap(f++, key::down);
  tap(f++, key::enter);
  media::test::type(f++, 'z');
  tap(f++, key::escape);
  tap(f++, key::up);
  tap(f++, key::up);
  tap(f++, key::up);  // from HOST GAME round to BACK
  tap(f, key::enter);
  game->onlinedelay = 0;
  game->onlinename = "X";
  game->onlinemenu();
  EXPECT_EQ(game->onlinedelay, 3);
  EXPECT_EQ(game->onlinename, "ANNA B-123");
  EXPECT_EQ(media::test::frames(), f);
}

// The other side of a link, as a test scripts it: what it says from which frame on, and what this
// side said. It outlives the link, which the menu drops when it is done with it.
struct linkscript {
  std::deque<std::pair<int, net::lobbymessage>> theirs;
  std::vector<net::lobbymessage> said;
  int datagrams = 0;
};

class scriptedlink final : public net::transport {
 public:
  explicit scriptedlink(linkscript& s) : s_(s) {}
  void poll(uint32_t) override {}
  net::linkphase phase() const override { return net::linkphase::joined; }
  void send(std::span<const uint8_t>) override { ++s_.datagrams; }
  bool next(net::packet&) override { return false; }
  void sendwhole(std::string_view bytes) override { s_.said.push_back(net::decodelobby(bytes)); }
  bool nextwhole(std::string& into) override {
    if (s_.theirs.empty() || media::test::frames() < s_.theirs.front().first) return false;
    into = net::encode(s_.theirs.front().second);
    s_.theirs.pop_front();
    return true;
  }
  std::string problem() const override { return ""; }
  uint16_t port() const override { return 1; }

 private:
  linkscript& s_;
};

// This machine hosted ANNA's series against BO, and the link is still open.
openlink hostwith(linkscript& script) {
  openlink open;
  open.link = std::make_unique<scriptedlink>(script);
  open.side = 0;
  open.names = {"ANNA", "BO"};
  return open;
}

TEST_F(onlinemenutest, ARematchBeginsOnlyOnceBothSidesWantOne) {
  auto game = makegame();
  linkscript script, *link = &script;
  openlink open = hostwith(script);
  const int start = media::test::frames();
  // The guest offers at once; the host's player takes it a second later, with REMATCH selected.
  link->theirs.push_back({start + 2, {net::lobbykind::rematch, "", ""}});
  tap(start + 60, key::enter);
  // No datagram ever comes back: the series ends after three seconds of silence, its message is
  // answered, and the lost link leaves the menu without a rematch; Escape goes back.
  tap(start + 60 + 4 * 60, key::enter);
  tap(start + 60 + 5 * 60, key::escape);
  onlinemenu(*game, std::move(open));
  ASSERT_GE(link->said.size(), 2u);
  EXPECT_EQ(link->said[0].kind, net::lobbykind::rematch);
  ASSERT_EQ(link->said[1].kind, net::lobbykind::setup);
  EXPECT_EQ(link->said[1].name, "ANNA");
  const loadedreplay setup = decodereplay(link->said[1].setup);
  ASSERT_EQ(setup.problem, replayproblem::none) << setup.message;
  EXPECT_EQ(setup.data.setup.mode, gamemode::versus);
  EXPECT_EQ(setup.data.setup.wins, (std::array<int, 3>{})) << "a rematch is a new series";
  EXPECT_GT(link->datagrams, 60) << "the series ran over the link";
  EXPECT_EQ(link->said.size(), 2u) << "a lost link is not told anything more";
}

TEST_F(onlinemenutest, NoSeriesStartsWhenTheOtherSideGoesBackOrOnlyOneWantsIt) {
  auto game = makegame();
  linkscript script, *link = &script;
  openlink open = hostwith(script);
  int f = media::test::frames() + 2;
  tap(f, key::enter);  // this side offers; the other says nothing, then goes back
  link->theirs.push_back({f + 30, {net::lobbykind::leave, "", ""}});
  link->theirs.push_back({f + 31, {net::lobbykind::rematch, "", ""}});  // too late: the link is gone
  tap(f + 60, key::escape);
  onlinemenu(*game, std::move(open));
  ASSERT_EQ(link->said.size(), 1u);
  EXPECT_EQ(link->said[0].kind, net::lobbykind::rematch);
  EXPECT_EQ(link->datagrams, 0);
  // Going back from an open link tells the other side.
  script = {};
  open = hostwith(script);
  f = media::test::frames() + 2;
  tap(f, key::escape);
  onlinemenu(*game, std::move(open));
  ASSERT_EQ(link->said.size(), 1u);
  EXPECT_EQ(link->said[0].kind, net::lobbykind::leave);
}

// The menu's foot names how the two games reach each other while a link is open, clear of the rows
// above it; with no link it is dark.
TEST_F(onlinemenutest, TheFootNamesThePathWhileALinkIsOpen) {
  auto game = makegame();
  linkscript script;
  openlink open = hostwith(script);
  media::test::frame withlink, without;
  int f = media::test::frames() + 5;
  media::test::atframe(f, [&] { withlink = media::test::presented(); });
  tap(f + 1, key::escape);
  onlinemenu(*game, std::move(open));
  f = media::test::frames() + 5;
  media::test::atframe(f, [&] { without = media::test::presented(); });
  tap(f + 1, key::escape);
  game->onlinemenu();
  ASSERT_EQ(withlink.width, 1024);
  ASSERT_EQ(without.width, 1024);
  media::test::savepng(withlink, artefact("online_menu_link.png"));
  const span foot = litcolumns(withlink, 668, 700);
  EXPECT_GT(foot.left, 300) << "a short line, centred";
  EXPECT_LT(foot.right, 724);
  EXPECT_GT(foot.right - foot.left, 60);
  EXPECT_EQ(litcolumns(withlink, 640, 664).left, -1) << "the last row runs into the foot";
  EXPECT_EQ(litcolumns(without, 668, 700).left, -1) << "no link, no path";
}

}  // namespace
}  // namespace flopfist::testing
