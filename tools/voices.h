// The music's instruments: each call adds one drum hit or one note into a sample buffer.
#pragma once

#include <cstddef>
#include <vector>

#include "synth.h"

namespace assetgen {

using buffer = std::vector<float>;

// Drums. `at` is the first sample; `velocity` 0..1.
void kickdrum(buffer& out, std::size_t at, double velocity);
void snaredrum(buffer& out, std::size_t at, double velocity, prng& rng);
void hihat(buffer& out, std::size_t at, double velocity, double decay, prng& rng);
void crashcymbal(buffer& out, std::size_t at, double velocity, prng& rng);
void tomdrum(buffer& out, std::size_t at, double velocity, double hz);

// Pitched voices; `gate` is how long the note is held, in seconds; pitch is a MIDI note number.
void bassnote(buffer& out, std::size_t at, double gate, double pitch, double velocity);
void leadnote(buffer& out, std::size_t at, double gate, double pitch, double velocity,
              double pulsewidth);
void arpnote(buffer& out, std::size_t at, double gate, double pitch, double velocity);
// Two slightly detuned saws, one per side, for a wide pad.
void padnote(buffer& left, buffer& right, std::size_t at, double gate, double pitch,
             double velocity);

}  // namespace assetgen
