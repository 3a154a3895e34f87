// Helpers of the shell tests: pixel questions about a read-back frame, and the music tracks.
#pragma once

#include <cstdlib>

#include <string>

#include "app/fightgame.h"
#include "media/media.h"
#include "media/testing.h"

namespace flopfist::testing {

struct rgb {
  int r = 0, g = 0, b = 0;
};

// The brightest pixel of a rectangle: a fully covered pixel of the text drawn there, so its colour
// is the colour the text was drawn in.
inline rgb brightest(const media::test::frame& f, int x0, int y0, int x1, int y1) {
  rgb best;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      if (f.r(x, y) + f.g(x, y) + f.b(x, y) > best.r + best.g + best.b) {
        best = {f.r(x, y), f.g(x, y), f.b(x, y)};
      }
    }
  }
  return best;
}

struct span {
  int left = -1, right = -1;  // -1: nothing lit
};

// Leftmost and rightmost columns holding a pixel brighter than the threshold in rows y0..y1-1.
inline span litcolumns(const media::test::frame& f, int y0, int y1, int threshold = 24) {
  span s;
  for (int x = 0; x < f.width; ++x) {
    for (int y = y0; y < y1; ++y) {
      if (f.r(x, y) + f.g(x, y) + f.b(x, y) > threshold) {
        if (s.left < 0) s.left = x;
        s.right = x;
        break;
      }
    }
  }
  return s;
}

inline bool near(const rgb& a, const rgb& b, int tolerance = 2) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

// The four tracks, which the shared fixture does not load.
inline void loadmusic(fightgame& game) {
  for (int t = 1; t <= 4; ++t) {
    game.art.music[size_t(t)] = media::loadsound("music/tt" + std::to_string(t) + ".ogg");
  }
}

}  // namespace flopfist::testing
