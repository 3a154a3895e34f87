// The animated palette: eleven colours drifting at random, shared by every screen and the arena.
#pragma once

#include "media/random.h"

namespace flopfist {

class palette {
 public:
  static constexpr int colourcount = 11;

  // Every channel moves by its speed; a channel turns at the ends and, now and then, at random.
  void cycle(media::generator& rng);
  // Makes colour c (1..11) the drawing colour.
  void use(int c) const;
  int channel(int c, int k) const { return colours[c][k]; }  // k: 1 red, 2 green, 3 blue

  float speeds[colourcount + 1][4] = {};  // the first cycle sets each one it uses
  int colours[colourcount + 1][4] = {};
};

}  // namespace flopfist
