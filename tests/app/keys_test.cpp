// The players' key bindings: refusals that name the holder, the file controls.cfg read back,
// partial and hostile files, and keys found by place under another keyboard layout.
#include "app/keys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/fightgame.h"
#include "media/controls.h"
#include "media/testcontrols.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

namespace place = media::place;
using keystest = flopfist::testing::gametest;

keybindings readtext(const std::string& text) {
  media::infile in;
  in.openbytes(text);
  return readkeys(in);
}

// Every action has a key with a name, none is reserved, and no key serves two actions.
void expectusable(const keybindings& keys) {
  std::set<int> seen;
  for (int p : keys.places) {
    EXPECT_FALSE(media::placename(p).empty()) << p;
    EXPECT_FALSE(reservedkey(p)) << p;
    EXPECT_TRUE(seen.insert(p).second) << "two actions on " << media::placename(p);
  }
}

unsigned fuzzseed() {
  const char* env = std::getenv("FLOPFIST_FUZZ_SEED");
  const unsigned seed = env != nullptr ? unsigned(std::strtoul(env, nullptr, 10)) : 1208u;
  std::printf("seed %u (FLOPFIST_FUZZ_SEED)\n", seed);
  return seed;
}

TEST(keybindings, AKeyHeldByAnotherActionIsRefusedNamingIt) {
  keybindings keys;
  const keybindings before = keys;
  EXPECT_EQ(bindkey(keys, action::p1up, place::w), "W IS ALREADY PLAYER 2 UP");
  EXPECT_EQ(bindkey(keys, action::p2right, place::left), "LEFT IS ALREADY PLAYER 1 LEFT");
  EXPECT_EQ(bindkey(keys, action::pause, place::s), "S IS ALREADY PLAYER 2 DOWN");
  // The first action in the list holds its key like any other.
  EXPECT_EQ(bindkey(keys, action::p1down, place::up), "UP IS ALREADY PLAYER 1 UP");
  EXPECT_EQ(bindkey(keys, action::p2up, place::p), "P IS ALREADY PAUSE");
  EXPECT_EQ(keys, before) << "a refusal changes nothing";

  EXPECT_EQ(bindkey(keys, action::p1up, place::i), "");
  EXPECT_EQ(keys.of(action::p1up), place::i);
  EXPECT_EQ(bindkey(keys, action::p2up, place::up), "") << "Up was freed by the change above";
  EXPECT_EQ(bindkey(keys, action::p2up, place::up), "") << "an action may keep its own key";
  EXPECT_EQ(bindkey(keys, action::p1down, place::up), "UP IS ALREADY PLAYER 2 UP");
}

TEST(keybindings, ReservedAndNamelessKeysAreRefused) {
  keybindings keys;
  const keybindings before = keys;
  EXPECT_EQ(bindkey(keys, action::p1up, place::escape), "ESCAPE IS RESERVED: IT LEAVES");
  EXPECT_EQ(bindkey(keys, action::p1up, place::enter), "RETURN IS RESERVED FOR THE MENUS");
  EXPECT_NE(bindkey(keys, action::pause, place::keypadenter).find("RESERVED"), std::string::npos);
  EXPECT_NE(bindkey(keys, action::p1up, 0), "");
  EXPECT_NE(bindkey(keys, action::p1up, 158), "") << "Return's twin name cannot be saved";
  EXPECT_EQ(keys, before);
}

// Any set of usable keys, written and read back, is the same set.
TEST(keybindings, TheFileReadsBackAsWritten) {
  std::mt19937 rng(fuzzseed());
  std::vector<int> usable;
  for (int p = 1; p < place::count; ++p) {
    if (!media::placename(p).empty() && !reservedkey(p)) usable.push_back(p);
  }
  for (int round = 0; round < 500; ++round) {
    keybindings keys;
    std::shuffle(usable.begin(), usable.end(), rng);
    for (int a = 0; a < actioncount; ++a) keys.places[size_t(a)] = usable[size_t(a)];
    const std::string text = keystext(keys);
    EXPECT_EQ(readtext(text), keys) << text;
  }
  const std::string defaults = keystext(keybindings{});
  EXPECT_NE(defaults.find("\nplayer 1 up = Up\n"), std::string::npos) << defaults;
  EXPECT_NE(defaults.find("\npause = P\n"), std::string::npos) << defaults;
}

