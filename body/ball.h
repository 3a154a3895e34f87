// One point mass of a fighter's body: motion step, wall contacts, hit flash, bleeding, drawing.
#pragma once

#include <array>

namespace flopfist {

class fightgame;
class man;

class ball {
 public:
  fightgame* game = nullptr;
  int flash = 0;  // hit-flash countdown in frames
  int index = 0;  // 1..26 within its fighter
  man* owner = nullptr;
  float x = 0, y = 0;
  float oldx = 0, oldy = 0;
  float vx = 0, vy = 0;
  float radius = 0;
  float mass = 0;
  float drawradius = 20.0f;

  void emitblood(float intensity);
  void tickflash();
  void updatevelocity(float dt);
  void saveposition();
  void draw(const std::array<int, 4>& colour, float zoom);
  void drawendpiece(const std::array<int, 4>& colour, float zoom);
  void move(float dt);
  void applygravity(int g);
  int keepinarena();  // wall contact code: 0 none, 3 right wall, 4 left wall, 1 floor, 2 ceiling
};

}  // namespace flopfist
