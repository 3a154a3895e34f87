// Physics step tests: link and joint corrections, forming a body, drift, falling apart, the dead,
// slow motion, determinism and long-run stability.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "media/media.h"
#include "media/testing.h"
#include "tests/body/bodytest.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

class physicstest : public gametest {
 protected:
  stage world;  // GRAVITY 1, FLEXIBILITY 5, full-speed frames, an arena of factor 1.5
};

ball makeball(float x, float y, float mass = 4) {
  ball b;
  b.x = x;
  b.y = y;
  b.radius = 8;
  b.mass = mass;
  return b;
}

TEST_F(physicstest, LinkCorrectionHalvesALoneLinksError) {
  ball a = makeball(0, 0), b = makeball(20, 0);
  const linkmove mv = man::linkcorrection(a, b);
  a.x += mv.adx;
  a.y += mv.ady;
  b.x += mv.bdx;
  b.y += mv.bdy;
  EXPECT_FLOAT_EQ(b.x - a.x, 18);
  EXPECT_FLOAT_EQ(a.y, 0);

  // A squeezed link pushes apart; the heavier ball moves less, and the pair's balance holds.
  ball light = makeball(0, 0, 4), heavy = makeball(0, 10, 12);
  const linkmove push = man::linkcorrection(light, heavy);
  EXPECT_FLOAT_EQ(push.ady, -2.25f);  // 0.5 * 6 / (1 + 4/12)
  EXPECT_FLOAT_EQ(push.bdy, 0.75f);   // 0.5 * 6 / (1 + 12/4)
  EXPECT_FLOAT_EQ(light.mass * push.ady + heavy.mass * push.bdy, 0);

  const linkmove none = man::linkcorrection(makeball(5, 5), makeball(5, 5));
  EXPECT_EQ(none.adx, 0);
  EXPECT_EQ(none.ady, 0);
  EXPECT_EQ(none.bdx, 0);
  EXPECT_EQ(none.bdy, 0);
}

float jointangle(const ball& p, const ball& m, const ball& q) {
  const float a1 = atan2deg(m.y - p.y, -(m.x - p.x));
  const float a2 = atan2deg(q.y - m.y, -(q.x - m.x));
  return wrap360(a1 - a2 + 180);
}

