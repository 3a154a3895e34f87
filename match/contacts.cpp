// Contacts between fighters: hard and soft contacts, blows, damage and the combo counter.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#elif defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif

#include "match/match.h"

namespace flopfist {

namespace {

constexpr int fightstartframe = 100;  // blows count from the frame after "FIGHT!"
constexpr int contactdelay = 2;
constexpr int sparkdelay = 10;
constexpr int blowdelay = 10;
constexpr int captiontime = 60;
constexpr int flashtime = 60;
constexpr float slowmoframes = 30;
constexpr float extraseparation = 0.1f;
constexpr float dropvelocitydivisor = 35;

// Forearms, lower legs, feet and the head deal blows; every other ball is body.
constexpr bool damagingtable[27] = {
    false,
    true,  true,  true,  false, false,         // 1-5 leg A: ankle, shin, knee, thigh, hip
    false,                                     // 6 pelvis
    false, false, true,  true,  true,          // 7-11 leg B: hip, thigh, knee, shin, ankle
    false, false, false, false,                // 12-15 back, shoulders, neck
    true,                                      // 16 head
    false, true,  true,  true,                 // 17-20 arm A: shoulder, elbow, wrist, fist
    false, true,  true,  true,                 // 21-24 arm B
    true,  true};                              // 25, 26 foot tips

bool damaging(const ball& b) { return b.index >= 1 && b.index <= 26 && damagingtable[b.index]; }
bool ishead(const ball& b) { return b.index == bodyball::head; }

bool overlapping(const ball& a, const ball& b) {
  const float dx = a.x - b.x, dy = a.y - b.y;
  const float r = a.drawradius + b.drawradius;
  return dx * dx + dy * dy < r * r;
}

void countdown(int& wait) {
  if (wait >= 0) wait -= 1;
}

// The broad phase: a circle around every ball of a fighter, draw radius included. A ball farther
// from the circle than its own draw radius cannot overlap any ball inside it. The slack of a pixel
// is far more than the rounding of either test, so nothing that the full test finds overlapping
// is ever skipped, and a skipped pair is one whose contact would have done nothing.
constexpr float boundslack = 1.0f;

struct bound {
  float x = 0, y = 0, r = 0;
  // Takes in a ball; a ball whose position is not a number never overlaps anything.
  void grow(const ball& b) {
    const float dx = b.x - x, dy = b.y - y;
    r = std::max(r, std::sqrt(dx * dx + dy * dy) + b.drawradius + boundslack);
  }
  // grow for a ball a contact moved, most often a little way inside: one well inside, by far more
  // than rounding, needs no square root.
  void keep(const ball& b) {
    const float dx = b.x - x, dy = b.y - y;
    const float inside = r - b.drawradius - boundslack;
    if (inside > 0 && dx * dx + dy * dy < inside * inside * 0.99f) return;
    grow(b);
  }
  // Apart from a circle of radius rb at (bx, by); false for anything that is not a number.
  bool apart(float bx, float by, float rb) const {
    const float dx = bx - x, dy = by - y;
    const float reach = r + rb;
    return dx * dx + dy * dy > reach * reach;
  }
};

// A fighter's balls by columns in 28 slots, so they are tested four at a time; slot 0 and slot
// 27, which are not balls, hold no number and are near nothing.
struct ballrow {
  static constexpr float margin = 12.0f;      // how far beyond touching a ball counts as near
  static constexpr float drift = margin / 2;  // how far a ball may move before that is redone
  alignas(16) std::array<float, 28> x, y, r;

