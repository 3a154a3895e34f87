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
#include "media/cpu.h"

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

// The time of one match::step at level 8 (five fighters): fresh matches of 500 steps, the first
// 1,000 steps a warm-up, then 10,000 timed in blocks of 10. A block is long enough for a browser's
// clock and short enough that few blocks hold a switch to another program on a busy machine.
// Prints the median and the mean of the blocks' per-step times, and a hash of every match's end,
// which the desktop and the browser must share.
void timelevel8() {
  constexpr int warmup = 1000, timed = 10000, permatch = 500, perblock = 10;
  std::vector<double> blocks;
  blocks.reserve(timed / perblock);
  hands one;
  uint64_t fold = 0;
  for (int done = -warmup; done < timed; done += permatch) {
    matchsetup setup;
    setup.level = 8;
    setup.rng = media::generator(8);
    auto m = std::make_unique<match>(setup);
    for (int b = 0; b < permatch / perblock; ++b) {
      const double t0 = nowus();
      for (int k = 0; k < perblock; ++k) {
        frameinput in;
        in.player[1] = one.next();
        m->step(in);
      }
      if (done >= 0) blocks.push_back((nowus() - t0) / perblock);
    }
    fold ^= m->hash();
  }
  double total = 0;
  for (const double t : blocks) total += t;
  std::sort(blocks.begin(), blocks.end());
  std::printf("level8 steps %d median_us %.2f mean_us %.2f hash %016" PRIx64 " vector %s\n", timed,
              blocks[blocks.size() / 2], total / double(blocks.size()), fold,
              media::nameof(media::bestisa()));
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
  timelevel8();
  std::printf("webcheck done %s\n", misses == 0 ? "pass" : "fail");
  return misses == 0 ? 0 : 1;
}
