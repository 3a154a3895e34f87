// Steering fighters by their head ball: player keys and the computer opponent.
#include <cmath>

#include "app/fightgame.h"
#include "body/man.h"
#include "body/util.h"
#include "media/media.h"

namespace flopfist {

namespace {
// Change of the head's velocity per direction code 1..8, in units of the push.
constexpr int stepx[9] = {0, 0, 0, -1, 1, 1, -1, 1, -1};
constexpr int stepy[9] = {0, -1, 1, 0, 0, 1, -1, -1, 1};

// Adds +push only while v is below the cap, -push only while it is above minus the cap.
void cappedpush(float& v, int sign, int push) {
  const float cap = float(2 * push);
  if (sign > 0 && v < cap) v += float(push);
  if (sign < 0 && v > -cap) v -= float(push);
}

// The direction code of a compass angle, by 45-degree sectors; 0 on a sector boundary.
int sectorcode(float a) {
  if (a > 337.5f || a < 22.5f) return 4;
  if (a > 22.5f && a < 67.5f) return 7;
  if (a > 67.5f && a < 112.5f) return 1;
  if (a > 112.5f && a < 157.5f) return 6;
  if (a > 157.5f && a < 202.5f) return 3;
  if (a > 202.5f && a < 247.5f) return 8;
  if (a > 247.5f && a < 292.5f) return 2;
  if (a > 292.5f && a < 337.5f) return 5;
  return 0;
}

// The diagonal square to the centre-to-shoulders line (kx, ky) that turns the body over.
int attackcode(int side, float kx, float ky) {
  if (side == 0 || kx == 0 || ky == 0) return 0;
  if (side < 0) {
    if (kx > 0) return ky > 0 ? 7 : 6;
    return ky > 0 ? 5 : 8;
  }
  if (kx > 0) return ky > 0 ? 8 : 5;
  return ky > 0 ? 6 : 7;
}

float squaredistance(const ball& a, const ball& b) {
  const float dx = a.x - b.x, dy = a.y - b.y;
  return dx * dx + dy * dy;
}
}  // namespace

void pushdirection(ball& head, int direction, int speed) {
  if (direction < 1 || direction > 8) return;
  cappedpush(head.vx, stepx[direction], speed);
  cappedpush(head.vy, stepy[direction], speed);
}

void man::steer(int level, float, int speed, float tx, float ty, float tvx, float tvy) {
  const ball& pelvis = balls[6];
  ball& head = balls[16];
  const ball& shoulders = balls[14];

  // Far rule: now and then head straight for a distant target.
  const int r1 = media::rndint(0, 100);
  const float fx = tx - pelvis.x, fy = ty - pelvis.y;
  if (r1 <= 10 && std::sqrt(fx * fx + fy * fy) > 400.0f) {
    const int code = sectorcode(wrap360(atan2deg(-fy, fx)));
    if (code != 0) direction = code;
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
  const int r2 = media::rndint(1, 1024);
  if (r2 <= intpower(2, level) && near) {
    const int code = attackcode(side, shoulders.x - cx, shoulders.y - cy);
    if (code != 0) direction = code;
  }

  pushdirection(head, direction, speed);
}

void fightgame::player1control() {
  if (outcome == 2 || !fighters[1]) return;
  ball& head = fighters[1]->balls[16];
  const int s = playersspeed;
  if (media::keydown(media::key::right)) cappedpush(head.vx, 1, s);
  if (media::keydown(media::key::left)) cappedpush(head.vx, -1, s);
  if (media::keydown(media::key::down)) cappedpush(head.vy, 1, s);
  if (media::keydown(media::key::up)) cappedpush(head.vy, -1, s);
}

void fightgame::player2control() {
  if (outcome == 2 && gamemode == "2coop") return;
  if (outcome == 1 && gamemode == "2vs") return;
  if (!fighters[2]) return;
  // Player 2 has no speed cap: a held key keeps adding.
  ball& head = fighters[2]->balls[16];
  const float s = float(playersspeed);
  if (media::keydown(media::key::d)) head.vx += s;
  if (media::keydown(media::key::a)) head.vx -= s;
  if (media::keydown(media::key::s)) head.vy += s;
  if (media::keydown(media::key::w)) head.vy -= s;
}

int fightgame::choosetarget(const man& f) const {
  if (!fighters[2]) return 1;  // only a co-op match has both players; be safe outside one
  if (!fighters[1]) return 2;
  const man& p1 = *fighters[1];
  const man& p2 = *fighters[2];
  if (p2.dead) return 1;
  if (squaredistance(f.balls[6], p1.balls[6]) >= squaredistance(f.balls[6], p2.balls[6]) || p1.dead)
    return 2;
  return 1;
}

}  // namespace flopfist
