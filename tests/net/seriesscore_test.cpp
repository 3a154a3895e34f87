// An online versus series: the match that follows a finished one starts with the winner's point.
#include <gtest/gtest.h>

#include "match/timeline.h"

namespace flopfist::net {
namespace {

TEST(seriesscore, EachWinCountsForThePlayerWhoWonIt) {
  for (const int winner : {1, 2}) {
    SCOPED_TRACE("player " + std::to_string(winner) + " wins");
    matchsetup setup;
    setup.mode = gamemode::versus;
    setup.rules.blood = 30;
    setup.rng = media::generator(19);
    setup.wins = {0, 3, 5};
    timeline t(setup);
    t.series = true;
    t.now.fighters[size_t(3 - winner)].energy = 0;  // the loser has run out
    frameinput enter;
    enter.enter = true;
    for (int tick = 0; tick < 2000 && t.played == 0; ++tick) {
      if (t.now.state == matchstate::end) {
        ASSERT_EQ(t.now.ending(), result(winner));
      }
      (void)t.step(enter);
    }
    ASSERT_EQ(t.played, 1);
    EXPECT_EQ(t.now.wins[1], winner == 1 ? 4 : 3);
    EXPECT_EQ(t.now.wins[2], winner == 2 ? 6 : 5);
    EXPECT_EQ(t.now.state, matchstate::game);
  }
}

}  // namespace
}  // namespace flopfist::net
