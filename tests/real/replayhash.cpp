// Prints what a kept replay holds and where watching it ends: its mode or players, steps, the final
// hash it recorded and a digest of its inputs; exits 1 when the file cannot be read or its match strays.
#include <cstdio>
#include <string>

#include "replay/playback.h"
#include "replay/replay.h"

int main(int argc, char** argv) {
  using namespace flopfist;
  int code = 0;
  for (int k = 1; k < argc; ++k) {
    const loadedreplay file = loadreplay(argv[k]);
    if (file.problem != replayproblem::none) {
      std::printf("%s: %s\n", argv[k], file.message.c_str());
      code = 1;
      continue;
    }
    const replay& r = file.data;
    playback play(r);
    while (!play.finished()) play.step();
    uint64_t digest = 1469598103934665603ull;
    for (const inputrun& run : r.inputs) digest = (digest ^ (uint64_t(run.bits) << 32 | uint32_t(run.steps))) * 1099511628211ull;
    std::printf("%s steps %d final %016llx inputs %016llx %s\n", modename(r).c_str(), r.info.steps,
                static_cast<unsigned long long>(r.finalhash), static_cast<unsigned long long>(digest),
                play.verified() ? "reached" : "strayed");
    if (!play.verified()) code = 1;
  }
  return code;
}
