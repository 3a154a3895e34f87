// libFuzzer target for the replay reader: any bytes are refused in words or give a replay that
// writes back to the same bytes and plays without fault.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "replay/playback.h"
#include "replay/replay.h"

namespace {

constexpr int playedsteps = 120;  // enough to reach the first checkpoint; more would only be slow

// A file that begins like one is read as it stands; anything else is taken for a payload and
// sealed, so the checksum does not keep the fuzzer out of the payload reader.
std::string asfile(std::string_view bytes) {
  if (bytes.substr(0, 4) == "FLOP") return std::string(bytes);
  return flopfist::sealreplay(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace flopfist;
  const std::string file = asfile(std::string_view(reinterpret_cast<const char*>(data), size));
  const loadedreplay loaded = decodereplay(file);
  if (loaded.problem != replayproblem::none) {
    if (loaded.message.empty()) std::abort();  // every refusal says why
    return 0;
  }
  const std::string again = encodereplay(loaded.data);
  const loadedreplay reread = decodereplay(again);
  if (reread.problem != replayproblem::none || encodereplay(reread.data) != again) std::abort();

  playback play(loaded.data);
  for (int k = 0; k < playedsteps && !play.finished(); ++k) play.step();
  for (const man& f : play.now().fighters) {
    for (const ball& b : f.balls) {
      if (!std::isfinite(b.x) || !std::isfinite(b.y)) std::abort();
    }
  }
  return 0;
}
