// The main menu, the play-mode menu and the controls screen driven by scripted keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/fightgame.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/app/readback.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

using menutest = gametest;
using media::test::tap;
namespace key = media::key;

// Matches that end at once, noting the mode they were started in.
class modegame : public fightgame {
 public:
  std::vector<gamemode> modes;
  result playmatch() override {
    modes.push_back(current.mode);
    return result::left;
  }
};

// Runs the main loop until the program ends; returns its exit code.
int runloop(fightgame& game) {
  try {
    game.mainloop();
  } catch (const media::programexit& e) {
    return e.code;
  }
  return -1;
}

TEST_F(menutest, MainMenuWrapsAtBothEndsAndUpWithDownStays) {
  auto game = makegame();
  tap(1, key::up);  // PLAY -> QUIT
  tap(3, key::enter);
  EXPECT_EQ(game->mainmenu(), menuchoice::quit);

  tap(5, key::up);    // the selection was left on QUIT: QUIT -> SCORES
  tap(6, key::down);  // SCORES -> QUIT
  tap(7, key::down);  // QUIT -> PLAY
  tap(8, key::space);
  EXPECT_EQ(game->mainmenu(), menuchoice::play);

  tap(10, key::down);
  tap(11, key::down);
  tap(12, key::up);
  tap(12, key::down);  // both in one frame: CONTROLS stays
  tap(14, key::enter);
  EXPECT_EQ(game->mainmenu(), menuchoice::controls);
  EXPECT_EQ(media::test::frames(), 14);
}

TEST_F(menutest, PlayModeMenuWrapsAndEscapeWinsOverEnter) {
  auto game = makegame();
  // Each case starts from the entry the one before chose.
  const struct {
    std::vector<int> keys;  // tapped one frame apart, then Enter
    gamemode mode;
  } cases[] = {
      {{}, gamemode::single},
      {{key::down}, gamemode::versus},
      {{key::up, key::up, key::up, key::up}, gamemode::coop},         // up past the top, ONLINE and REPLAYS
      {{key::down, key::down, key::down, key::down}, gamemode::versus},  // down past REPLAYS and ONLINE to the top
  };
  for (const auto& c : cases) {
    const int start = media::test::frames();
    int f = start + 1;
    for (int k : c.keys) tap(f++, k);
    tap(f, key::enter);
    EXPECT_EQ(game->playmodemenu(), c.mode);
    EXPECT_EQ(media::test::frames(), f);  // finishes in the frame the Enter came
  }
  const int start = media::test::frames();
  tap(start + 2, key::enter);
  tap(start + 2, key::escape);
  EXPECT_FALSE(game->playmodemenu().has_value());
}

TEST_F(menutest, EscapeOnPlayModeGoesBackToTheMainMenuWithPlaySelected) {
  modegame game;
  game.art = openassets();
  loadmusic(game);
  game.settings = options{};
  tap(2, key::down);
  tap(3, key::up);
  tap(4, key::enter);     // PLAY
  tap(8, key::escape);    // back from the play-mode menu
  tap(12, key::enter);    // PLAY again: the selection starts at PLAY
  tap(16, key::down);
  tap(17, key::down);
  tap(19, key::enter);    // "2coop": one match, left at once
  tap(24, key::escape);   // the main menu ends the program
  EXPECT_EQ(runloop(game), 0);
  ASSERT_EQ(game.modes.size(), 1u);
  EXPECT_EQ(game.modes[0], gamemode::coop);
  EXPECT_EQ(media::test::frames(), 24);
}

// Coming back to a menu finds the selection where it was left: Up from OPTIONS reaches PLAY, not
// QUIT, and the play-mode menu offers the mode played last.
TEST_F(menutest, MenusRememberTheirSelection) {
  modegame game;
  game.art = openassets();
  loadmusic(game);
  game.settings = options{};
  tap(2, key::down);
  tap(4, key::enter);   // OPTIONS
  tap(8, key::down);    // in OPTIONS, one row down
  tap(10, key::escape);  // back to the main menu, OPTIONS still selected
  tap(14, key::up);     // PLAY
  tap(16, key::enter);
  tap(18, key::down);
  tap(20, key::enter);  // 2 PLAYERS VS: one match, left at once
  tap(24, key::enter);  // PLAY again
  tap(26, key::enter);  // 2 PLAYERS VS is still selected
  tap(30, key::escape);  // the main menu ends the program
  EXPECT_EQ(runloop(game), 0);
  EXPECT_EQ(game.modes, (std::vector<gamemode>{gamemode::versus, gamemode::versus}));
  EXPECT_EQ(game.menuplace("options", 12), 2) << "OPTIONS forgot its row";
  EXPECT_EQ(media::test::frames(), 30);
}

