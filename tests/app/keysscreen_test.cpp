// The CONTROLS, CHANGE KEYS and TEST KEYS screens driven by scripted keys and a pad, as a player
// would: a key changed and saved, a refusal that changes nothing, the defaults back, held keys lit.
#include <gtest/gtest.h>

#include <string>

#include "app/fightgame.h"
#include "app/keys.h"
#include "media/controls.h"
#include "media/testcontrols.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

namespace key = media::key;
namespace place = media::place;
namespace test = media::test;
using flopfist::testing::artefact;
using flopfist::testing::makegame;
using keysscreentest = flopfist::testing::gametest;

constexpr int keyI = 'I';  // virtual-key numbers of letters are their capitals

keybindings savedkeys() {
  media::infile in;
  if (!in.open("controls.cfg")) return keybindings{};
  return readkeys(in);
}

int reddish(const test::frame& f, int top, int bottom) {
  int n = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = 0; x < f.width; ++x)
      n += (f.r(x, y) > 200 && f.g(x, y) < 130 && f.b(x, y) < 130) ? 1 : 0;
  }
  return n;
}

// Space chooses PLAYER 1 UP; the Space itself is not taken as the new key, I is, and is saved.
TEST_F(keysscreentest, ANewKeyIsTakenFromTheNextPressAndSaved) {
  auto game = makegame();
  const int f = test::frames();
  test::tap(f + 2, key::space);
  test::tap(f + 4, keyI);
  test::atframe(f + 6, [] { test::savepng(test::presented(), artefact("keys_changed.png")); });
  test::tap(f + 8, key::escape);
  game->keysscreen();
  EXPECT_EQ(test::frames(), f + 8);
  EXPECT_EQ(game->keys.of(action::p1up), place::i);
  EXPECT_EQ(savedkeys(), game->keys);
}

// W belongs to player 2: refused with a red message and nothing changed, while the screen still
// waits, so I may follow. Escape while waiting keeps the key and does not leave the screen.
TEST_F(keysscreentest, ARefusedKeyChangesNothing) {
  auto game = makegame();
  const int f = test::frames();
  test::tap(f + 2, key::enter);
  test::tap(f + 4, key::w);
  test::frame refusal;
  keybindings during;
  test::atframe(f + 7, [&] {
    refusal = test::presented();
    during = game->keys;
  });
  test::tap(f + 8, key::enter);  // reserved for the menus: refused as well
  test::tap(f + 10, keyI);
  test::tap(f + 12, key::down);
  test::tap(f + 14, key::enter);
  test::tap(f + 16, key::escape);  // PLAYER 1 DOWN keeps its key
  test::tap(f + 20, key::escape);  // and now the screen is left
  game->keysscreen();
  EXPECT_EQ(test::frames(), f + 20);
  EXPECT_EQ(during, keybindings{}) << "a refusal changed a key";
  EXPECT_GT(reddish(refusal, 660, 720), 200) << "no refusal message";
  test::savepng(refusal, artefact("keys_refused.png"));
  keybindings want;
  want.places[size_t(action::p1up)] = place::i;
  EXPECT_EQ(game->keys, want);
  EXPECT_EQ(savedkeys(), want);
}

TEST_F(keysscreentest, ResetBringsBackTheDefaults) {
  auto game = makegame();
  bindkey(game->keys, action::p1up, place::i);
  bindkey(game->keys, action::pause, place::q);
  const int f = test::frames();
  test::tap(f + 2, key::up);  // from the first row round to BACK
  test::tap(f + 4, key::up);  // RESET TO DEFAULTS
  test::tap(f + 6, key::enter);
  test::tap(f + 8, key::escape);
  game->keysscreen();
  EXPECT_EQ(game->keys, keybindings{});
  media::infile in;
  ASSERT_TRUE(in.open("controls.cfg"));
  EXPECT_EQ(readkeys(in), keybindings{});
}

// From CONTROLS to CHANGE KEYS by pad, a key changed there by keyboard, and back to CONTROLS,
// which names the new key; then TEST KEYS.
TEST_F(keysscreentest, ControlsLeadsToChangeKeysAndTestKeys) {
  auto game = makegame();
  const int pad = test::plugpad(0x1111, 1);
  auto padtap = [pad](int frame, int button) {
    test::atframe(frame, [=] { test::padbutton(pad, button, true); });
    test::atframe(frame + 1, [=] { test::padbutton(pad, button, false); });
  };
  const int f = test::frames();
  padtap(f + 3, media::pad::a);  // CHANGE KEYS
  padtap(f + 6, media::pad::a);  // PLAYER 1 UP
  test::tap(f + 9, keyI);
  padtap(f + 12, media::pad::b);  // back to CONTROLS
  test::atframe(f + 20,
                [] { test::savepng(test::presented(), artefact("controls_after_change.png")); });
  padtap(f + 22, media::pad::right);  // TEST KEYS
  padtap(f + 25, media::pad::a);
  test::press(f + 28, keyI);
  test::press(f + 28, key::w);
  test::press(f + 28, key::p);
  padtap(f + 28, media::pad::start);
  test::frame lit;
  test::atframe(f + 32, [&] {
    lit = test::presented();
    test::savepng(lit, artefact("testkeys_held.png"));
  });
  test::tap(f + 34, key::escape);  // TEST KEYS
  padtap(f + 37, media::pad::b);   // CONTROLS
  game->controlsscreen();
  EXPECT_EQ(game->keys.of(action::p1up), place::i);
  ASSERT_EQ(lit.width, 1024);
  // A box's inside away from its name: white while held, dark grey otherwise.
  auto boxlit = [&](float x, float y) { return lit.r(int(x) + 6, int(y) + 6) > 200; };
  EXPECT_TRUE(boxlit(256 - 65, 200)) << "player 1 UP (I) held";
  EXPECT_FALSE(boxlit(256 - 65, 272)) << "player 1 DOWN not held";
  EXPECT_TRUE(boxlit(768 - 65, 200)) << "player 2 UP (W) held";
  EXPECT_FALSE(boxlit(768 - 205, 272)) << "player 2 LEFT not held";
  EXPECT_TRUE(boxlit(512 - 65, 450)) << "PAUSE (P) held";
}

}  // namespace
}  // namespace flopfist
