// The game's version as far as replays care: which matches a recorded input plays back into.
#pragma once

#include <cstdint>

namespace flopfist {

// Raise it whenever a recorded match would play differently (the recorded values in
// tests/app/golden_test.cpp change), then remake the committed replays with scripts/makereplays.
// A replay made under another version is refused rather than shown as a different match.
constexpr uint32_t gameversion = 1;

}  // namespace flopfist
