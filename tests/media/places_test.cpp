// Keys by place: held and hit by where they sit whatever the layout prints on them, the queue of
// presses, and the names that go into a file and come back.
#include <gtest/gtest.h>

#include "media/controls.h"
#include "media/media.h"
#include "media/testcontrols.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace {

namespace place = media::place;
using placetest = flopfist::testing::gametest;

void present(int n = 1) {
  for (int i = 0; i < n; ++i) media::flip(-1);
}

// On a French keyboard the key where a US keyboard has Q prints A, and the A place prints Q.
TEST_F(placetest, PlacesFollowTheKeyNotItsSymbol) {
  media::opengraphics(1024, 768, 0, 60);
  media::test::pressplace(place::q, 'a');
  present();
  EXPECT_TRUE(media::placedown(place::q));
  EXPECT_FALSE(media::placedown(place::a));
  media::test::pressplace(place::a, 'q');
  present();
  EXPECT_TRUE(media::placedown(place::a));
  media::test::releaseplace(place::q, 'a');
  present();
  EXPECT_FALSE(media::placedown(place::q));
  EXPECT_TRUE(media::placedown(place::a));
  EXPECT_EQ(media::placehit(place::q), 1);
  EXPECT_EQ(media::placehit(place::q), 0);
  // The scripted keys of the virtual-key numbers arrive by place too.
  media::test::press(media::test::frames() + 1, media::key::up);
  present();
  EXPECT_TRUE(media::placedown(place::up));
  EXPECT_FALSE(media::placedown(-1));
  EXPECT_FALSE(media::placedown(place::count));
}

TEST_F(placetest, PressesQueueInOrderAndFlushesClearThem) {
  media::opengraphics(1024, 768, 0, 60);
  media::test::pressplace(place::i, 'i');
  media::test::pressplace(place::w, 'w');
  present();
  EXPECT_EQ(media::nextplace(), place::i);
  EXPECT_EQ(media::nextplace(), place::w);
  EXPECT_EQ(media::nextplace(), 0);
  media::test::pressplace(place::space, ' ');
  present();
  media::flushplaces();
  EXPECT_EQ(media::nextplace(), 0);
  EXPECT_EQ(media::placehit(place::space), 0);
  EXPECT_TRUE(media::placedown(place::space)) << "a flush of presses leaves held keys held";
  media::flushkeys();
  EXPECT_FALSE(media::placedown(place::space));
}

TEST_F(placetest, NamesLeadBackToTheirPlace) {
  EXPECT_EQ(media::placename(place::up), "Up");
  EXPECT_EQ(media::placename(place::w), "W");
  EXPECT_EQ(media::placenamed("left shift"), media::placenamed("Left Shift"));
  EXPECT_NE(media::placenamed("Left Shift"), 0);
  EXPECT_EQ(media::placenamed("no such key"), 0);
  EXPECT_EQ(media::placenamed(""), 0);
  int named = 0;
  for (int p = 0; p < place::count; ++p) {
    const std::string name = media::placename(p);
    if (name.empty()) continue;
    ++named;
    EXPECT_EQ(media::placenamed(name), p) << name;
  }
  EXPECT_GT(named, 200);
}

}  // namespace
