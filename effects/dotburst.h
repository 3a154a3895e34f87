// One burst of up to 300 particles: blood drops, robot squares or additive plasma sparks.
#pragma once

#include <array>

namespace flopfist {

class fightgame;

class dotburst {
 public:
  static constexpr int maxcount = 300;

  int robot = 0;
  fightgame* game = nullptr;
  int plasma = 1;
  std::array<int, 3> colourstep{2, 2, 2};
  float size = 0;
  float alpha = 0;
  int count = 0;
  std::array<float, maxcount + 1> x{}, y{}, vx{}, vy{};  // slots 1..count
  std::array<int, 3> colour{};
  int alive = 0;

  void cyclecolour();
  void start(float x, float y, float basevx, float basevy, int count, int plasma, float speed,
             fightgame* game, int robot, int radius);
  void draw(float zoom);
  void update(float dt);
};

}  // namespace flopfist
