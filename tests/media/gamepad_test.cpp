// Gamepads through SDL's virtual joysticks: seats as pads come and go, the notices, the dead zone,
// buttons, and directions that repeat like held keys.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "media/controls.h"
#include "media/media.h"
#include "media/testcontrols.h"
#include "tests/support/testenv.h"

namespace {

namespace pad = media::pad;
namespace test = media::test;
using padtest = flopfist::testing::gametest;

void present(int n = 1) {
  for (int i = 0; i < n; ++i) media::flip(-1);
}

struct seen {
  media::padnotice::kind what;
  int player;
  bool operator==(const seen&) const = default;
};

std::vector<seen> notices() {
  std::vector<seen> all;
  media::padnotice n;
  while (media::nextpadnotice(n)) all.push_back({n.what, n.player});
  return all;
}

using kind = media::padnotice::kind;

TEST_F(padtest, PadsTakeThePlayersInTurnAndAThirdIsIgnored) {
  media::opengraphics(1024, 768, 0, 60);
  const int first = test::plugpad(0x1111, 1);
  const int second = test::plugpad(0x2222, 1);
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  EXPECT_FALSE(media::padconnected(1)) << "nothing is heard before a present";
  present();
  EXPECT_TRUE(media::padconnected(1));
  EXPECT_TRUE(media::padconnected(2));
  EXPECT_EQ(notices(), (std::vector<seen>{{kind::joined, 1}, {kind::joined, 2}}));
  EXPECT_FALSE(media::padname(1).empty());

  const int third = test::plugpad(0x3333, 1);
  present();
  EXPECT_EQ(notices(), (std::vector<seen>{{kind::ignored, 0}}));
  test::padbutton(third, pad::a, true);
  present();
  EXPECT_EQ(media::padhit(1, pad::a) + media::padhit(2, pad::a), 0)
      << "the ignored pad steers nobody";

  test::unplugpad(third);
  present();
  EXPECT_TRUE(notices().empty()) << "an ignored pad leaves without a word";
  test::unplugpad(first);
  present();
  EXPECT_EQ(notices(), (std::vector<seen>{{kind::lost, 1}}));
  EXPECT_FALSE(media::padconnected(1));
  EXPECT_TRUE(media::padconnected(2));
}

// Whichever pad comes back first, each returns to its own player, never to the other.
TEST_F(padtest, RepluggedPadsReturnToTheirOwnPlayers) {
  media::opengraphics(1024, 768, 0, 60);
  for (bool secondbackfirst : {false, true}) {
    SCOPED_TRACE(secondbackfirst);
    test::reset();
    const int one = test::plugpad(0x1111, 7);
    present();
    const int two = test::plugpad(0x2222, 7);
    present();
    notices();
    test::padbutton(one, pad::left, true);
    present();
    ASSERT_TRUE(media::padheld(1, pad::left));
    test::unplugpad(one);
    test::unplugpad(two);
    present();
    EXPECT_EQ(notices(), (std::vector<seen>{{kind::lost, 1}, {kind::lost, 2}}));
    EXPECT_FALSE(media::padheld(1, pad::left)) << "a pad that left holds nothing";

    int again1 = 0, again2 = 0;
    if (secondbackfirst) {
      again2 = test::plugpad(0x2222, 7);
      present();
      again1 = test::plugpad(0x1111, 7);
    } else {
      again1 = test::plugpad(0x1111, 7);
      present();
      again2 = test::plugpad(0x2222, 7);
    }
    present();
    const std::vector<seen> back = notices();
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].what, kind::returned);
    EXPECT_EQ(back[1].what, kind::returned);
    test::padbutton(again1, pad::start, true);
    test::padbutton(again2, pad::b, true);
    present();
    EXPECT_EQ(media::padhit(1, pad::start), 1);
    EXPECT_EQ(media::padhit(2, pad::b), 1);
    EXPECT_EQ(media::padhit(2, pad::start), 0);
  }
}