TEST_F(physicstest, JointCorrectionTurnsTowardTheRestAngle) {
  const ball p = makeball(0, 0), m = makeball(16, 0), straight = makeball(32, 0);
  const jointmove none = man::jointcorrection(p, m, straight, 180, 1, 1, 3);
  for (float v : {none.pdx, none.pdy, none.mdx, none.mdy, none.qdx, none.qdy}) EXPECT_EQ(v, 0);

  // Bent 90 degrees one way and the other: s = +-90 * 0.7 / 400; p moves by (s*dy1, -s*dx1).
  const ball below = makeball(16, 16), above = makeball(16, -16);
  const jointmove one = man::jointcorrection(p, m, below, 180, 1, 1, 3);
  const jointmove other = man::jointcorrection(p, m, above, 180, 1, 1, 3);
  EXPECT_FLOAT_EQ(one.pdy, -0.1575f * 16);
  EXPECT_FLOAT_EQ(other.pdy, 0.1575f * 16);
  EXPECT_FLOAT_EQ(one.pdx, 0);
  EXPECT_FLOAT_EQ(one.qdx, 0.1575f * 16);
  for (const jointmove& mv : {one, other}) {
    EXPECT_NEAR(mv.pdx + mv.mdx + mv.qdx, 0, 1e-5);
    EXPECT_NEAR(mv.pdy + mv.mdy + mv.qdy, 0, 1e-5);
  }

  // Repeated corrections bring the bend to its rest angle; a free joint never moves.
  ball pp = p, mm = m, qq = below;
  for (int pass = 0; pass < 200; ++pass) {
    const jointmove mv = man::jointcorrection(pp, mm, qq, 160, 1, 1, 5);
    pp.x += mv.pdx, pp.y += mv.pdy, mm.x += mv.mdx, mm.y += mv.mdy, qq.x += mv.qdx, qq.y += mv.qdy;
  }
  EXPECT_NEAR(jointangle(pp, mm, qq), 160, 0.5);
  const jointmove free = man::jointcorrection(p, m, below, 180, 0, 1, 5);
  EXPECT_EQ(free.pdy, 0);
  EXPECT_EQ(free.qdx, 0);
  // The angle taken from the two directions a1 = atan2(dy1, -dx1), a2 = atan2(dy2, -dx2), on
  // random bends and on coincident balls (where atan2(0, -0) counts as 180 degrees).
  const int seed = 3;
  SCOPED_TRACE(::testing::Message() << "seed " << seed);
  media::generator rng(seed);
  for (int trial = 0; trial < 2000; ++trial) {
    ball rp = makeball(0, 0), rm = makeball(float(rng.rnd(-30, 30)), float(rng.rnd(-30, 30)));
    ball rq = makeball(float(rng.rnd(-30, 30)), float(rng.rnd(-30, 30)));
    if (trial % 100 == 0) rm = rp;
    if (trial % 100 == 1) rq = rm;
    const float dx1 = rm.x - rp.x, dy1 = rm.y - rp.y;
    const float t = wrap180(
        wrap360(atan2deg(dy1, -dx1) - atan2deg(rq.y - rm.y, -(rq.x - rm.x)) + 180) - 90);
    const jointmove mv = man::jointcorrection(rp, rm, rq, 90, 1, 1, 5);
    const float s = t * 0.7f / 400;
    ASSERT_NEAR(mv.mdx, -s * (dy1 + rq.y - rm.y), 1e-3) << "trial " << trial;
    ASSERT_NEAR(mv.mdy, s * (dx1 + rq.x - rm.x), 1e-3) << "trial " << trial;
  }

  // Softer joints and slow motion scale the correction: knee 0.1 at F 5 weighs 0.08.
  const jointmove knee = man::jointcorrection(p, m, below, 180, 0.1f, 0.5f, 5);
  EXPECT_FLOAT_EQ(knee.pdy, -90 * 0.08f * 0.5f / 400 * 16);
}

TEST_F(physicstest, ScatteredBallsFormABody) {
  // Open space, so walls do not stretch the links while the bodies settle.
  world.walls = arenaof(100);
  std::vector<float> meanat5;
  for (int seed = 1; seed <= 40; ++seed) {
    media::generator rng(seed * 7919);
    man f = makefighter(rng, 1, 2);
    const float scattered = meanlinkerror(f);
    for (int frame = 1; frame <= 5; ++frame) physicsframe(world, f);
    meanat5.push_back(meanlinkerror(f));
    // From links hundreds of pixels off to a few pixels at most in five frames...
    EXPECT_GT(scattered, 100) << "seed " << seed;
    EXPECT_LT(meanat5.back(), 4) << "seed " << seed;
    EXPECT_LT(worstlinkerror(f), 10) << "seed " << seed;
    // ...and every link within a pixel once the tangles of the scatter have worked loose.
    for (int frame = 6; frame <= 40; ++frame) physicsframe(world, f);
    EXPECT_LT(worstlinkerror(f), 1.0f) << "seed " << seed;
  }
  std::sort(meanat5.begin(), meanat5.end());
  EXPECT_LT(meanat5[meanat5.size() / 2], 1.5f);  // a typical link is about a pixel off by frame 5
}

TEST_F(physicstest, WithoutGravityABodyDriftsAndSlowsOnlyAtWalls) {
  world.gravity = 0;
  world.walls = arenaof(100);
  media::generator rng;
  man f = makefighter(rng, 1, 2);
  // setup starts every ball at (1, 1); pulling together conserves the mean motion.
  for (int frame = 1; frame <= 100; ++frame) {
    physicsframe(world, f);
    EXPECT_NEAR(meanvelocity(f)[0], 1, 1e-3) << "frame " << frame;
    EXPECT_NEAR(meanvelocity(f)[1], 1, 1e-3) << "frame " << frame;
  }

  const arena walls = arenaof(1);
  rng.reseed(99);
  man g = makefighter(rng, 1, 1);
  int contacts = 0;
  for (int frame = 1; frame <= 1500; ++frame) {
    g.saveposition();
    g.move(1);
    g.relax(1, 5, false);
    g.updatevelocity(1);
    const auto before = meanvelocity(g);
    bool touched = false;
    for (int i = 1; i <= 26; ++i) touched |= g.balls[i].keepinarena(walls) != wall::none;
    const auto after = meanvelocity(g);
    if (touched) {
      ++contacts;
    } else {
      EXPECT_NEAR(after[0], before[0], 1e-4);
      EXPECT_NEAR(after[1], before[1], 1e-4);
    }
  }
  EXPECT_GT(contacts, 0);
  EXPECT_LT(std::hypot(meanvelocity(g)[0], meanvelocity(g)[1]), std::sqrt(2.0f));
}

