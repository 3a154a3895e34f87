// The fighter's physics step: per-ball motion and the link and joint relaxation.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "body/man.h"
#include "body/util.h"

namespace flopfist {

void man::saveposition() {
  for (int i = 1; i <= 26; ++i) balls[i].saveposition();
}

void man::applygravity(int g) {
  for (int i = 1; i <= 26; ++i) balls[i].applygravity(g);
}

void man::move(float dt) {
  for (int i = 1; i <= 26; ++i) balls[i].move(dt);
}

void man::updatevelocity(float dt) {
  for (int i = 1; i <= 26; ++i) balls[i].updatevelocity(dt);
}

void man::keepinarena(const arena& walls) {
  // The highest-numbered ball touching a wall turns the computer's push away from it.
  for (int i = 1; i <= 26; ++i) {
    const wall touched = balls[i].keepinarena(walls);
    if (touched != wall::none) direction = awayfrom(touched);
  }
}

void man::tickflash(int blood, bleeding& out) {
  out.count = 0;
  for (int i = 1; i <= 26; ++i) {
    ball& b = balls[i];
    if (b.flash > 0) --b.flash;
    // A fresh hit keeps bleeding, less each frame, for the first ten frames of the flash.
    if (b.flash <= 50) continue;
    const float intensity = float(b.flash - 50) / 50.0f;
    const int drops = int(std::floor(float(blood) * 10.0f * intensity));
    out.list[size_t(out.count++)] = {b.x, b.y, b.vx / 35.0f, b.vy / 35.0f, drops, int(b.radius)};
  }
}

namespace {
// The joint angle a1 - a2 + 180, with a1 = atan2(dy1, -dx1) and a2 = atan2(dy2, -dx2). The
// difference of the two directions is one atan2 of the vectors' cross and dot products, which
// halves the cost of the solver's most frequent call.
float jointangle(float dx1, float dy1, float dx2, float dy2) {
  if ((dx1 == 0 && dy1 == 0) || (dx2 == 0 && dy2 == 0)) {
    // Coincident balls: atan2(0, -0) is 180 degrees, which cross and dot cannot tell.
    return wrap360(atan2deg(dy1, -dx1) - atan2deg(dy2, -dx2) + 180.0f);
  }
  const double cross = double(dx1) * dy2 - double(dx2) * dy1;
  const double dot = double(dx1) * dx2 + double(dy1) * dy2;
  return wrap360(float(std::atan2(cross, dot) * (180.0 / std::numbers::pi)) + 180.0f);
}
}  // namespace

linkmove man::linkcorrection(const ball& a, const ball& b) {
  const float dx = a.x - b.x;
  const float dy = a.y - b.y;
  const float d = std::sqrt(dx * dx + dy * dy);
  if (d == 0) return {0, 0, 0, 0};
  const float e = d - (a.radius + b.radius);  // positive when stretched
  // The heavier ball moves less.
  const float ashare = -0.5f * e / (1 + a.mass / b.mass);
  const float bshare = 0.5f * e / (1 + b.mass / a.mass);
  return {ashare * dx / d, ashare * dy / d, bshare * dx / d, bshare * dy / d};
}

jointmove man::jointcorrection(const ball& p, const ball& m, const ball& q, float restangle,
                               float stiffness, float dt, int flex) {
  const float dx1 = m.x - p.x, dy1 = m.y - p.y;
  const float dx2 = q.x - m.x, dy2 = q.y - m.y;
  const float theta = jointangle(dx1, dy1, dx2, dy2);  // 180 when straight
  const float error = wrap180(theta - restangle);   // the short way round
  // FLEXIBILITY is 1..20; a lower value would divide by zero and wake the free pelvis joint.
  const float w = std::min(0.7f, 4.0f * stiffness / float(std::max(flex, 1)));
  const float s = error * w * dt / 400.0f;
  // The three moves sum to zero: the outer balls turn about the middle one.
  return {s * dy1, -s * dx1, -s * (dy1 + dy2), s * (dx1 + dx2), s * dy2, -s * dx2};
}

void man::relaxlinks() {
  accx_.fill(0);
  accy_.fill(0);
  for (const link& k : bodylinks) {
    const linkmove mv = linkcorrection(balls[k.a], balls[k.b]);
    accx_[k.a] += mv.adx;
    accy_[k.a] += mv.ady;
    accx_[k.b] += mv.bdx;
    accy_[k.b] += mv.bdy;
  }
  for (int i = 1; i <= 26; ++i) {
    balls[i].x += accx_[i];
    balls[i].y += accy_[i];
  }
}

void man::relaxjoints(float dt, int flex) {
  accx_.fill(0);
  accy_.fill(0);
  for (int j = 0; j < 25; ++j) {
    const joint& jt = bodyjoints[size_t(j)];
    const jointmove mv = jointcorrection(balls[jt.p], balls[jt.m], balls[jt.q], bodyrestangles[size_t(j)],
                                         stiffness[size_t(j)], dt, flex);
    accx_[jt.p] += mv.pdx;
    accy_[jt.p] += mv.pdy;
    accx_[jt.m] += mv.mdx;
    accy_[jt.m] += mv.mdy;
    accx_[jt.q] += mv.qdx;
    accy_[jt.q] += mv.qdy;
  }
  for (int i = 1; i <= 26; ++i) {
    balls[i].x += accx_[i];
    balls[i].y += accy_[i];
  }
}

void man::relax(float dt, int flex, bool fallapart) {
  // The dead are no longer held together.
  if (fallapart || dead) return;
  for (int pass = 0; pass < 32; ++pass) {
    relaxjoints(dt, flex);
    relaxlinks();
  }
}

void stepbodies(std::span<man> fighters, int gravity, float dt, int flex, bool fallapart,
                const arena& walls) {
  for (man& f : fighters) {
    f.applygravity(gravity);
    f.move(dt);
    f.relax(dt, flex, fallapart);
    f.updatevelocity(dt);
    f.keepinarena(walls);
  }
}

}  // namespace flopfist