TEST_F(menutest, KeysPendingFromThePreviousScreenDoNotAct) {
  auto game = makegame();
  // The Enter that chose an entry came with Down and Space in the same frame.
  auto leftover = [] {
    const int f = media::test::frames() + 1;
    tap(f, key::enter);
    tap(f, key::space);
    tap(f, key::down);
    tap(f, key::escape);
    media::flip(-1);
    return f;
  };
  int f = leftover();
  tap(f + 5, key::enter);
  EXPECT_EQ(game->mainmenu(), menuchoice::play);
  EXPECT_EQ(media::test::frames(), f + 5);

  f = leftover();
  tap(f + 5, key::enter);
  EXPECT_EQ(game->playmodemenu(), gamemode::single);
  EXPECT_EQ(media::test::frames(), f + 5);

  f = leftover();
  tap(f + 5, key::escape);
  game->controlsscreen();
  EXPECT_EQ(media::test::frames(), f + 5);

  // And through the main loop: Enter with Down on PLAY opens the play-mode menu at 1 PLAYER.
  modegame loop;
  loop.art = openassets();
  f = media::test::frames();
  tap(f + 2, key::enter);
  tap(f + 2, key::down);
  tap(f + 5, key::enter);
  tap(f + 9, key::escape);
  EXPECT_EQ(runloop(loop), 0);
  ASSERT_EQ(loop.modes.size(), 1u);
  EXPECT_EQ(loop.modes[0], gamemode::single);
}

TEST_F(menutest, EscapeOnTheMainMenuEndsTheProgramWithCodeZero) {
  auto game = makegame();
  tap(3, key::escape);
  tap(3, key::enter);
  int code = -1;
  try {
    game->mainmenu();
  } catch (const media::programexit& e) {
    code = e.code;
  }
  EXPECT_EQ(code, 0);
  EXPECT_EQ(media::test::frames(), 3);

  // The window's close button ends every screen at its next present.
  for (int screen = 0; screen < 3; ++screen) {
    const int f = media::test::frames() + 4;
    media::test::closewindow(f);
    code = -1;
    try {
      if (screen == 0) game->mainmenu();
      if (screen == 1) game->playmodemenu();
      if (screen == 2) game->controlsscreen();
    } catch (const media::programexit& e) {
      code = e.code;
    }
    EXPECT_EQ(code, 0) << screen;
    EXPECT_EQ(media::test::frames(), f) << screen;
  }
}

TEST_F(menutest, SelectedEntryInPaletteColourTwoOthersInGrey) {
  auto game = makegame();
  // Sixty frames so the palette has left black; then OPTIONS is selected when Enter comes.
  tap(2, key::down);
  tap(60, key::enter);
  EXPECT_EQ(game->mainmenu(), menuchoice::options);
  const auto f = media::test::presented();
  savepng(f, artefact("testmode_mainmenu_options.png"));
  const palette& shown = game->colours;
  const rgb title{shown.colours[1][1], shown.colours[1][2], shown.colours[1][3]};
  const rgb selected{shown.colours[2][1], shown.colours[2][2], shown.colours[2][3]};
  const rgb grey{100, 100, 100};
  EXPECT_TRUE(near(brightest(f, 0, 20, 1024, 142), title));
  const int ys[] = {180, 260, 340, 420, 500};
  for (int i = 0; i < 5; ++i) {
    const rgb seen = brightest(f, 0, ys[i] + 10, 1024, ys[i] + 88);
    EXPECT_TRUE(near(seen, i == 1 ? selected : grey))
        << "entry " << i + 1 << ": " << seen.r << "," << seen.g << "," << seen.b;
    const span s = litcolumns(f, ys[i] + 10, ys[i] + 88);
    EXPECT_NEAR((s.left + s.right) / 2.0, 512.0, 6.0) << "entry " << i + 1;
  }
  EXPECT_EQ(brightest(f, 0, 610, 1024, 768).r, 0);  // below the tail of the Q

  // The play-mode menu: no title, 1 PLAYER selected, the other two grey.
  tap(media::test::frames() + 30, key::enter);
  game->playmodemenu();
  const auto m = media::test::presented();
  savepng(m, artefact("testmode_playmode.png"));
  const rgb now{shown.colours[2][1], shown.colours[2][2], shown.colours[2][3]};
  EXPECT_EQ(brightest(m, 0, 0, 1024, 170).r + brightest(m, 0, 0, 1024, 170).g, 0);
  EXPECT_TRUE(near(brightest(m, 0, 180, 1024, 240), now));
  EXPECT_TRUE(near(brightest(m, 0, 340, 1024, 400), grey));
  EXPECT_TRUE(near(brightest(m, 0, 420, 1024, 480), grey));
}

TEST_F(menutest, ControlsScreenDrawsEveryLineInPaletteColourOne) {
  auto game = makegame();
  tap(45, key::escape);
  game->controlsscreen();
  const auto f = media::test::presented();
  savepng(f, artefact("testmode_controls.png"));
  const palette& shown = game->colours;
  const rgb one{shown.colours[1][1], shown.colours[1][2], shown.colours[1][3]};
  const struct {
    int y, h;
  } lines[] = {{20, 121}, {150, 40}, {190, 40}, {232, 40}, {280, 26}, {322, 30}, {380, 21},
               {406, 21}, {432, 21}, {458, 21}, {484, 21}, {510, 21}, {536, 21}, {562, 21},
               {588, 21}, {614, 21}, {640, 21}};
  for (const auto& l : lines) {
    const span s = litcolumns(f, l.y, l.y + l.h);
    ASSERT_GE(s.left, 0) << "line at " << l.y;
    EXPECT_NEAR((s.left + s.right) / 2.0, 512.0, 6.0) << "line at " << l.y;
    if (l.h >= 30) {
      EXPECT_TRUE(near(brightest(f, 0, l.y, 1024, l.y + l.h), one)) << "line at " << l.y;
    }
  }
  // The longest advice line fits the screen.
  const span longest = litcolumns(f, 380, 401);
  EXPECT_GT(longest.left, 0);
  EXPECT_LT(longest.right, 1023);
}

}  // namespace
}  // namespace flopfist::testing
