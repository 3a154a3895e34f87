// One point mass: motion step and wall contacts.
#include "body/ball.h"

namespace flopfist {

void ball::updatevelocity(float dt) {
  vx = (x - oldx) / dt;
  vy = (y - oldy) / dt;
}

void ball::saveposition() {
  oldx = x;
  oldy = y;
}

void ball::move(float dt) {
  x += dt * vx;
  y += dt * vy;
}

void ball::applygravity(int g) { vy += 0.04f * float(g); }

wall ball::keepinarena(const arena& walls) {
  const float r = drawradius;
  wall touched = wall::none;
  if (x > walls.right - r) {
    x = walls.right - r;
    vx = -0.5f * vx;
    vy = 0.5f * vy;
    touched = wall::right;
  }
  if (x < walls.left + r) {
    x = walls.left + r;
    vx = -0.5f * vx;
    vy = 0.5f * vy;
    touched = wall::left;
  }
  if (y > walls.floor - r) {
    y = walls.floor - r;
    vy = -0.5f * vy;
    vx = 0.5f * vx;
    touched = wall::floor;
  }
  if (y < walls.ceiling + r) {
    y = walls.ceiling + r;
    vy = -0.5f * vy;
    vx = 0.5f * vx;
    touched = wall::ceiling;
  }
  return touched;
}

}  // namespace flopfist
