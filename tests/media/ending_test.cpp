// Ends from outside: SIGTERM, SIGINT and SIGHUP reach the game as the close button does, on every screen.
#include <gtest/gtest.h>

#include <csignal>
#include <functional>

#include "app/fightgame.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

using endingtest = flopfist::testing::gametest;

TEST_F(endingtest, EachTerminationSignalIsOneCloseRequest) {
  media::test::catchsignals();
  for (const int s : {SIGTERM, SIGINT, SIGHUP}) {
    EXPECT_FALSE(media::terminaterequest()) << s;
    std::raise(s);
    EXPECT_TRUE(media::terminaterequest()) << s;
    EXPECT_FALSE(media::terminaterequest()) << s;  // read once
  }
  media::test::reset();  // the defaults are back: nothing is caught any more
  struct sigaction now {};
  ::sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
}

// A screen entered directly, a signal raised at frame 30 of it: the program ends with code 0
// within a second of frames.
void endsonsignal(const char* screen, int signo, const std::function<void(fightgame&)>& run) {
  SCOPED_TRACE(screen);
  media::test::reset();
  auto game = flopfist::testing::makegame();
  media::test::catchsignals();
  constexpr int at = 30;
  media::test::raisesignal(at, signo);
  try {
    run(*game);
    ADD_FAILURE() << "the screen was left without the program ending";
  } catch (const media::programexit& e) {
    EXPECT_EQ(e.code, 0);
  }
  EXPECT_GE(media::test::frames(), at);
  EXPECT_LE(media::test::frames(), at + 60);
}

// The match's later screens are states of its frame loop, entered as the match flow enters them.
std::function<void(fightgame&)> matchin(matchstate state, outcome decided) {
  return [state, decided](fightgame& g) {
    g.current.mode = gamemode::single;
    g.current.level = 1;
    g.beginmatch();
    g.playing->decided = decided;
    g.playing->state = state;
    g.playing->statestart = g.playing->framecount;
    for (int i = 0; i < 1000; ++i) g.matchframe();
  };
}

TEST_F(endingtest, ASignalEndsTheProgramFromEveryScreen) {
  endsonsignal("splash", SIGTERM, [](fightgame& g) { g.run(); });
  endsonsignal("main menu", SIGINT, [](fightgame& g) { g.mainmenu(); });
  endsonsignal("play-mode menu", SIGHUP, [](fightgame& g) { g.playmodemenu(); });
  endsonsignal("options", SIGTERM, [](fightgame& g) { g.optionsscreen(); });
  endsonsignal("controls", SIGINT, [](fightgame& g) { g.controlsscreen(); });
  endsonsignal("high scores", SIGHUP, [](fightgame& g) { g.scorescreen(); });
  endsonsignal("match", SIGTERM, [](fightgame& g) {
    g.current.mode = gamemode::coop;
    g.current.level = 3;
    g.playmatch();
  });
  endsonsignal("pause", SIGHUP, [](fightgame& g) {
    media::test::tap(10, media::key::p);
    g.current.mode = gamemode::single;
    g.current.level = 1;
    g.playmatch();
  });
  endsonsignal("level summary", SIGINT, matchin(matchstate::levelcompleted, outcome::first));
  endsonsignal("name entry", SIGTERM, matchin(matchstate::gameover, outcome::second));
  endsonsignal("score table", SIGHUP, matchin(matchstate::highscores, outcome::second));
}

}  // namespace
}  // namespace flopfist