  void take(const man& f) {
    x[0] = y[0] = x[27] = y[27] = std::numeric_limits<float>::quiet_NaN();
    r[0] = r[27] = 0;
    for (size_t l = 1; l <= 26; l++) {
      x[l] = f.balls[l].x;
      y[l] = f.balls[l].y;
      r[l] = f.balls[l].drawradius;
    }
  }
  // overlapping(a, b), operation for operation.
  bool overlapping(const ball& a, size_t l) const {
    const float dx = a.x - x[l], dy = a.y - y[l];
    const float rr = a.drawradius + r[l];
    return dx * dx + dy * dy < rr * rr;
  }
  // Bit l set for every ball l from slot `from` on (in fours) within the margin of touching a. The
  // margin is far more than the rounding of either test, so a ball left out is one a cannot touch
  // until it drifts.
  uint32_t near(const ball& a, size_t from = 0) const {
    const float reach = a.drawradius + margin;
    uint32_t bits = 0;
#if defined(__SSE2__)
    const __m128 ax = _mm_set1_ps(a.x), ay = _mm_set1_ps(a.y), ar = _mm_set1_ps(reach);
    for (size_t l = from & ~size_t(3); l < 28; l += 4) {
      const __m128 dx = _mm_sub_ps(ax, _mm_load_ps(&x[l])), dy = _mm_sub_ps(ay, _mm_load_ps(&y[l]));
      const __m128 rr = _mm_add_ps(ar, _mm_load_ps(&r[l]));
      const __m128 d2 = _mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy));
      bits |= uint32_t(_mm_movemask_ps(_mm_cmplt_ps(d2, _mm_mul_ps(rr, rr)))) << l;
    }
#elif defined(__wasm_simd128__)
    const v128_t ax = wasm_f32x4_splat(a.x), ay = wasm_f32x4_splat(a.y), ar = wasm_f32x4_splat(reach);
    for (size_t l = from & ~size_t(3); l < 28; l += 4) {
      const v128_t dx = wasm_f32x4_sub(ax, wasm_v128_load(&x[l]));
      const v128_t dy = wasm_f32x4_sub(ay, wasm_v128_load(&y[l]));
      const v128_t rr = wasm_f32x4_add(ar, wasm_v128_load(&r[l]));
      const v128_t d2 = wasm_f32x4_add(wasm_f32x4_mul(dx, dx), wasm_f32x4_mul(dy, dy));
      bits |= uint32_t(wasm_i32x4_bitmask(wasm_f32x4_lt(d2, wasm_f32x4_mul(rr, rr)))) << l;
    }
#else
    for (size_t l = from; l < 28; l++) {
      const float dx = a.x - x[l], dy = a.y - y[l], rr = reach + r[l];
      bits |= uint32_t(dx * dx + dy * dy < rr * rr) << l;
    }
#endif
    return bits & ~((uint32_t(1) << from) - 1);
  }
};

// The soft contact, a plain elastic push, for two balls that overlap.
[[gnu::always_inline]] inline void softpush(ball& a, ball& b) {
  float dx = b.x - a.x;
  float ey = a.y - b.y;  // measured upward
  if (dx == 0) dx = 1e-8f;
  if (ey == 0) ey = 1e-8f;
  float d = std::sqrt(dx * dx + ey * ey);
  if (d == 0) d = 1e-5f;
  const float s = (a.drawradius + b.drawradius - d + extraseparation) / 2;
  a.x -= s * dx / d;
  a.y += s * ey / d;
  b.x += s * dx / d;
  b.y -= s * ey / d;

  const float t = ey / dx;
  const float dvx = b.vx - a.vx, dvy = b.vy - a.vy;
  const float j = -(dvy + dvx / t) / (t + 1 / t);
  const float wa = 2 * b.mass / (a.mass + b.mass);
  const float wb = 2 - wa;
  a.vx -= wa * j;
  a.vy -= wa * t * j;
  b.vx += wb * j;
  b.vy += wb * t * j;
}

// Centred on the middle of the balls' box.
bound boundof(const man& f) {
  float left = f.balls[1].x, right = left, top = f.balls[1].y, bottom = top;
  for (size_t i = 2; i <= 26; i++) {
    left = std::min(left, f.balls[i].x);
    right = std::max(right, f.balls[i].x);
    top = std::min(top, f.balls[i].y);
    bottom = std::max(bottom, f.balls[i].y);
  }
  bound c{(left + right) / 2, (top + bottom) / 2, 0};
  for (size_t i = 1; i <= 26; i++) c.grow(f.balls[i]);
  return c;
}

