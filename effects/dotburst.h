// One burst of up to 300 particles: blood drops, robot squares or additive plasma sparks.
#pragma once

#include <array>

#include "body/sprites.h"
#include "body/util.h"
#include "media/random.h"

namespace flopfist {

class dotburst {
 public:
  static constexpr int maxcount = 300;

  int robot = 0;
  int plasma = 1;
  std::array<int, 3> colourstep{2, 2, 2};
  float size = 0;
  float alpha = 0;
  int count = 0;
  std::array<float, maxcount + 1> x{}, y{}, vx{}, vy{};  // slots 1..count
  std::array<int, 3> colour{};
  int alive = 0;

  void cyclecolour(media::generator& rng);
  // One drop at a time, each angle's sine and cosine from the C library: the form the game had
  // before startbatched, kept as the measure of it (the benchmarks' reference starts bursts here).
  void start(float x, float y, float basevx, float basevy, int count, int plasma, float speed,
             media::generator& rng, int robot, int radius);
  // The same particles and generator draws, bit for bit, each step of it done for every drop in
  // turn so the loops run in vector lanes.
  void startbatched(float x, float y, float basevx, float basevy, int count, int plasma,
                    float speed, media::generator& rng, int robot, int radius);
  // startbatched with every loop by its widest build up to the given set that the machine runs.
  void startbatched(float x, float y, float basevx, float basevy, int count, int plasma,
                    float speed, media::generator& rng, int robot, int radius, media::isa set);
  void draw(const view& v, const sprites& images) const;
  void update(media::generator& rng);

 private:
  void begin(int count, int plasma, media::generator& rng, int robot);
};

}  // namespace flopfist
