// Slow motion: the frame's time step and the pacing that holds slowed frames apart.
#include <algorithm>

#include "app/fightgame.h"
#include "media/media.h"

namespace flopfist {

namespace {
constexpr double slowframems = 1000.0 / 30;  // slowed frames run at most 30 per second
constexpr int pacestepms = 5;                // sleep in small steps, re-reading the clock
}  // namespace

void fightgame::slowmostep() {
  dt = 1.0f;
  if (slowmotimer >= 0) {
    slowmotimer -= 1;
    dt = 1.0f / (1.0f + float(slowmotion) / 2.5f);  // single precision, like every real of the game
  }
}

void fightgame::slowmopace() {
  if (slowmotimer < 0) return;
  for (;;) {
    const int waited = media::millisecs() - slowmoclock;
    if (waited >= slowframems) break;
    const int left = int(slowframems - waited) + 1;
    media::delay(std::clamp(left, 1, pacestepms));
  }
  slowmoclock = media::millisecs();
}

}  // namespace flopfist
