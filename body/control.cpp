// Steering fighters by their head ball: the capped push and the computer opponent.
#include <cmath>

#include "body/man.h"
#include "body/util.h"

namespace flopfist {

namespace {
// Change of the head's velocity per push, in units of the push.
constexpr int stepx[9] = {0, 0, 0, -1, 1, 1, -1, 1, -1};
constexpr int stepy[9] = {0, -1, 1, 0, 0, 1, -1, -1, 1};

// The push of a compass angle, by 45-degree sectors; none on a sector boundary.
push sector(float a) {
  if (a > 337.5f || a < 22.5f) return push::right;
  if (a > 22.5f && a < 67.5f) return push::upright;
  if (a > 67.5f && a < 112.5f) return push::up;
  if (a > 112.5f && a < 157.5f) return push::upleft;
  if (a > 157.5f && a < 202.5f) return push::left;
  if (a > 202.5f && a < 247.5f) return push::downleft;
  if (a > 247.5f && a < 292.5f) return push::down;
  if (a > 292.5f && a < 337.5f) return push::downright;
  return push::none;
}

// The diagonal square to the centre-to-shoulders line (kx, ky) that turns the body over.
push attack(int side, float kx, float ky) {
  if (side == 0 || kx == 0 || ky == 0) return push::none;
  if (side < 0) {
    if (kx > 0) return ky > 0 ? push::upright : push::upleft;
    return ky > 0 ? push::downright : push::downleft;
  }
  if (kx > 0) return ky > 0 ? push::downleft : push::downright;
  return ky > 0 ? push::upleft : push::upright;
}
}  // namespace

push awayfrom(wall w) {
  switch (w) {
    case wall::floor: return push::up;
    case wall::ceiling: return push::down;
    case wall::right: return push::left;
    case wall::left: return push::right;
    case wall::none: break;
  }
  return push::none;
}

void cappedpush(float& v, int sign, int push) {
  const float cap = float(2 * push);
  if (sign > 0 && v < cap) v += float(push);
  if (sign < 0 && v > -cap) v -= float(push);
}

void pushhead(ball& head, push direction, int speed) {
  const int d = int(direction);
  if (d < 1 || d > 8) return;
  cappedpush(head.vx, stepx[d], speed);
  cappedpush(head.vy, stepy[d], speed);
}

void man::steer(media::generator& rng, int level, int speed, float tx, float ty, float tvx, float tvy) {
  const ball& pelvis = balls[bodyball::pelvis];
  ball& head = balls[bodyball::head];
  const ball& shoulders = balls[bodyball::shoulders];

  // Far rule: now and then head straight for a distant target.
  const int r1 = rng.rndint(0, 100);
  const float fx = tx - pelvis.x, fy = ty - pelvis.y;
  if (r1 <= 10 && std::sqrt(fx * fx + fy * fy) > 400.0f) {
    const push p = sector(wrap360(atan2deg(-fy, fx)));
    if (p != push::none) direction = p;
  }

  // Side: which way the body leans off the line from the head to the target.
  const float turn = wrap180(atan2deg(-(pelvis.y - head.y), pelvis.x - head.x) -
                             atan2deg(-(ty - head.y), tx - head.x));
  const int side = turn > 20 ? 1 : (turn < -20 ? -1 : 0);

  float cx = 0, cy = 0, mvx = 0, mvy = 0;
  for (int i = 1; i <= 26; ++i) {
    cx += balls[i].x;
    cy += balls[i].y;
    mvx += balls[i].vx;
    mvy += balls[i].vy;
  }
  cx /= 26;
  cy /= 26;
  mvx /= 26;
  mvy /= 26;

  // Near: do the pelvis and the target come within 250 pixels over the next 18 frames?
  bool near = false;
  for (int k = 0; k <= 6; ++k) {
    const float ahead = float(3 * k);
    const float dx = (pelvis.x + mvx * ahead) - (tx + tvx * ahead);
    const float dy = (pelvis.y + mvy * ahead) - (ty + tvy * ahead);
    if (std::sqrt(dx * dx + dy * dy) < 250.0f) near = true;
  }

  // Attack rule: close in, turn the body over; more often the higher the skill.
  const int r2 = rng.rndint(1, 1024);
  if (r2 <= intpower(2, level) && near) {
    const push p = attack(side, shoulders.x - cx, shoulders.y - cy);
    if (p != push::none) direction = p;
  }

  pushhead(head, direction, speed);
}

}  // namespace flopfist