TEST_F(physicstest, HoldingOneAndEightLetsBodiesFallApartUntilReleased) {
  // The keys reach the body the way a match frame takes them: one input snapshot a frame.
  auto game = makegame();
  media::generator rng;
  man f = makefighter(rng, 1, 2);
  auto frames = [&](int count) {
    for (int i = 0; i < count; ++i) {
      physicsframe(world, f, game->takeinput().fallapart);
      media::flip(0);  // delivers the scripted keys
    }
  };
  frames(60);
  ASSERT_LT(worstlinkerror(f), 1.0f);

  const int now = media::test::frames();
  media::test::press(now + 1, media::key::digit1);
  media::test::press(now + 1, media::key::digit8);
  media::test::release(now + 121, media::key::digit1);
  media::test::release(now + 121, media::key::digit8);
  frames(1);
  ASSERT_TRUE(media::keydown(media::key::digit1) && media::keydown(media::key::digit8));
  frames(120);
  EXPECT_GT(worstlinkerror(f), 16.0f);  // a collapsed heap, not a body
  ASSERT_FALSE(media::keydown(media::key::digit1));
  frames(60);
  EXPECT_LT(worstlinkerror(f), 1.0f);

  // One key alone changes nothing.
  media::test::press(media::test::frames() + 1, media::key::digit8);
  frames(61);
  EXPECT_LT(worstlinkerror(f), 1.0f);
}

TEST_F(physicstest, TheDeadBounceAsFreeBalls) {
  world.gravity = 10;
  media::generator rng;
  man f = makefighter(rng, 1, 2);
  for (int frame = 0; frame < 60; ++frame) physicsframe(world, f);
  f.dead = 1;
  int bounces = 0;
  for (int frame = 0; frame < 400; ++frame) {
    f.saveposition();
    f.applygravity(world.gravity);
    f.move(1);
    std::array<float, 27> x{}, y{};
    for (int i = 1; i <= 26; ++i) x[i] = f.balls[i].x, y[i] = f.balls[i].y;
    f.relax(1, 5, false);
    for (int i = 1; i <= 26; ++i) {
      ASSERT_EQ(f.balls[i].x, x[i]);  // nothing holds a dead body together
      ASSERT_EQ(f.balls[i].y, y[i]);
    }
    f.updatevelocity(1);
    for (int i = 1; i <= 26; ++i) {
      ball& b = f.balls[i];
      const float vy = b.vy;
      const bool floor = b.y > world.walls.floor - b.drawradius;
      b.keepinarena(world.walls);
      if (floor && vy > 0) {
        ++bounces;
        EXPECT_FLOAT_EQ(b.vy, -0.5f * vy);
        EXPECT_FLOAT_EQ(b.y, world.walls.floor - b.drawradius);
      }
    }
  }
  EXPECT_GT(bounces, 26);
}

TEST_F(physicstest, SlowMotionMovesAFreeBodyAFifthAsFar) {
  world.gravity = 0;
  world.dt = 0.2f;
  world.walls = arenaof(100);
  media::generator rng;
  man f = makefighter(rng, 1, 2);
  f.dead = 1;  // no corrections touch its balls
  for (int i = 1; i <= 26; ++i) f.balls[i].vx = float(i), f.balls[i].vy = -2;
  for (int frame = 0; frame < 5; ++frame) {
    physicsframe(world, f);
    for (int i = 1; i <= 26; ++i) {
      EXPECT_NEAR(f.balls[i].x - f.balls[i].oldx, 0.2f * float(i), 1e-3);
      EXPECT_NEAR(f.balls[i].vx, float(i), 1e-2);
      EXPECT_NEAR(f.balls[i].vy, -2, 1e-2);
    }
  }
}

