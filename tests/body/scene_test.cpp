// A scene to look at: six fighters of different sizes, one robot, one dead, falling into an
// arena under the match camera; saves frames as pictures under tests/artefacts/.
#include <gtest/gtest.h>

#include <cstdio>

#include "effects/background.h"
#include "match/match.h"
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
  const assets art = openassets();
  options rules;
  rules.gravity = 3;
  rules.blood = 10;
  // The match supplies the camera, the particle ring, the generator and the physics step; the
  // fighters are our own, of six sizes, in an arena of factor 3.
  auto owned = makematch(gamemode::single, 1, 4660, rules);
  match& m = *owned;
  m.fightercount = 6;
  m.walls = arenaof(3.0f);
  const float scales[7] = {0, 2.0f, 2.0f, 2.5f, 3.0f, 3.5f, 4.5f};
  const std::array<int, 4> colours[7] = {{}, {0, 175, 175, 175}, {0, 200, 80, 60},
                                         {0, 60, 160, 220}, {0, 0, 0, 0}, {0, 220, 200, 80},
                                         {0, 120, 200, 100}};
  for (int n = 1; n <= 6; ++n)
    m.fighters[n] = makefighter(m.rng, n, 6, scales[n], n == 4 ? 1 : 0, n == 1 ? 1 : 2, colours[n]);

  const int keep[] = {1, 30, 120, 600};
  for (int frame = 1; frame <= 600; ++frame) {
    m.framecount = frame - 1;
    media::cls();
    m.bursts.beginframe();
    for (int n = 1; n <= 6; ++n) m.fighters[n].saveposition();
    m.updatecamera();
    drawbackground(m.walls, m.camera, m.colours);
    const ball& target = m.fighters[1].balls[bodyball::pelvis];
    for (int n = 2; n <= 6; ++n) {
      man& f = m.fighters[n];
      if (!f.dead) f.steer(m.rng, 3, 2, target.x, target.y, target.vx, target.vy);
    }
    if (frame == 90) m.fighters[6].dead = 1;  // the big one drops as loose balls
    if (frame == 100) {
      const ball& head = m.fighters[2].balls[bodyball::head];
      m.fighters[2].balls[bodyball::head].flash = 60;  // a struck head flashes and bleeds
      m.startburst(head.x, head.y, 0, 0, 100, 0, 3, 0, 8);
      const ball& fist = m.fighters[4].balls[bodyball::fista];
      m.startburst(fist.x, fist.y, 0, 0, 100, 0, 3, 1, 8);
    }
    if (frame % 20 == 0) {
      const ball& a = m.fighters[3].balls[bodyball::fista];
      m.startburst(a.x, a.y, 0, 0, 20, 1, 2, 0, 0);
    }
    m.stepfighters(false);
    for (int n = 1; n <= 6; ++n) m.fighters[n].draw(float(m.framecount) / 120, m.camera, art.images);
    m.bursts.update(m.rng);
    m.bursts.draw(m.camera, art.images);
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
  for (int n = 1; n <= 5; ++n) EXPECT_LT(meanlinkerror(m.fighters[n]), 1.0f) << "fighter " << n;
  const man& dead = m.fighters[6];
  EXPECT_GT(worstlinkerror(dead), 10.0f);
  for (int i = 1; i <= 26; ++i)
    EXPECT_GT(dead.balls[i].y, m.walls.floor - 200) << "ball " << i;

  // Close-ups at a high and a low zoom, to see that balls stay round and limbs meet them.
  for (float zoom : {3.0f, 0.35f}) {
    const ball& centre = m.fighters[4].balls[bodyball::pelvis];
    const view close{centre.x, centre.y, zoom};
    media::cls();
    drawbackground(m.walls, close, m.colours);
    for (int n = 1; n <= 6; ++n) m.fighters[n].draw(1, close, art.images);
    media::flip(0);
    EXPECT_TRUE(media::test::savepng(media::test::presented(),
                                     artefact(zoom > 1 ? "bodies-closeup.png" : "bodies-far.png")));
  }
}

}  // namespace
}  // namespace flopfist::testing
