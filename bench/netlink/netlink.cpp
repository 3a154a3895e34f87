// The long simulated-link runs: two sessions play a scripted versus series of many frames at each round
// trip and loss, and the table of waits, rollback depths and desyncs is printed; then again with the
// lobby's relay in the middle of the link (its real rooms: token, rate limit), at the same round
// trip and end-to-end loss, so the two tables differ by the hop alone.
// Usage: flopfist_netlink [frames, default 10000] [seed, default 19] [direct|relayed|both, default both]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <type_traits>

#include "bench/netlink/relayhop.h"
#include "match/timeline.h"
#include "tests/net/duel.h"

namespace {

using namespace flopfist;

template <typename carrier>
int table(int frames, uint32_t seed, const char* title) {
  int failures = 0;
  std::printf("%s: %d frames a case, seed %u, input delay 2, jitter +-20 ms, 2%% doubled\n", title, frames, seed);
  for (int rtt : {0, 60, 120, 200}) {
    for (int loss : {0, 5, 20}) {
      const nettest::linkconfig c{rtt, 20, loss / 100.0, 0.02, seed};
      timeline start(nettest::versussetup(seed));
      start.series = true;
      nettest::duel<timeline, carrier> d(start, c, 2, seed);
      const nettest::dueloutcome o = d.run(frames);
      bool ok = o.differing < 0 && o.desyncs == 0 && o.frames[0] >= frames && o.frames[1] >= frames;
      std::string extra;
      if constexpr (std::is_same_v<carrier, nettest::relayhop>) {
        ok = ok && d.link().paired();
        extra = " relayed " + std::to_string(d.link().relayed()) + " over the limit " +
                std::to_string(d.link().overlimit());
      }
      std::printf("%s%s%s\n", nettest::describe(c, o).c_str(), extra.c_str(), ok ? "" : "  FAILED");
      std::fflush(stdout);
      failures += ok ? 0 : 1;
    }
  }
  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::atoi(argv[1]) : 10000;
  const uint32_t seed = argc > 2 ? uint32_t(std::atoi(argv[2])) : 19;
  const std::string_view which = argc > 3 ? argv[3] : "both";
  int failures = 0;
  if (which != "relayed") failures += table<nettest::memorylink>(frames, seed, "direct");
  if (which != "direct") failures += table<nettest::relayhop>(frames, seed, "through the lobby's relay");
  return failures == 0 ? 0 : 1;
}