TEST(keybindings, WhatAFileLacksOrCannotHaveStaysAtItsDefault) {
  keybindings want;
  want.places[size_t(action::p1up)] = place::i;
  EXPECT_EQ(readtext("player 1 up = I\n"), want);
  EXPECT_EQ(readtext("  PLAYER   1  UP=i  \r\n"), want) << "case and blanks do not matter";
  EXPECT_EQ(readtext(""), keybindings{});
  // Player 2 keeps W, which the file does not give away: player 1's wish for it yields.
  EXPECT_EQ(readtext("player 1 up = W\n"), keybindings{});
  // A complete swap is fine.
  keybindings swapped;
  swapped.places[size_t(action::p1up)] = place::w;
  swapped.places[size_t(action::p2up)] = place::up;
  EXPECT_EQ(readtext("player 1 up = W\nplayer 2 up = Up\n"), swapped);
  // Two lines wanting one key: the first keeps it. Reserved and unknown keys are ignored.
  want = keybindings{};
  want.places[size_t(action::p1down)] = place::i;
  EXPECT_EQ(readtext("player 1 down = I\nplayer 1 left = I\npause = Escape\nplayer 2 up = Nope\n"),
            want);
  // A second line for an action is ignored.
  EXPECT_EQ(readtext("player 1 down = I\nplayer 1 down = Q\n"), want);
}

// Random bytes, random lines of the right shape, duplicates and reserved keys: whatever the file
// holds, every action ends with its own usable key.
TEST(keybindings, HostileFilesNeverPutTwoActionsOnOneKey) {
  std::mt19937 rng(fuzzseed());
  const std::vector<std::string> names{"player 1 up",
                                       "player 1 down",
                                       "player 1 left",
                                       "player 1 right",
                                       "player 2 up",
                                       "player 2 down",
                                       "player 2 left",
                                       "player 2 right",
                                       "pause",
                                       "player 3 up",
                                       ""};
  const std::vector<std::string> keynames{
      "Up",       "Down",   "Left",   "Right",        "W",     "A", "S",          "D", "P",
      "I",        "Escape", "Return", "Keypad Enter", "Space", "",  "Left Shift", "=", "#",
      "nonsense", "Up Up"};
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const int lines = int(rng() % 14);
    for (int l = 0; l < lines; ++l) {
      switch (rng() % 4) {
        case 0:
          for (int n = int(rng() % 40); n > 0; --n) text += char(rng() % 256);
          break;
        default:
          text += names[rng() % names.size()] + (rng() % 5 == 0 ? " : " : " = ") +
                  keynames[rng() % keynames.size()];
      }
      text += rng() % 3 == 0 ? "\r\n" : "\n";
    }
    SCOPED_TRACE(text);
    expectusable(readtext(text));
    if (HasFailure()) return;
  }
}

TEST_F(keystest, AMissingFileGivesTheDefaultsWithoutWritingAndAFolderIsNoFile) {
  auto game = flopfist::testing::makegame();
  bindkey(game->keys, action::p1up, place::i);
  game->loadkeys();
  EXPECT_EQ(game->keys, keybindings{});
  EXPECT_FALSE(std::filesystem::exists("controls.cfg"));
  game->savekeys();
  media::infile in;
  ASSERT_TRUE(in.open("controls.cfg"));
  EXPECT_EQ(readkeys(in), keybindings{});

  std::filesystem::remove("controls.cfg");
  std::filesystem::create_directory("controls.cfg");
  bindkey(game->keys, action::p1up, place::i);
  game->loadkeys();
  EXPECT_EQ(game->keys, keybindings{});
}

// On a French keyboard the key in player 2's LEFT place prints Q and the Q place prints A: the
// bindings follow the places, not the letters.
TEST_F(keystest, BoundPlacesWorkUnderAnotherLayout) {
  auto game = flopfist::testing::makegame();
  ASSERT_EQ(bindkey(game->keys, action::p1up, place::q), "");
  media::test::pressplace(place::q, 'a');
  media::test::pressplace(place::a, 'q');
  media::flip(-1);
  const frameinput in = game->takeinput();
  EXPECT_TRUE(in.player[1].up);
  EXPECT_TRUE(in.player[2].left);
  EXPECT_FALSE(in.player[1].left || in.player[1].down || in.player[1].right);
  EXPECT_FALSE(in.player[2].up || in.player[2].down || in.player[2].right);
  EXPECT_EQ(keysheld(game->keys), 2);
  // The arrow that was player 1's UP steers nobody now.
  media::test::press(media::test::frames() + 1, media::key::up);
  media::flip(-1);
  EXPECT_TRUE(media::placedown(place::up));
  EXPECT_EQ(game->takeinput().player[1].up, true) << "Q is still held";
  media::test::releaseplace(place::q, 'a');
  media::flip(-1);
  EXPECT_FALSE(game->takeinput().player[1].up) << "the Up arrow still steers player 1";
}

}  // namespace
}  // namespace flopfist
