// The browser check: plays the committed replays to their final hashes and times level-8 steps.
// Built for the browser (read by tests/web/run.mjs from the page's console) and for the desktop,
// so both measure the same steps the same way. Prints one line per result; exit code 1 on a miss.
#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "replay/playback.h"
#include "replay/replay.h"
#include "match/match.h"

using namespace flopfist;

namespace {

// Player 1's hands in the timed match: a direction held for 6 to 40 frames, from a fixed seed.
struct hands {
  uint32_t state = 1;
  int left = 0;
  directions held;
  uint32_t draw() { return state = state * 1664525u + 1013904223u, state >> 8; }
  directions next() {
    if (--left <= 0) {
      left = 6 + int(draw() % 35);
      const uint32_t pick = draw() % 8;
      held = {pick == 0, pick == 1, pick == 2 || pick == 4, pick == 3 || pick == 5};
    }
    return held;
  }
};

double nowus() {
  using namespace std::chrono;
  return double(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count()) / 1e3;
}

// The time of one match::step at level 8 (five fighters), over fresh matches of 600 steps: the
// median of 60-step blocks (a browser's clock is too coarse for one step), and the mean.
void timelevel8(int matches) {
  std::vector<double> blocks;
  hands one;
  uint64_t fold = 0;
  double total = 0;
  for (int n = 0; n < matches; ++n) {
    matchsetup setup;
    setup.level = 8;
    setup.rng = media::generator(8);
    auto m = std::make_unique<match>(setup);
    for (int b = 0; b < 10; ++b) {
      const double t0 = nowus();
      for (int k = 0; k < 60; ++k) {
        frameinput in;
        in.player[1] = one.next();
        m->step(in);
      }
      blocks.push_back((nowus() - t0) / 60);
      total += blocks.back();
    }
    fold ^= m->hash();
  }
  std::sort(blocks.begin(), blocks.end());
  std::printf("level8 steps %d median_us %.1f mean_us %.1f hash %016" PRIx64 "\n", matches * 600,
              blocks[blocks.size() / 2], total / double(blocks.size()), fold);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : "/replays";
  int misses = 0;
  for (const char* name : {"single", "versus", "coop"}) {
    const loadedreplay file = loadreplay(folder + "/" + name + ".ffr");
    if (file.problem != replayproblem::none) {
      std::printf("replay %s unreadable: %s\n", name, file.message.c_str());
      ++misses;
      continue;
    }
    playback play(file.data);
    while (!play.finished()) play.step();
    const bool ok = play.verified();
    misses += ok ? 0 : 1;
    std::printf("replay %s steps %d/%d strayed_at %d hash %016" PRIx64 " recorded %016" PRIx64 " %s\n",
                name, play.steps(), file.data.info.steps, play.strayedat(), play.now().hash(),
                file.data.finalhash, ok ? "ok" : "MISMATCH");
  }
  timelevel8(5);
  std::printf("webcheck done %s\n", misses == 0 ? "pass" : "fail");
  return misses == 0 ? 0 : 1;
}
