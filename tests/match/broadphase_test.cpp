// The contact pass's broad phase against the full pass of bench/reference.h: the same contacts,
// bit for bit, for fighters just touching, just apart, and crowded so that contacts push balls on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "bench/reference.h"
#include "match/match.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

// Level 8 in co-op: six fighters formed into bodies, the fight on, every pair ready to contact.
std::unique_ptr<match> sixfighters(int seed) {
  auto m = flopfist::testing::makematch(gamemode::coop, 8, seed);
  for (int f = 0; f < 40; ++f) m->step(frameinput{});
  m->framecount = 200;
  for (auto* waits : {&m->contactwait, &m->sparkwait, &m->blowwait}) {
    for (auto& row : *waits) {
      for (int& w : row) w = -1;
    }
  }
  return m;
}

void shift(man& f, float dx, float dy) {
  for (int k = 1; k <= 26; ++k) f.balls[size_t(k)].x += dx, f.balls[size_t(k)].y += dy;
}

bool samebits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Runs both passes on copies of m and compares everything a contact can change.
void expectsamecontacts(const match& m) {
  match ours = m, ref = m;
  const matchevents a = [&] {
    matchevents ev;
    ours.contactpass(ev);
    return ev;
  }();
  matchevents b;
  reference::contactpass(ref, b);
  for (int n = 1; n <= m.fightercount; ++n) {
    const man &p = ours.fighters[size_t(n)], &q = ref.fighters[size_t(n)];
    ASSERT_TRUE(samebits(p.energy, q.energy)) << "fighter " << n;
    for (size_t k = 1; k <= 26; ++k) {
      const ball &u = p.balls[k], &v = q.balls[k];
      ASSERT_TRUE(samebits(u.x, v.x) && samebits(u.y, v.y) && samebits(u.vx, v.vx) && samebits(u.vy, v.vy) &&
                  u.flash == v.flash)
          << "fighter " << n << " ball " << k;
    }
  }
  EXPECT_EQ(ours.rng, ref.rng);
  EXPECT_EQ(ours.bursts.cursor(), ref.bursts.cursor());
  EXPECT_EQ(ours.comboscore, ref.comboscore);
  EXPECT_EQ(ours.combo, ref.combo);
  EXPECT_EQ(ours.message.str(), ref.message.str());
  EXPECT_EQ(std::memcmp(ours.contactwait, ref.contactwait, sizeof ref.contactwait), 0);
  EXPECT_EQ(std::memcmp(ours.blowwait, ref.blowwait, sizeof ref.blowwait), 0);
  EXPECT_EQ(a.soundcount, b.soundcount);
  EXPECT_EQ(a.blowcount, b.blowcount);
  EXPECT_EQ(a.hitpauses, b.hitpauses);
}

// Fighter 2 is moved along x until its nearest ball is `gap` pixels from touching one of fighter
// 1's (the others far away): a gap just below zero overlaps, one just above does not.
TEST(broadphasetest, FightersJustTouchingAndJustApartGiveTheFullPassesContacts) {
  for (int seed : {1, 2, 3}) {
    const auto base = sixfighters(seed);
    for (float gap : {-0.01f, -1e-4f, 0.0f, 1e-4f, 0.01f, 0.5f, 1.5f}) {
      SCOPED_TRACE(::testing::Message() << "seed " << seed << ", gap " << gap);
      match m = *base;
      for (int n = 3; n <= 6; ++n) shift(m.fighters[size_t(n)], 5000.0f * float(n), 0);
      man &f1 = m.fighters[1], &f2 = m.fighters[2];
      m.fighters[2].team = 2;  // enemies, so a touch is a hard contact
      shift(f2, f1.balls[6].x - f2.balls[6].x + 400, f1.balls[6].y - f2.balls[6].y);
      // The smallest distance to travel left until some pair's circles meet.
      float travel = 1e9f;
      for (size_t k = 1; k <= 26; ++k) {
        for (size_t l = 1; l <= 26; ++l) {
          const ball &a = f1.balls[k], &b = f2.balls[l];
          const float r = a.drawradius + b.drawradius, dy = b.y - a.y;
          if (std::abs(dy) >= r) continue;
          travel = std::min(travel, (b.x - a.x) - std::sqrt(r * r - dy * dy));
        }
      }
      ASSERT_LT(travel, 1e8f);
      shift(f2, -(travel - gap), 0);
      expectsamecontacts(m);
      match probe = m;
      matchevents ev;
      probe.contactpass(ev);
      if (gap < -1e-3f) {
        EXPECT_GT(ev.soundcount, 0) << "the fighters should touch";
      }
      if (gap > 1e-3f) {
        EXPECT_EQ(ev.soundcount, 0) << "the fighters should be apart";
      }
    }
  }
}

// Six fighters crowded at random, so contacts push balls into reach of fighters whose bounds
// were taken before: every one of the contacts still comes as the full pass makes it.
TEST(broadphasetest, CrowdsOfSixGiveTheFullPassesContacts) {
  const auto base = sixfighters(7);
  media::generator rng(11);
  int touching = 0;
  for (int layout = 0; layout < 200; ++layout) {
    SCOPED_TRACE(layout);
    match m = *base;
    const float spread = float(rng.rndint(20, 400));
    for (int n = 1; n <= 6; ++n) {
      man& f = m.fighters[size_t(n)];
      shift(f, float(rng.rnd(-spread, spread)) - f.balls[6].x, float(rng.rnd(-spread, spread)) - f.balls[6].y);
    }
    match probe = m;
    matchevents ev;
    probe.contactpass(ev);
    touching += ev.soundcount > 0;
    expectsamecontacts(m);
    if (HasFatalFailure()) return;
  }
  EXPECT_GT(touching, 50);
  EXPECT_LT(touching, 200);
}

// Piles: fighters within a few pixels of one spot, teams and deaths at random, one fighter at
// times laid exactly over another. Soft pushes carry balls far past where their near balls were
// found, and coincident centres take the pushes' special cases; the contacts still match.
TEST(broadphasetest, PilesOfFightersGiveTheFullPassesContacts) {
  const int seed = 23;
  SCOPED_TRACE(::testing::Message() << "seed " << seed);
  const auto base = sixfighters(5);
  media::generator rng(seed);
  long sounds = 0;
  for (int layout = 0; layout < 100; ++layout) {
    SCOPED_TRACE(layout);
    match m = *base;
    const float spread = float(rng.rnd(0, 15));
    for (int n = 1; n <= 6; ++n) {
      man& f = m.fighters[size_t(n)];
      shift(f, float(rng.rnd(-spread, spread)) - f.balls[6].x, float(rng.rnd(-spread, spread)) - f.balls[6].y);
      f.team = rng.rndint(1, 2);
      f.dead = rng.rndint(0, 5) == 0 ? 1 : 0;
    }
    if (layout % 3 == 0) m.fighters[4].balls = m.fighters[3].balls;
    match probe = m;
    matchevents ev;
    probe.contactpass(ev);
    sounds += ev.soundcount;
    expectsamecontacts(m);
    if (HasFatalFailure()) return;
  }
  EXPECT_GT(sounds, 100);  // hard contacts happened too, not only soft pushes
}

}  // namespace
}  // namespace flopfist