// A quarter of the stick's travel is still at rest; past a third it is a held direction, both
// axes at once for a diagonal, exactly as the d-pad.
TEST_F(padtest, TheStickSteersOnlyBeyondTheDeadZone) {
  media::opengraphics(1024, 768, 0, 60);
  const int p = test::plugpad(0x1111, 1);
  present();
  auto held = [] {
    return std::vector<bool>{media::padheld(1, pad::up), media::padheld(1, pad::down),
                             media::padheld(1, pad::left), media::padheld(1, pad::right)};
  };
  const std::vector<bool> none{false, false, false, false};
  test::padstick(p, 8000, -9000);
  present();
  EXPECT_EQ(held(), none) << "inside the dead zone";
  test::padstick(p, 12500, 0);
  present();
  EXPECT_EQ(held(), (std::vector<bool>{false, false, false, true}));
  test::padstick(p, -20000, -20000);
  present();
  EXPECT_EQ(held(), (std::vector<bool>{true, false, true, false}));
  test::padstick(p, 0, 32767);
  present();
  EXPECT_EQ(held(), (std::vector<bool>{false, true, false, false}));
  test::padstick(p, 0, 0);
  media::padhit(1, pad::up);
  test::padbutton(p, pad::up, true);
  present();
  EXPECT_EQ(held(), (std::vector<bool>{true, false, false, false}));
  // The d-pad and the stick together are still one held direction, released when both are.
  test::padstick(p, 0, -30000);
  present();
  test::padbutton(p, pad::up, false);
  present();
  EXPECT_TRUE(media::padheld(1, pad::up));
  test::padstick(p, 0, 0);
  present();
  EXPECT_EQ(held(), none);
  EXPECT_EQ(media::padhit(1, pad::up), 1) << "one press, however it was held";
}

// A held direction hits once, waits, then repeats; buttons hit once however long they are held.
TEST_F(padtest, HeldDirectionsRepeatButButtonsDoNot) {
  media::opengraphics(1024, 768, 0, 60);
  const int p = test::plugpad(0x1111, 1);
  present();
  test::padbutton(p, pad::down, true);
  test::padstick(p, 30000, 0);
  test::padbutton(p, pad::a, true);
  present();
  EXPECT_EQ(media::padhit(1, pad::down), 1);
  EXPECT_EQ(media::padhit(1, pad::right), 1);
  const int delayframes = pad::repeatdelayms * 60 / 1000;
  present(delayframes - 2);
  EXPECT_EQ(media::padhit(1, pad::down), 0) << "no repeat before the delay";
  present(60);
  const int downs = media::padhit(1, pad::down);
  EXPECT_GE(downs, 4);
  EXPECT_EQ(media::padhit(1, pad::right), downs) << "the stick repeats as the d-pad does";
  EXPECT_EQ(media::padhit(1, pad::a), 1);
  EXPECT_TRUE(media::padheld(1, pad::a));
  media::flushpads();
  test::padbutton(p, pad::down, false);
  present(60);
  EXPECT_EQ(media::padhit(1, pad::down), 0);
  EXPECT_FALSE(media::padheld(1, pad::down));
}

// A pad plugged in while a button is down does not count that button as a fresh press.
TEST_F(padtest, WhatAPadHoldsAsItArrivesIsHeldNotHit) {
  media::opengraphics(1024, 768, 0, 60);
  const int p = test::plugpad(0x1111, 1);
  test::padbutton(p, pad::start, true);
  test::padbutton(p, pad::left, true);
  present(2);
  EXPECT_TRUE(media::padheld(1, pad::start));
  EXPECT_TRUE(media::padheld(1, pad::left));
  EXPECT_EQ(media::padhit(1, pad::start), 0);
  // Out-of-range players and buttons hold nothing.
  EXPECT_FALSE(media::padheld(0, pad::start));
  EXPECT_FALSE(media::padheld(3, pad::start));
  EXPECT_EQ(media::padhit(1, pad::count), 0);
}

// A joystick SDL knows no mapping for becomes a pad through a line of gamecontrollerdb.txt in the
// working folder, read when the layer starts.
TEST_F(padtest, MappingsComeFromTheFileInTheWorkingFolder) {
  media::opengraphics(1024, 768, 0, 60);
  int stick = test::plugpad(0x4444, 2, false);
  present();
  EXPECT_FALSE(media::padconnected(1)) << "no mapping, no pad";
  const std::string guid = test::padguid(stick);
  ASSERT_EQ(guid.size(), 32u);
  test::unplugpad(stick);
  {
    std::ofstream db("gamecontrollerdb.txt");
    db << "# comment\nnot a mapping at all\n"
       << guid << ",Home-made stick,a:b3,b:b2,start:b0,leftx:a1,lefty:a0,platform:Linux,\n";
  }
  media::shutdown();
  test::reset();
  media::opengraphics(1024, 768, 0, 60);
  stick = test::plugpad(0x4444, 2, false);
  present();
  ASSERT_TRUE(media::padconnected(1));
  EXPECT_EQ(media::padname(1), "Home-made stick");
  test::padbutton(stick, pad::back, true);  // the joystick's button 4 is no button of this mapping
  test::padbutton(stick, pad::a, true);     // and its button 0 is Start here
  present();
  EXPECT_FALSE(media::padheld(1, pad::back));
  EXPECT_TRUE(media::padheld(1, pad::start));
  std::remove("gamecontrollerdb.txt");
  media::shutdown();
  test::reset();
}

}  // namespace