using trio = std::array<man, 4>;  // fighters 1..3

uint64_t statehash(const trio& fighters) {
  uint64_t h = 1469598103934665603ull;
  auto mix = [&](float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    h = (h ^ bits) * 1099511628211ull;
  };
  for (int n = 1; n <= 3; ++n) {
    for (int i = 1; i <= 26; ++i) {
      const ball& b = fighters[size_t(n)].balls[i];
      mix(b.x), mix(b.y), mix(b.vx), mix(b.vy);
    }
  }
  return h;
}

// Three fighters, two of them computer opponents chasing the first, for a number of frames.
uint64_t runmatchphysics(const stage& world, const options& rules, int seed, int frames) {
  media::generator rng(seed);
  trio fighters;
  for (int n = 1; n <= 3; ++n)
    fighters[size_t(n)] =
        makefighter(rng, n, 3, n == 3 ? 3.0f : 2.0f, n == 2 ? 1 : 0, n == 1 ? 1 : 2);
  bleeding bleeds;
  for (int frame = 0; frame < frames; ++frame) {
    for (int n = 1; n <= 3; ++n) fighters[size_t(n)].saveposition();
    const ball& target = fighters[1].balls[bodyball::pelvis];
    for (int n = 2; n <= 3; ++n)
      fighters[size_t(n)].steer(rng, rules.ailevel, rules.playersspeed, target.x, target.y,
                                target.vx, target.vy);
    for (int n = 1; n <= 3; ++n) {
      man& f = fighters[size_t(n)];
      f.applygravity(world.gravity);
      f.move(world.dt);
      f.relax(world.dt, world.flexibility, false);
      f.updatevelocity(world.dt);
      f.keepinarena(world.walls);
      f.tickflash(rules.blood, bleeds);
    }
  }
  return statehash(fighters);
}

TEST_F(physicstest, TheSameSeedGivesTheSameBodies) {
  options rules;
  rules.ailevel = 8;
  rules.playersspeed = 4;
  const uint64_t first = runmatchphysics(world, rules, 2024, 600);
  const uint64_t again = runmatchphysics(world, rules, 2024, 600);
  const uint64_t other = runmatchphysics(world, rules, 2025, 600);
  EXPECT_EQ(first, again);
  EXPECT_NE(first, other);
}

// 100,000 frames of one fighter chasing a point that jumps between the side walls, so it never
// comes to rest: every value stays finite and inside the arena, and the body stays a body.
void longrun(stage world, int flex) {
  world.gravity = 10;
  world.flexibility = flex;
  SCOPED_TRACE(::testing::Message() << "seed " << flex);
  media::generator rng(flex);
  man a = makefighter(rng, 1, 1);
  for (int frame = 1; frame <= 100000; ++frame) {
    const float tx = (frame / 1500) % 2 ? world.walls.left : world.walls.right;
    a.saveposition();
    a.steer(rng, 10, 10, tx, 0, 0, 0);
    physicsframe(world, a);
    if (frame % 500 != 0) continue;
    for (int i = 1; i <= 26; ++i) {
      const ball& p = a.balls[i];
      ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.vx) &&
                  std::isfinite(p.vy))
          << "frame " << frame << " ball " << i;
      ASSERT_GE(p.x, world.walls.left);
      ASSERT_LE(p.x, world.walls.right);
      ASSERT_GE(p.y, world.walls.ceiling);
      ASSERT_LE(p.y, world.walls.floor);
    }
  }
  EXPECT_LT(meanlinkerror(a), 2.0f);
}

TEST_F(physicstest, LongRunStaysFiniteAtFlexibility1) { longrun(world, 1); }
TEST_F(physicstest, LongRunStaysFiniteAtFlexibility20) { longrun(world, 20); }

}  // namespace
}  // namespace flopfist::testing
