// The animated palette.
#include "effects/palette.h"

#include "media/media.h"

namespace flopfist {

void palette::cycle(media::generator& rng) {
  for (int c = 1; c <= colourcount; ++c) {
    for (int k = 1; k <= 3; ++k) {
      if (rng.rnd(0, 1000) > 990) speeds[c][k] = -speeds[c][k];
      if (colours[c][k] > 253) speeds[c][k] = -2.0f;
      if (colours[c][k] < 2) speeds[c][k] = 2.0f;
      colours[c][k] = int(float(colours[c][k]) + speeds[c][k]);
    }
  }
}

void palette::use(int c) const { media::setcolor(colours[c][1], colours[c][2], colours[c][3]); }

}  // namespace flopfist
