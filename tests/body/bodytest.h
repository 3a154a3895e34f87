// Helpers shared by the body tests: building fighters, arenas and physics frames by hand.
#pragma once

#include <algorithm>
#include <cmath>

#include "body/man.h"
#include "body/util.h"
#include "media/random.h"

namespace flopfist::testing {

// Walls of an arena of factor l, as a match sets them.
inline arena arenaof(float l) { return {-512 * l, 512 * l, -384 * l, 384 * l}; }

// What a body is stepped in outside a match: its walls, the rules that reach it, the time step.
struct stage {
  arena walls = arenaof(1.5f);
  int gravity = 1;
  int flexibility = 5;
  float dt = 1;
};

// A fighter built the way a match builds one: identity first, then setup.
inline man makefighter(media::generator& rng, int number, int n, float scale = 2.0f, int robot = 0,
                       int team = 1, std::array<int, 4> colour = {0, 175, 175, 175}) {
  man f;
  f.number = number;
  f.scale = scale;
  f.robot = robot;
  f.team = team;
  f.colour = colour;
  f.setup(n, rng);
  return f;
}

// One frame of a fighter's physics step in the match's order, without drawing.
inline void physicsframe(const stage& s, man& f, bool fallapart = false) {
  f.saveposition();
  f.applygravity(s.gravity);
  f.move(s.dt);
  f.relax(s.dt, s.flexibility, fallapart);
  f.updatevelocity(s.dt);
  f.keepinarena(s.walls);
}

inline float linkerror(const man& f, const link& k) {
  const ball& a = f.balls[k.a];
  const ball& b = f.balls[k.b];
  return std::fabs(std::hypot(a.x - b.x, a.y - b.y) - (a.radius + b.radius));
}

inline float worstlinkerror(const man& f) {
  float worst = 0;
  for (const link& k : bodylinks) worst = std::max(worst, linkerror(f, k));
  return worst;
}

inline float meanlinkerror(const man& f) {
  float sum = 0;
  for (const link& k : bodylinks) sum += linkerror(f, k);
  return sum / 25;
}

// Mean velocity of the 26 balls.
inline std::array<float, 2> meanvelocity(const man& f) {
  float vx = 0, vy = 0;
  for (int i = 1; i <= 26; ++i) {
    vx += f.balls[i].vx;
    vy += f.balls[i].vy;
  }
  return {vx / 26, vy / 26};
}

}  // namespace flopfist::testing
