// The keyboard and the clock: scripted keys through SDL's event queue, layouts, typed characters,
// the close request, the virtual clock and the pacing rule.
#include <SDL.h>

#include <chrono>

#include "media/media.h"
#include "media/pacing.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace {

using inputtest = flopfist::testing::gametest;
namespace key = media::key;

void present(int n = 1) {
  for (int i = 0; i < n; ++i) media::flip(-1);
}

TEST_F(inputtest, ScriptedKeysArriveWithTheirFrame) {
  media::opengraphics(1024, 768, 0, 60);
  media::test::tap(2, key::left);
  media::test::press(3, key::w);
  media::test::release(5, key::w);
  media::test::press(0, key::escape);  // by the next present
  present();
  EXPECT_EQ(media::keyhit(key::escape), 1);
  EXPECT_EQ(media::keyhit(key::escape), 0);  // read once
  EXPECT_FALSE(media::keydown(key::left));
  present();
  EXPECT_EQ(media::test::frames(), 2);
  EXPECT_TRUE(media::keydown(key::left));
  present();
  EXPECT_FALSE(media::keydown(key::left));
  EXPECT_EQ(media::keyhit(key::left), 1);  // kept until asked for
  EXPECT_TRUE(media::keydown(key::w));
  present();
  EXPECT_TRUE(media::keydown(key::w));
  present();
  EXPECT_FALSE(media::keydown(key::w));
  EXPECT_EQ(media::keyhit(key::w), 1);
  // Out-of-range key numbers are simply not held.
  EXPECT_FALSE(media::keydown(-1));
  EXPECT_EQ(media::keyhit(300), 0);
}

TEST_F(inputtest, HitsCountPressesNotRepeats) {
  for (int f = 1; f <= 3; ++f) media::test::tap(2 * f - 1, key::up);
  present(6);
  EXPECT_EQ(media::keyhit(key::up), 3);

  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.keysym.sym = SDLK_DOWN;
  SDL_PushEvent(&e);
  e.key.repeat = 1;  // the key held long enough to repeat
  SDL_PushEvent(&e);
  SDL_PushEvent(&e);
  present();
  EXPECT_EQ(media::keyhit(key::down), 1);
  EXPECT_TRUE(media::keydown(key::down));
}

TEST_F(inputtest, PlayerTwoLettersGoByPositionOtherKeysByMeaning) {
  // An AZERTY keyboard: the key in the W position prints Z, the one in the A position prints Q.
  auto keydown = [](SDL_Scancode sc, SDL_Keycode sym) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.scancode = sc;
    e.key.keysym.sym = sym;
    SDL_PushEvent(&e);
  };
  keydown(SDL_SCANCODE_W, SDLK_z);
  keydown(SDL_SCANCODE_Q, SDLK_a);  // prints A but is not the A position
  keydown(SDL_SCANCODE_SEMICOLON, SDLK_m);
  keydown(SDL_SCANCODE_UNKNOWN, SDLK_RETURN);
  keydown(SDL_SCANCODE_UNKNOWN, SDLK_KP_ENTER);
  keydown(SDL_SCANCODE_UNKNOWN, SDLK_4);
  present();
  EXPECT_TRUE(media::keydown(key::w));
  EXPECT_FALSE(media::keydown('Z'));
  EXPECT_FALSE(media::keydown(key::a));
  EXPECT_FALSE(media::keydown('Q'));
  EXPECT_TRUE(media::keydown('M'));
  EXPECT_EQ(media::keyhit(key::enter), 2);
  EXPECT_TRUE(media::keydown(key::digit4));
}

TEST_F(inputtest, TypedCharacters) {
  media::test::type(1, 'a');
  media::test::type(1, 'B');
  media::test::type(2, key::backspace);
  media::test::type(2, 0xE9);  // e acute, typed as UTF-8 text
  media::test::type(3, key::enter);
  present(3);
  EXPECT_EQ(media::nextchar(), 'a');
  EXPECT_EQ(media::nextchar(), 'B');
  EXPECT_EQ(media::nextchar(), key::backspace);
  EXPECT_EQ(media::nextchar(), 0xE9);
  EXPECT_EQ(media::nextchar(), key::enter);
  EXPECT_EQ(media::nextchar(), 0);
  EXPECT_EQ(media::keyhit(key::backspace), 1);  // they are keys as well
  EXPECT_EQ(media::keyhit(key::enter), 1);

  // A flood of typing fills the queue and the rest is dropped, not overwritten.
  for (int i = 0; i < 100; ++i) media::test::type(4, 'x');
  media::test::type(4, 'y');
  present();
  int count = 0;
  while (int c = media::nextchar()) {
    EXPECT_EQ(c, 'x');
    ++count;
  }
  EXPECT_GT(count, 10);
  EXPECT_LT(count, 100);
}

