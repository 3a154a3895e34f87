// The physics step in lanes against the reference step of bench/reference.h (the step before
// issue 13): whole bodies, a joint folded flat back on itself, coincident balls, and the fighters
// it must leave unrelaxed.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <span>

#include "bench/reference.h"
#include "body/man.h"

namespace flopfist {
namespace {

const arena walls{-1024, 1024, -768, 768};

// Six scale-2 fighters (the fourth a robot) formed into bodies by 40 reference frames.
std::array<man, 7> formedfighters() {
  media::generator rng(99);
  std::array<man, 7> f{};
  for (int n = 1; n <= 6; ++n) {
    f[size_t(n)].number = n;
    f[size_t(n)].robot = n == 4;
    f[size_t(n)].setup(6, rng);
  }
  for (int frame = 0; frame < 40; ++frame) {
    for (int n = 1; n <= 6; ++n) {
      f[size_t(n)].saveposition();
      reference::stepbody(f[size_t(n)], 1, 1.0f, 5, false, walls);
    }
  }
  return f;
}

float largestgap(const man& a, const man& b) {
  float most = 0;
  for (size_t k = 1; k <= 26; ++k) {
    most = std::max({most, std::abs(a.balls[k].x - b.balls[k].x), std::abs(a.balls[k].y - b.balls[k].y)});
  }
  return most;
}

bool samebits(const man& a, const man& b) {
  for (size_t k = 1; k <= 26; ++k) {
    const ball &p = a.balls[k], &q = b.balls[k];
    for (auto [u, v] : {std::pair{p.x, q.x}, {p.y, q.y}, {p.vx, q.vx}, {p.vy, q.vy}}) {
      if (std::memcmp(&u, &v, sizeof u) != 0) return false;
    }
  }
  return a.direction == b.direction;
}

// The lanes are independent: a fighter stepped with five others, alone, through man::relax or by
// any build of the lanes this machine runs ends bit for bit where 32 scalar passes of relaxjoints
// and relaxlinks take it; and 30 frames of the game's step stay within 0.1 px of the reference's
// at every flexibility and time step.
TEST(steptest, LanesMatchTheScalarPassesAndStayNearTheReference) {
  const std::array<man, 7> start = formedfighters();
  for (int flex : {1, 5, 20}) {
    for (float dt : {1.0f, 1.0f / (1.0f + 5.0f / 2.5f)}) {
      SCOPED_TRACE(::testing::Message() << "flexibility " << flex << ", dt " << dt);
      std::array<man, 7> group = start, ref = start;
      float most = 0;
      for (int frame = 0; frame < 30; ++frame) {
        std::array<man, 7> alone = group;
        for (int n = 1; n <= 6; ++n) group[size_t(n)].saveposition();
        const std::array<man, 7> before = group;
        stepbodies(std::span<man>(group).subspan(1, 6), 1, dt, flex, false, walls);
        for (const media::isa set : media::everyisa) {
          if (!media::has(set)) continue;
          std::array<man, 7> built = before;
          stepbodies(std::span<man>(built).subspan(1, 6), 1, dt, flex, false, walls, set);
          for (int n = 1; n <= 6; ++n) {
            ASSERT_TRUE(samebits(built[size_t(n)], group[size_t(n)]))
                << "the " << media::nameof(set) << " build and the machine's best move fighter "
                << n << " apart";
          }
        }
        for (int n = 1; n <= 6; ++n) {
          man& f = alone[size_t(n)];
          man scalar = f;
          f.saveposition();
          stepbodies(std::span<man>(&f, 1), 1, dt, flex, false, walls);
          ASSERT_TRUE(samebits(f, group[size_t(n)])) << "fighter " << n << " depends on its lane mates";
          scalar.saveposition();
          for (int k = 1; k <= 26; ++k) scalar.balls[size_t(k)].applygravity(1), scalar.balls[size_t(k)].move(dt);
          man relaxed = scalar;
          relaxed.relax(dt, flex, false);
          for (int pass = 0; pass < 32; ++pass) {
            scalar.relaxjoints(dt, flex);
            scalar.relaxlinks();
          }
          for (size_t k = 1; k <= 26; ++k) {
            ASSERT_EQ(relaxed.balls[k].x, scalar.balls[k].x) << "fighter " << n << " ball " << k;
            ASSERT_EQ(relaxed.balls[k].y, scalar.balls[k].y) << "fighter " << n << " ball " << k;
          }
          ref[size_t(n)].saveposition();
          reference::stepbody(ref[size_t(n)], 1, dt, flex, false, walls);
          most = std::max(most, largestgap(group[size_t(n)], ref[size_t(n)]));
        }
      }
      EXPECT_LT(most, 0.1f);
      EXPECT_GT(most, 0.0f) << "the single-precision angle should round differently somewhere";
    }
  }
}

// The dead, and everybody while "1" and "8" are held, only fall and bounce: nothing of the step
// that does not relax has changed, so they move bit for bit as before.
TEST(steptest, TheDeadAndTheFallingApartAreLeftUnrelaxed) {
  std::array<man, 7> ours = formedfighters();
  ours[2].dead = ours[5].dead = 1;
  std::array<man, 7> ref = ours;
  for (bool fallapart : {true, false}) {
    for (int frame = 0; frame < 10; ++frame) {
      for (int n = 1; n <= 6; ++n) ours[size_t(n)].saveposition(), ref[size_t(n)].saveposition();
      stepbodies(std::span<man>(ours).subspan(1, 6), 1, 1.0f, 5, fallapart, walls);
      for (int n = 1; n <= 6; ++n) reference::stepbody(ref[size_t(n)], 1, 1.0f, 5, fallapart, walls);
    }
    for (int n : {2, 5}) EXPECT_TRUE(samebits(ours[size_t(n)], ref[size_t(n)])) << "dead fighter " << n;
    if (fallapart) {
      for (int n = 1; n <= 6; ++n) EXPECT_TRUE(samebits(ours[size_t(n)], ref[size_t(n)])) << "fighter " << n;
    }
  }
}

ball at(float x, float y) {
  ball b;
  b.x = x, b.y = y, b.radius = 8, b.mass = 4;
  return b;
}

// Each joint move against the reference's, to the precision of the single-precision angle: the
// angles may differ by a few roundings of a float near 360 degrees, 2e-4 degrees at most.
void expectlikereference(const ball& p, const ball& m, const ball& q, float rest, float stiffness) {
  const float gain = std::min(0.7f, 4.0f * stiffness / 5) / 400;
  const float reach = std::max({std::abs(m.x - p.x), std::abs(m.y - p.y), std::abs(q.x - m.x), std::abs(q.y - m.y)});
  const float slack = 2e-4f * gain * 2 * reach;
  const jointmove a = man::jointcorrection(p, m, q, rest, stiffness, 1.0f, 5);
  const jointmove b = reference::jointcorrection(p, m, q, rest, stiffness, 1.0f, 5);
  const float ours[6] = {a.pdx, a.pdy, a.mdx, a.mdy, a.qdx, a.qdy};
  const float theirs[6] = {b.pdx, b.pdy, b.mdx, b.mdy, b.qdx, b.qdy};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(ours[i], theirs[i], slack + 1e-6f * std::abs(theirs[i])) << "move " << i;
}

// The angle of a bend all the way round, with the cross product +0 or -0, is 0 as it was (not
// 360, which would turn the joint the other way); a zero link points the way atan2(0, -0) does;
// and every direction round the circle turns a joint as far as the double atan2 did.
TEST(steptest, FoldsCoincidentBallsAndEveryDirectionTurnLikeTheReference) {
  for (float rest : {180.0f, 200.0f, 160.0f, 90.0f, -90.0f, 0.0f}) {
    SCOPED_TRACE(rest);
    // Folded: q back on p, along each axis and a diagonal, both ways.
    for (auto [dx, dy] : {std::pair{10.0f, 0.0f}, {-10.0f, 0.0f}, {0.0f, 10.0f}, {0.0f, -10.0f}, {7.0f, -7.0f}}) {
      expectlikereference(at(0, 0), at(dx, dy), at(0, 0), rest, 1);
      expectlikereference(at(5, 5), at(5 + dx, 5 + dy), at(5, 5), rest, 1);
    }
    // Straight, coincident p and m, coincident m and q, all three together.
    expectlikereference(at(0, 0), at(10, 0), at(20, 0), rest, 1);
    expectlikereference(at(3, 4), at(3, 4), at(10, -2), rest, 1);
    expectlikereference(at(3, 4), at(-6, 1), at(-6, 1), rest, 1);
    expectlikereference(at(3, 4), at(3, 4), at(3, 4), rest, 1);
  }
  // The joint a straight rest angle holds still is exactly still.
  const jointmove still = man::jointcorrection(at(0, 0), at(10, 0), at(20, 0), 180, 1, 1, 5);
  EXPECT_EQ(still.pdx, 0);
  EXPECT_EQ(still.qdy, 0);
  // Every tenth of a degree round the circle, at link lengths from a pixel to a long limb.
  for (int tenth = 0; tenth < 3600; ++tenth) {
    const double a = double(tenth) / 10 * 3.14159265358979 / 180;
    for (float len : {1.0f, 16.0f, 300.0f}) {
      SCOPED_TRACE(::testing::Message() << tenth / 10.0 << " degrees, length " << len);
      const ball p = at(-16, 3), m = at(0, 0);
      const ball q = at(float(len * std::cos(a)), float(len * std::sin(a)));
      expectlikereference(p, m, q, 180, 1);
      if (HasFailure()) return;
    }
  }
}

}  // namespace
}  // namespace flopfist
