// The arena background: a grey surround and ten parallax grids that make the arena read as a box.
#include <algorithm>
#include <cmath>

#include "effects/background.h"

#include "media/media.h"

namespace flopfist {

namespace {
constexpr float spacing = 1000;   // world pixels between grid lines
constexpr double fadeweight = double(0.8f);  // share of grey in a faded colour, as a float holds it
constexpr int basegrey = 140;                // trunc(175 * 0.8)
constexpr int fillgrey = 112;                // trunc(140 * 0.8)

struct rgb {
  int r, g, b;
};

int faded(int c) { return int(basegrey * fadeweight + c * (1 - fadeweight)); }

void setrgb(const rgb& c) { media::setcolor(c.r, c.g, c.b); }

// Screen rectangle of the arena at the camera zoom.
struct arenarect {
  int l, r, t, b;
};
}  // namespace

void drawbackground(const arena& walls, const view& v, const palette& colours) {
  const float leftwall = walls.left, rightwall = walls.right, ceilingy = walls.ceiling, floory = walls.floor;
  const float camerax = v.x, cameray = v.y, zoom = v.zoom;
  media::setblend(media::blend::mask);
  const arenarect a{roundhalfup(screenx(leftwall, camerax, zoom)),
                    roundhalfup(screenx(rightwall, camerax, zoom)),
                    roundhalfup(screeny(ceilingy, cameray, zoom)),
                    roundhalfup(screeny(floory, cameray, zoom))};
  const float w = rightwall - leftwall;
  const float h = floory - ceilingy;

  // The fixed 512 and 384 reach the screen's edges whenever the camera is inside the arena.
  media::setcolor(fillgrey, fillgrey, fillgrey);
  media::drawrect(float(a.l), float(a.b), float(a.r - a.l), 384);
  media::drawrect(float(a.r), 0, 512, 768);
  media::drawrect(float(a.l), 0, float(a.r - a.l), float(a.t));
  media::drawrect(0, 0, float(a.l), 768);

  const float ratio = std::pow(0.05f, 0.1f);  // depth ratio between neighbouring layers
  const int columns = int(std::ceil(w / spacing) + 1);
  const int rows = int(std::ceil(h / spacing) + 1);
  for (int n = 9; n >= 0; --n) {
    const float depth = std::pow(ratio, float(n));
    const float z = 1 / (1 / zoom + 1 / depth);
    // Nearer layers are brighter; the palette's colour 3 sets the hue.
    auto bright = [&](int k) { return int(std::min(255.0f, colours.channel(3, k) * 1.5f * z)); };
    const rgb c{bright(1), bright(2), bright(3)};
    const rgb f{faded(c.r), faded(c.g), faded(c.b)};

    for (int i = 0; i <= columns; ++i) {
      const float wx = leftwall - (columns * spacing - w) / 2 + i * spacing;
      const int x = roundhalfup(screenx(wx, camerax, z));
      if (x <= 0 || x >= 1024) continue;
      setrgb(x > a.r || x < a.l ? f : c);
      media::drawline(float(x), float(a.t), float(x), float(a.b));
      setrgb(f);
      media::drawline(float(x), -1, float(x), float(a.t - 1));
      media::drawline(float(x), float(a.b), float(x), 768);
    }
    for (int i = 0; i <= rows; ++i) {
      const float wy = ceilingy - (rows * spacing - h) / 2 + i * spacing;
      const int y = roundhalfup(screeny(wy, cameray, z));
      if (y <= 0 || y >= 768) continue;
      setrgb(y > a.b || y < a.t ? f : c);
      media::drawline(float(a.l), float(y), float(a.r), float(y));
      setrgb(f);
      media::drawline(-1, float(y), float(a.l - 1), float(y));
      media::drawline(float(a.r), float(y), 1024, float(y));
    }
  }
  media::setblend(media::blend::alpha);
}

}  // namespace flopfist
