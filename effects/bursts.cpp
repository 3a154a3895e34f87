// The particle ring of the game: starting bursts at the cursor and updating all of them.
#include "app/fightgame.h"

namespace flopfist {

void fightgame::startburst(float x, float y, float basevx, float basevy, int count, int kind,
                           float speed, int robot, int radius) {
  if (burstcursor < 1 || burstcursor > 100) burstcursor = 1;
  bursts[burstcursor].start(x, y, basevx, basevy, count, kind, speed, this, robot, radius);
  advanceburstcursor();
}

void fightgame::advanceburstcursor() {
  ++burstcursor;
  if (burstcursor > 100) burstcursor = 1;
}

void fightgame::updatebursts(float zoom) {
  // Drops first, then sparks over them.
  for (int i = 1; i <= 100; ++i) {
    dotburst& b = bursts[i];
    if (b.alive && b.plasma == 0) {
      b.update(dt);
      b.draw(zoom);
    }
  }
  for (int i = 1; i <= 100; ++i) {
    dotburst& b = bursts[i];
    if (b.alive && b.plasma == 1) {
      b.update(dt);
      b.draw(zoom);
    }
  }
}

}  // namespace flopfist
