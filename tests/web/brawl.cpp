// The browser's worst frames: the co-op level's six fighters in one scrum at BLOOD 30, each frame
// stepped, drawn by the page's renderer and paced by its animation frames as in a match. Prints
// the frames a second it keeps up, and the median time of the step alone, read by
// tests/web/run.mjs from the page's console.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/fightgame.h"
#include "media/media.h"

using namespace flopfist;

namespace {

double nowus() {
  using namespace std::chrono;
  return double(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count()) / 1e3;
}

// Every fighter's pelvis moved to a row at the arena's centre, 30 pixels apart, and nobody able to
// be knocked out while it is measured.
void scrum(match& m) {
  m.framecount = 200;  // the fight is on
  for (int n = 1; n <= m.fightercount; n++) {
    man& f = m.fighters[size_t(n)];
    const float dx = float(n - 1) * 30 - float(m.fightercount - 1) * 15 - f.balls[6].x;
    const float dy = 200.0f - f.balls[6].y;
    for (int k = 1; k <= 26; k++) {
      ball& b = f.balls[size_t(k)];
      b.x += dx, b.y += dy, b.oldx += dx, b.oldy += dy;
    }
    f.maxenergy = f.energy = 1e9f;
  }
}

}  // namespace

int main() {
  media::init(false);
  auto game = std::make_unique<fightgame>();
  game->startup();
  game->settings.blood = 30;
  game->settings.plasma = 1;
  game->settings.slowmotion = 0;  // no slowed frames: the rate is the page's own
  game->settings.musicvolume = game->settings.soundsvolume = 0;
  game->current.mode = gamemode::coop;
  game->current.level = 8;
  game->beginmatch();
  for (int i = 0; i < 40; i++) game->matchframe();  // the bodies formed
  scrum(*game->playing);
  const auto start = std::make_unique<match>(*game->playing);
  constexpr int frames = 600;
  const double t0 = nowus();
  for (int i = 0; i < frames; i++) {
    if (i % 120 == 0) *game->playing = *start;  // back into the scrum every two seconds
    game->matchframe();
  }
  const double seconds = (nowus() - t0) / 1e6;
  // The step alone, on the same scrum, in blocks of 10 steps.
  std::vector<double> blocks;
  frameinput idle;
  for (int b = 0; b < frames / 10; b++) {
    if (b % 12 == 0) *game->playing = *start;
    const double s0 = nowus();
    for (int k = 0; k < 10; k++) game->playing->step(idle);
    blocks.push_back((nowus() - s0) / 10);
  }
  std::sort(blocks.begin(), blocks.end());
  std::printf("brawl coop blood 30 frames %d fps %.1f step_median_us %.1f\n", frames,
              frames / seconds, blocks[blocks.size() / 2]);
  game->endmatch();
  media::shutdown();
  return 0;
}
