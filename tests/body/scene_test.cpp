// A scene to look at: six fighters of different sizes, one robot, one dead, falling into an
// arena under the match camera; saves frames as pictures under tests/artefacts/.
#include <gtest/gtest.h>

#include "media/media.h"
#include "media/testing.h"
#include "tests/body/bodytest.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

class scenetest : public gametest {};

int litpixels(const media::test::frame& f) {
  int lit = 0;
  for (uint32_t p : f.pixels) lit += (p & 0xFFFFFF) != 0;
  return lit;
}

TEST_F(scenetest, SixFightersFallIntoTheArena) {
  auto owned = makegame();
  fightgame& game = *owned;
  game.gamemode = "1";
  game.fightercount = 6;
  game.gravity = 3;
  game.blood = 10;
  setarena(game, 3.0f);
  const float scales[7] = {0, 2.0f, 2.0f, 2.5f, 3.0f, 3.5f, 4.5f};
  const std::array<int, 4> colours[7] = {{}, {0, 175, 175, 175}, {0, 200, 80, 60},
                                         {0, 60, 160, 220}, {0, 0, 0, 0}, {0, 220, 200, 80},
                                         {0, 120, 200, 100}};
  for (int n = 1; n <= 6; ++n)
    addfighter(game, n, 6, scales[n], n == 4 ? 1 : 0, n == 1 ? 1 : 2, colours[n]);

  const int keep[] = {1, 30, 120, 600};
  for (int frame = 1; frame <= 600; ++frame) {
    game.framecount = frame - 1;
    media::cls();
    for (int n = 1; n <= 6; ++n) game.fighters[n]->saveposition();
    game.updatecamera();
    game.drawbackground();
    const ball& target = game.fighters[1]->balls[6];
    for (int n = 2; n <= 6; ++n) {
      man& f = *game.fighters[n];
      if (!f.dead) f.steer(3, 1, 2, target.x, target.y, target.vx, target.vy);
    }
    if (frame == 90) game.fighters[6]->dead = 1;  // the big one drops as loose balls
    if (frame == 100) {
      game.fighters[2]->balls[16].flash = 60;  // a struck head flashes and bleeds
      game.startburst(game.fighters[2]->balls[16].x, game.fighters[2]->balls[16].y, 0, 0, 100, 0,
                      3, 0, 8);
      game.startburst(game.fighters[4]->balls[20].x, game.fighters[4]->balls[20].y, 0, 0, 100, 0,
                      3, 1, 8);
    }
    if (frame % 20 == 0) {
      const ball& a = game.fighters[3]->balls[20];
      game.startburst(a.x, a.y, 0, 0, 20, 1, 2, 0, 0);
    }
    for (int n = 1; n <= 6; ++n) {
      man& f = *game.fighters[n];
      f.applygravity(game.gravity);
      f.move(game.dt);
      f.relax(game.dt, game.flexibility);
      f.updatevelocity(game.dt);
      f.keepinarena(game.dt, game.zoom);
      f.draw(float(game.framecount) / 120, game.zoom);
      f.tickflash();
    }
    game.updatebursts(game.zoom);
    media::flip(0);
    for (int k : keep) {
      if (k != frame) continue;
      char name[64];
      std::snprintf(name, sizeof name, "bodies-frame-%03d.png", frame);
      EXPECT_TRUE(media::test::savepng(media::test::presented(), artefact(name)));
    }
    if (frame == 120) {
      EXPECT_GT(litpixels(media::test::presented()), 20000);
    }
  }

  // The living have formed bodies; the dead one lies in a heap of loose balls on the floor.
  for (int n = 1; n <= 5; ++n) EXPECT_LT(meanlinkerror(*game.fighters[n]), 1.0f) << "fighter " << n;
  const man& dead = *game.fighters[6];
  EXPECT_GT(worstlinkerror(dead), 10.0f);
  for (int i = 1; i <= 26; ++i)
    EXPECT_GT(dead.balls[i].y, game.floory - 200) << "ball " << i;

  // Close-ups at a high and a low zoom, to see that balls stay round and limbs meet them.
  for (float zoom : {3.0f, 0.35f}) {
    game.zoom = zoom;
    game.camerax = game.fighters[4]->balls[6].x;
    game.cameray = game.fighters[4]->balls[6].y;
    media::cls();
    game.drawbackground();
    for (int n = 1; n <= 6; ++n) game.fighters[n]->draw(1, zoom);
    media::flip(0);
    EXPECT_TRUE(media::test::savepng(media::test::presented(),
                                     artefact(zoom > 1 ? "bodies-closeup.png" : "bodies-far.png")));
  }
}

}  // namespace
}  // namespace flopfist::testing