// Each ball of fi against fighter j's balls in order. The balls near it are found all at once with
// a margin; a contact that carries the ball more than half the margin from where they were found
// finds them again for the balls still to come.
void contactpair(match& m, man& fi, man& fj, bound& ci, bound& cj, matchevents& ev) {
  ballrow row;  // fighter j's balls, kept up to date as contacts move them
  row.take(fj);
  // The pair's contacts are soft, contact's Part B alone, from its first hard one on.
  const bool enemies = fi.team != fj.team && !fi.dead && !fj.dead;
  auto soft = [&] { return !enemies || m.contactwait[fi.number][fj.number] > 0; };
  for (size_t k = 1; k <= 26; k++) {
    ball& a = fi.balls[k];
    if (cj.apart(a.x, a.y, a.drawradius)) continue;
    uint32_t near = row.near(a);
    float fromx = a.x, fromy = a.y;
    while (near != 0) {
      const size_t l = size_t(std::countr_zero(near));
      near &= near - 1;
      if (!row.overlapping(a, l)) continue;
      ball& b = fj.balls[l];
      if (soft()) {
        softpush(a, b);
      } else {
        m.contact(a, b, fi, fj, ev);
      }
      row.x[l] = b.x;
      row.y[l] = b.y;
      ci.keep(a);
      cj.keep(b);
      const float mx = a.x - fromx, my = a.y - fromy;
      if (!(mx * mx + my * my <= ballrow::drift * ballrow::drift)) {
        near = row.near(a, l + 1);
        fromx = a.x, fromy = a.y;
      }
    }
  }
}
}  // namespace

// Every ball of every pair of fighters in the same order as before, each contact seeing what the
// ones before it did; the bounds only leave out the pairs that cannot overlap. A contact moves its
// two balls, so their fighters' bounds grow to take them in before any later test.
void match::contactpass(matchevents& ev) {
  for (int i = 1; i <= fightercount; i++) {
    for (int j = 1; j <= fightercount; j++) {
      countdown(contactwait[i][j]);
      countdown(sparkwait[i][j]);
      countdown(blowwait[i][j]);
    }
  }
  std::array<bound, 7> bounds;
  for (int i = 1; i <= fightercount; i++) bounds[size_t(i)] = boundof(fighters[size_t(i)]);
  for (int i = 1; i <= fightercount; i++) {
    for (int j = i + 1; j <= fightercount; j++) {
      bound& ci = bounds[size_t(i)];
      bound& cj = bounds[size_t(j)];
      if (ci.apart(cj.x, cj.y, cj.r)) continue;
      contactpair(*this, fighters[size_t(i)], fighters[size_t(j)], ci, cj, ev);
    }
  }
}

