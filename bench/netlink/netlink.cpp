// The long simulated-link runs: two sessions play a scripted versus series of many frames at each round
// trip and loss, and the table of waits, rollback depths and desyncs is printed.
// Usage: flopfist_netlink [frames, default 10000] [seed, default 19]
#include <cstdio>
#include <cstdlib>

#include "match/timeline.h"
#include "tests/net/duel.h"

int main(int argc, char** argv) {
  using namespace flopfist;
  const int frames = argc > 1 ? std::atoi(argv[1]) : 10000;
  const uint32_t seed = argc > 2 ? uint32_t(std::atoi(argv[2])) : 19;
  int failures = 0;
  std::printf("%d frames a case, seed %u, input delay 2, jitter +-20 ms, 2%% doubled\n", frames, seed);
  for (int rtt : {0, 60, 120, 200}) {
    for (int loss : {0, 5, 20}) {
      const nettest::linkconfig c{rtt, 20, loss / 100.0, 0.02, seed};
      timeline start(nettest::versussetup(seed));
      start.series = true;
      nettest::duel<timeline> d(start, c, 2, seed);
      const nettest::dueloutcome o = d.run(frames);
      const bool ok = o.differing < 0 && o.desyncs == 0 && o.frames[0] >= frames && o.frames[1] >= frames;
      std::printf("%s%s\n", nettest::describe(c, o).c_str(), ok ? "" : "  FAILED");
      std::fflush(stdout);
      failures += ok ? 0 : 1;
    }
  }
  return failures == 0 ? 0 : 1;
}
