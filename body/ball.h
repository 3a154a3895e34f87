// One point mass of a fighter's body: motion step, wall contacts and the hit flash.
#pragma once

#include "body/util.h"

namespace flopfist {

// The wall a ball was pushed back from; the highest-numbered ball touching one decides.
enum class wall { none = 0, floor = 1, ceiling = 2, right = 3, left = 4 };

class ball {
 public:
  int flash = 0;  // hit-flash countdown in frames
  int index = 0;  // 1..26 within its fighter
  float x = 0, y = 0;
  float oldx = 0, oldy = 0;
  float vx = 0, vy = 0;
  float radius = 0;
  float mass = 0;
  float drawradius = 20.0f;

  void updatevelocity(float dt);
  void saveposition();
  void move(float dt);
  void applygravity(int g);
  wall keepinarena(const arena& walls);
};

}  // namespace flopfist
