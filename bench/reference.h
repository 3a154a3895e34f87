// The physics step, contact pass and simulation frame as the game had them before issue 13 made
// them faster: a verbatim copy, kept as the reference the benchmarks time side by side with the
// game's own and the tests compare the game's against. Header-only, so a test can include it
// without a library of its own. It is never changed with the game: it stays what "today" meant.
// Its bursts start through dotburst::start, which keeps the C library's sine and cosine for it.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "body/man.h"
#include "body/util.h"
#include "match/match.h"

namespace flopfist::reference {

// ---- The body: one fighter's step, 32 Jacobi passes of joints then links ----

// The joint angle a1 - a2 + 180 as one double atan2 of the vectors' cross and dot products.
inline float jointangle(float dx1, float dy1, float dx2, float dy2) {
  if ((dx1 == 0 && dy1 == 0) || (dx2 == 0 && dy2 == 0)) {
    return wrap360(atan2deg(dy1, -dx1) - atan2deg(dy2, -dx2) + 180.0f);
  }
  const double cross = double(dx1) * dy2 - double(dx2) * dy1;
  const double dot = double(dx1) * dx2 + double(dy1) * dy2;
  return wrap360(float(std::atan2(cross, dot) * (180.0 / std::numbers::pi)) + 180.0f);
}

inline linkmove linkcorrection(const ball& a, const ball& b) {
  const float dx = a.x - b.x;
  const float dy = a.y - b.y;
  const float d = std::sqrt(dx * dx + dy * dy);
  if (d == 0) return {0, 0, 0, 0};
  const float e = d - (a.radius + b.radius);
  const float ashare = -0.5f * e / (1 + a.mass / b.mass);
  const float bshare = 0.5f * e / (1 + b.mass / a.mass);
  return {ashare * dx / d, ashare * dy / d, bshare * dx / d, bshare * dy / d};
}

inline jointmove jointcorrection(const ball& p, const ball& m, const ball& q, float restangle,
                                 float stiffness, float dt, int flex) {
  const float dx1 = m.x - p.x, dy1 = m.y - p.y;
  const float dx2 = q.x - m.x, dy2 = q.y - m.y;
  const float theta = jointangle(dx1, dy1, dx2, dy2);
  const float error = wrap180(theta - restangle);
  const float w = std::min(0.7f, 4.0f * stiffness / float(std::max(flex, 1)));
  const float s = error * w * dt / 400.0f;
  return {s * dy1, -s * dx1, -s * (dy1 + dy2), s * (dx1 + dx2), s * dy2, -s * dx2};
}

inline void relaxlinks(man& f) {
  std::array<float, 27> accx{}, accy{};
  for (const link& k : bodylinks) {
    const linkmove mv = linkcorrection(f.balls[k.a], f.balls[k.b]);
    accx[k.a] += mv.adx;
    accy[k.a] += mv.ady;
    accx[k.b] += mv.bdx;
    accy[k.b] += mv.bdy;
  }
  for (int i = 1; i <= 26; ++i) {
    f.balls[i].x += accx[i];
    f.balls[i].y += accy[i];
  }
}

inline void relaxjoints(man& f, float dt, int flex) {
  std::array<float, 27> accx{}, accy{};
  for (int j = 0; j < 25; ++j) {
    const joint& jt = bodyjoints[size_t(j)];
    const jointmove mv = jointcorrection(f.balls[jt.p], f.balls[jt.m], f.balls[jt.q],
                                         bodyrestangles[size_t(j)], f.stiffness[size_t(j)], dt, flex);
    accx[jt.p] += mv.pdx;
    accy[jt.p] += mv.pdy;
    accx[jt.m] += mv.mdx;
    accy[jt.m] += mv.mdy;
    accx[jt.q] += mv.qdx;
    accy[jt.q] += mv.qdy;
  }
  for (int i = 1; i <= 26; ++i) {
    f.balls[i].x += accx[i];
    f.balls[i].y += accy[i];
  }
}

inline void relax(man& f, float dt, int flex, bool fallapart) {
  if (fallapart || f.dead) return;
  for (int pass = 0; pass < 32; ++pass) {
    relaxjoints(f, dt, flex);
    relaxlinks(f);
  }
}

// Gravity, motion, relaxation, velocities and walls of one fighter.
inline void stepbody(man& f, int gravity, float dt, int flex, bool fallapart, const arena& walls) {
  for (int i = 1; i <= 26; ++i) f.balls[i].applygravity(gravity);
  for (int i = 1; i <= 26; ++i) f.balls[i].move(dt);
  relax(f, dt, flex, fallapart);
  for (int i = 1; i <= 26; ++i) f.balls[i].updatevelocity(dt);
  for (int i = 1; i <= 26; ++i) {
    const wall touched = f.balls[i].keepinarena(walls);
    if (touched != wall::none) f.direction = awayfrom(touched);
  }
}

// ---- The contact pass: every ball of every pair of fighters, in order ----

namespace detail {
constexpr int fightstartframe = 100;
constexpr int contactdelay = 2;
constexpr int sparkdelay = 10;
constexpr int blowdelay = 10;
constexpr int captiontime = 60;
constexpr int flashtime = 60;
constexpr float slowmoframes = 30;
constexpr float extraseparation = 0.1f;
constexpr float dropvelocitydivisor = 35;
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
inline bool damaging(const ball& b) { return b.index >= 1 && b.index <= 26 && damagingtable[b.index]; }
inline bool ishead(const ball& b) { return b.index == bodyball::head; }
inline bool overlapping(const ball& a, const ball& b) {
  const float dx = a.x - b.x, dy = a.y - b.y;
  const float r = a.drawradius + b.drawradius;
  return dx * dx + dy * dy < r * r;
}
inline void countdown(int& wait) {
  if (wait >= 0) wait -= 1;
}
}  // namespace detail

inline void contact(match& g, ball& a, ball& b, man& fa, man& fb, matchevents& ev) {
  using namespace detail;
  const int na = fa.number, nb = fb.number;
  const bool enemies = fa.team != fb.team && !fa.dead && !fb.dead;

  if (enemies && g.contactwait[na][nb] <= 0 && overlapping(a, b)) {
    g.contactwait[na][nb] = contactdelay;
    const bool admg = damaging(a), bdmg = damaging(b);
    const bool sparkready = g.sparkwait[na][nb] <= 0;

    if (g.rules.plasma == 1 && sparkready) {
      g.sparkwait[na][nb] = sparkdelay;
      g.startburst((a.x + b.x) / 2, (a.y + b.y) / 2, 0, 0, 20, 1, 2.0f, 0, 0);
    }

    int hits = 0;
    ball* victim = nullptr;
    man* victimfighter = nullptr;
    auto strike = [&](ball& struck, man& owner, int attacker, int target, blowkind kind) {
      g.blowwait[attacker][target] = blowdelay;
      g.message.set(kind == blowkind::head ? "HEAD BLOW!" : "BODY BLOW!", captiontime);
      ev.captionset = true;
      if (g.rules.slowmotion > 0 && g.slowmotimer <= 0) ev.hitpauses += 1;
      struck.flash = flashtime;
      victim = &struck;
      victimfighter = &owner;
      if (ev.blowcount < matchevents::most) ev.blows[size_t(ev.blowcount++)] = {attacker, target, kind};
    };
    if (g.framecount > fightstartframe && g.decided == outcome::undecided) {
      if (bdmg && !admg && g.blowwait[nb][na] <= 0) {
        strike(a, fa, nb, na, blowkind::body);
        hits += 10;
      }
      if (ishead(a) && bdmg && g.blowwait[nb][na] <= 0) {
        strike(a, fa, nb, na, blowkind::head);
        hits += 10;
      }
      if (admg && !bdmg && g.blowwait[na][nb] <= 0) {
        strike(b, fb, na, nb, blowkind::body);
        hits += 1;
      }
      if (ishead(b) && admg && g.blowwait[na][nb] <= 0) {
        strike(b, fb, na, nb, blowkind::head);
        hits += 1;
      }
    }

    if (g.rules.slowmotion > 0) g.slowmotimer = slowmoframes;

    if (ev.soundcount < matchevents::most && (hits > 0 || sparkready)) {
      ev.sounds[size_t(ev.soundcount++)] = hits > 0 ? sound::blow : sound::block;
    }
    if (hits > 0) g.scoreblows(na, nb, hits, ev);

    const float dx = b.x - a.x, dy = b.y - a.y;
    float d = std::sqrt(dx * dx + dy * dy);
    if (d == 0) d = 1e-5f;
    const float s = (a.drawradius + b.drawradius - d + extraseparation) / 2;
    const float ux = dx / d, uy = dy / d;
    a.x -= s * ux;
    a.y -= s * uy;
    b.x += s * ux;
    b.y += s * uy;
    const float knock = 250.0f * float(g.rules.blowpower) / 5.0f;
    const float wa = 2 * b.mass / (a.mass + b.mass);
    const float wb = 2 - wa;
    a.vx -= wa * knock * ux;
    a.vy -= wa * knock * uy;
    b.vx += wb * knock * ux;
    b.vy += wb * knock * uy;

    if (hits > 0) {
      g.startburst(victim->x, victim->y, victim->vx / dropvelocitydivisor,
                   victim->vy / dropvelocitydivisor, 10 * g.rules.blood, 0, 3.0f, victimfighter->robot,
                   int(victim->radius));
    } else {
      g.bursts.advance();
    }
  }

  if ((!enemies || g.contactwait[na][nb] > 0) && overlapping(a, b)) {
    float dx = b.x - a.x;
    float ey = a.y - b.y;
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
}

inline void contactpass(match& g, matchevents& ev) {
  for (int i = 1; i <= g.fightercount; i++) {
    for (int j = 1; j <= g.fightercount; j++) {
      detail::countdown(g.contactwait[i][j]);
      detail::countdown(g.sparkwait[i][j]);
      detail::countdown(g.blowwait[i][j]);
    }
  }
  for (int i = 1; i <= g.fightercount; i++) {
    for (int j = i + 1; j <= g.fightercount; j++) {
      man& fi = g.fighters[size_t(i)];
      man& fj = g.fighters[size_t(j)];
      for (int k = 1; k <= 26; k++) {
        for (int l = 1; l <= 26; l++) contact(g, fi.balls[size_t(k)], fj.balls[size_t(l)], fi, fj, ev);
      }
    }
  }
}

// ---- The simulation frame: match::step with this physics and contact pass ----

// Physics, flashes and bleeding of every fighter (the drawn copy left out: it only feeds drawing).
inline void stepfighters(match& g, bool fallapart) {
  bleeding bleeds;
  for (int i = 1; i <= g.fightercount; ++i) {
    man& f = g.fighters[size_t(i)];
    stepbody(f, g.rules.gravity, g.dt, g.rules.flexibility, fallapart, g.walls);
    f.tickflash(g.rules.blood, bleeds);
    for (int k = 0; k < bleeds.count; ++k) {
      const bleed& b = bleeds.list[size_t(k)];
      g.startburst(b.x, b.y, b.vx, b.vy, b.drops, 0, 3.0f, f.robot, b.radius);
    }
  }
}

// One frame in match::step's order, without the copies kept for drawing (which change no state).
inline matchevents step(match& g, const frameinput& in) {
  matchevents ev;
  g.bursts.beginframe();
  if (in.knockout) {
    for (int i = 2; i <= g.fightercount; ++i) g.fighters[size_t(i)].energy = 0;
  }
  g.slowmostep();
  for (int i = 1; i <= g.fightercount; ++i) g.fighters[size_t(i)].saveposition();
  g.updatecamera();
  g.setcaptions();
  if (g.message.timer >= 0) g.message.timer -= 1;
  g.controlfighters(in);
  stepfighters(g, in.fallapart);
  g.bursts.update(g.rng);
  g.colours.cycle(g.rng);
  contactpass(g, ev);
  ++g.framecount;
  g.matchflow(in, ev);
  return ev;
}

}  // namespace flopfist::reference