TEST_F(inputtest, FlushClearsEverything) {
  media::test::press(1, key::space);
  media::test::type(1, 'q');
  present();
  media::flushkeys();
  EXPECT_EQ(media::keyhit(key::space), 0);
  EXPECT_FALSE(media::keydown(key::space));
  EXPECT_EQ(media::nextchar(), 0);
}

TEST_F(inputtest, CloseRequestIsReadOnce) {
  media::opengraphics(1024, 768, 0, 60);
  media::test::closewindow(2);
  present();
  EXPECT_FALSE(media::terminaterequest());
  present();
  EXPECT_TRUE(media::terminaterequest());
  EXPECT_FALSE(media::terminaterequest());
}

TEST_F(inputtest, EndProgramIsObservable) {
  try {
    media::endprogram(3);
    ADD_FAILURE() << "endprogram returned";
  } catch (const media::programexit& e) {
    EXPECT_EQ(e.code, 3);
  }
}

TEST_F(inputtest, VirtualClock) {
  media::opengraphics(1024, 768, 0, 60);
  EXPECT_EQ(media::millisecs(), 0);
  const auto wallstart = std::chrono::steady_clock::now();
  present();
  EXPECT_NEAR(media::test::clock(), 1000.0 / 60, 1e-9);
  EXPECT_EQ(media::millisecs(), 16);  // truncated
  present(2);
  EXPECT_NEAR(media::test::clock(), 50, 1e-9);
  media::delay(2000);
  EXPECT_EQ(media::millisecs(), 2050);
  present(120);  // two more seconds of frames
  EXPECT_EQ(media::millisecs(), 4050);
  EXPECT_EQ(media::test::frames(), 123);
  // None of it was waited for.
  EXPECT_LT(std::chrono::steady_clock::now() - wallstart, std::chrono::milliseconds(1500));
}

TEST(pacing, WaitsOutEachFrameAndResynchronisesAfterAStall) {
  media::pacer p;
  const double frame = 1000.0 / 60;
  double now = 1000;
  // Pacing starts at the first present, which waits one whole frame.
  EXPECT_NEAR(p.wait(now, 60), frame, 1e-9);
  now += frame;
  // A frame whose drawing took 4 ms waits the rest of its 16.67 ms.
  EXPECT_NEAR(p.wait(now + 4, 60), frame - 4, 1e-9);
  now += frame;
  EXPECT_NEAR(p.wait(now + 1, 60), frame - 1, 1e-9);
  now += frame;
  // Targets run on from the start rather than from each present.
  EXPECT_NEAR(p.target(), 1000 + 3 * frame, 1e-9);
  // A late frame presents at once and the target restarts from it, without a burst to catch up.
  EXPECT_EQ(p.wait(now + frame + 3, 60), 0);
  now += frame + 3;
  EXPECT_NEAR(p.target(), now, 1e-9);
  EXPECT_NEAR(p.wait(now, 60), frame, 1e-9);
  now += frame;
  // A stall of over a second: no wait, and pacing goes on from the moment after the stall.
  now += 1500;
  EXPECT_EQ(p.wait(now, 60), 0);
  EXPECT_NEAR(p.wait(now + 2, 60), frame - 2, 1e-9);
  now += frame;
  // A clock that jumped back leaves a remaining time of over a second: re-synchronise, no wait.
  now -= 5000;
  EXPECT_EQ(p.wait(now, 60), 0);
  EXPECT_NEAR(p.wait(now, 60), frame, 1e-9);
  // At 30 Hz the frame is twice as long.
  media::pacer slow;
  EXPECT_NEAR(slow.wait(0, 30), 1000.0 / 30, 1e-9);
}

}  // namespace
