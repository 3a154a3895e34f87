// The match camera: frames every living fighter, sliding dead ones out of the frame as they fade.
#include "match/match.h"

#include <algorithm>

namespace flopfist {

namespace {
struct centre {
  float x, y;
};

centre bodycentre(const man& f) {
  float sx = 0, sy = 0;
  for (int i = 1; i <= 26; ++i) {
    sx += f.balls[i].x;
    sy += f.balls[i].y;
  }
  return {sx / 26, sy / 26};
}
}  // namespace

void match::updatecamera() {
  for (int i = 1; i <= fightercount; ++i) fighters[size_t(i)].fadestep();

  const centre first = bodycentre(fighters[1]);
  float maxx = -1000000, minx = 100000, maxy = -100000, miny = 1000000;
  for (int i = 1; i <= fightercount; ++i) {
    const centre c = bodycentre(fighters[size_t(i)]);
    const float fade = fighters[size_t(i)].fade;
    // A fading fighter's point slides onto fighter 1, so the dead stop widening the frame.
    const float px = c.x * fade + first.x * (1 - fade);
    const float py = c.y * fade + first.y * (1 - fade);
    maxx = std::max(maxx, px);
    minx = std::min(minx, px);
    maxy = std::max(maxy, py);
    miny = std::min(miny, py);
  }
  camera.x = (maxx + minx) / 2;
  camera.y = (maxy + miny) / 2;
  // 444 x 333 pixels of margin around the framed points at zoom 1.
  camera.zoom = std::min(1024 / (maxx - minx + 444), 768 / (maxy - miny + 333));
}

}  // namespace flopfist