void match::contact(ball& a, ball& b, man& fa, man& fb, matchevents& ev) {
  const int na = fa.number, nb = fb.number;
  const bool enemies = fa.team != fb.team && !fa.dead && !fb.dead;

  // Part A: the hard contact between two live enemies.
  if (enemies && contactwait[na][nb] <= 0 && overlapping(a, b)) {
    contactwait[na][nb] = contactdelay;
    const bool admg = damaging(a), bdmg = damaging(b);
    const bool sparkready = sparkwait[na][nb] <= 0;

    if (rules.plasma == 1 && sparkready) {
      sparkwait[na][nb] = sparkdelay;
      bursts.startbatched((a.x + b.x) / 2, (a.y + b.y) / 2, 0, 0, 20, 1, 2.0f, rng, 0, 0);
    }

    int hits = 0;
    ball* victim = nullptr;
    man* victimfighter = nullptr;
    auto strike = [&](ball& struck, man& owner, int attacker, int target, blowkind kind) {
      blowwait[attacker][target] = blowdelay;
      message.set(kind == blowkind::head ? "HEAD BLOW!" : "BODY BLOW!", captiontime);
      ev.captionset = true;
      // The hit pause marks the first blow of a slow-motion period.
      if (rules.slowmotion > 0 && slowmotimer <= 0) ev.hitpauses += 1;
      struck.flash = flashtime;
      victim = &struck;
      victimfighter = &owner;
      if (ev.blowcount < matchevents::most) ev.blows[size_t(ev.blowcount++)] = {attacker, target, kind};
    };
    // hits counts 10 for a blow on a and 1 for a blow on b: 11 is a double blow.
    if (framecount > fightstartframe && decided == outcome::undecided) {
      if (bdmg && !admg && blowwait[nb][na] <= 0) {
        strike(a, fa, nb, na, blowkind::body);
        hits += 10;
      }
      if (ishead(a) && bdmg && blowwait[nb][na] <= 0) {
        strike(a, fa, nb, na, blowkind::head);
        hits += 10;
      }
      if (admg && !bdmg && blowwait[na][nb] <= 0) {
        strike(b, fb, na, nb, blowkind::body);
        hits += 1;
      }
      if (ishead(b) && admg && blowwait[na][nb] <= 0) {
        strike(b, fb, na, nb, blowkind::head);
        hits += 1;
      }
    }

    if (rules.slowmotion > 0) slowmotimer = slowmoframes;

    if (ev.soundcount < matchevents::most && (hits > 0 || sparkready)) {
      ev.sounds[size_t(ev.soundcount++)] = hits > 0 ? sound::blow : sound::block;
    }
    if (hits > 0) scoreblows(na, nb, hits, ev);

    // Push the balls apart and knock them back along the line of centres.
    const float dx = b.x - a.x, dy = b.y - a.y;
    float d = std::sqrt(dx * dx + dy * dy);
    if (d == 0) d = 1e-5f;  // coincident centres: no direction to push along
    const float s = (a.drawradius + b.drawradius - d + extraseparation) / 2;
    const float ux = dx / d, uy = dy / d;
    a.x -= s * ux;
    a.y -= s * uy;
    b.x += s * ux;
    b.y += s * uy;
    const float knock = 250.0f * float(rules.blowpower) / 5.0f;
    const float wa = 2 * b.mass / (a.mass + b.mass);
    const float wb = 2 - wa;
    a.vx -= wa * knock * ux;
    a.vy -= wa * knock * uy;
    b.vx += wb * knock * ux;
    b.vy += wb * knock * uy;

    if (hits > 0) {
      bursts.startbatched(victim->x, victim->y, victim->vx / dropvelocitydivisor,
                          victim->vy / dropvelocitydivisor, 10 * rules.blood, 0, 3.0f, rng,
                          victimfighter->robot, int(victim->radius));
    } else {
      bursts.advance();  // every hard contact moves the ring on
    }
  }

  // Part B: the soft contact, a plain elastic push.
  if ((!enemies || contactwait[na][nb] > 0) && overlapping(a, b)) softpush(a, b);
}

namespace {

void setcombocaption(caption& message, int run) {
  char text[32];
  std::snprintf(text, sizeof text, "%d HIT COMBO!", run);
  message.set(text, captiontime);
}

}  // namespace

void match::scoreblows(int na, int nb, int hits, matchevents& ev) {
  man& fa = fighters[size_t(na)];
  man& fb = fighters[size_t(nb)];
  // Against the computer only the players' run counts.
  if (mode != gamemode::versus) combo = std::max(0, combo);

  if (hits == 11) {
    combo = 0;
    message.set("DOUBLE BLOW!", captiontime);
    ev.captionset = true;
    fa.energy -= 1 * fb.blowfactor;
    fb.energy -= 1 * fa.blowfactor;
  }
  if (hits == 10) {
    if (combo <= 0) {
      combo -= 1;
    } else {
      combo = -1;
    }
    if (combo <= -2) {
      setcombocaption(message, -combo);
      ev.captionset = true;
    }
    fa.energy += float(combo) * fb.blowfactor;
  }
  if (hits == 1) {
    if (combo >= 0) {
      combo += 1;
    } else {
      combo = 1;
    }
    if (combo >= 2) {
      setcombocaption(message, combo);
      ev.captionset = true;
    }
    fb.energy -= float(combo) * fa.blowfactor;
    // Wraps like the 32-bit product it is, rather than overflowing.
    const uint32_t square = uint32_t(combo) * uint32_t(combo) * 1000u;
    comboscore += int32_t(square);
    maxcombo = std::max(maxcombo, combo);
  }

  for (int i = 1; i <= fightercount; i++) {
    man& f = fighters[size_t(i)];
    if (!(f.energy >= 0)) f.energy = 0;
  }
}

}  // namespace flopfist
