// Helpers shared by the body tests: building fighters, arenas and physics frames by hand.
#pragma once

#include <algorithm>
#include <cmath>
#include <memory>

#include "app/fightgame.h"
#include "body/man.h"
#include "body/util.h"

namespace flopfist::testing {

// Walls of an arena of factor l, as a match sets them.
inline void setarena(fightgame& game, float l) {
  game.rightwall = 512 * l;
  game.leftwall = -512 * l;
  game.ceilingy = -384 * l;
  game.floory = 384 * l;
}

// A fighter built the way a match builds one: identity first, then setup.
inline man& addfighter(fightgame& game, int number, int n, float scale = 2.0f, int robot = 0,
                       int team = 1, std::array<int, 4> colour = {0, 175, 175, 175}) {
  game.fighters[number] = std::make_unique<man>();
  man& f = *game.fighters[number];
  f.number = number;
  f.game = &game;
  f.scale = scale;
  f.robot = robot;
  f.team = team;
  f.colour = colour;
  f.setup(n);
  return f;
}

// One frame of a fighter's physics step in the match's order, without drawing.
inline void physicsframe(fightgame& game, man& f) {
  f.saveposition();
  f.applygravity(game.gravity);
  f.move(game.dt);
  f.relax(game.dt, game.flexibility);
  f.updatevelocity(game.dt);
  f.keepinarena(game.dt, game.zoom);
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
