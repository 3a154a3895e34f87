// Composition of the music tracks: styles, chord progressions, generated melodies and the
// arrangement of every note and drum hit in time.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

struct chord {
  int root;    // semitones above the key
  bool minor;  // minor or major triad
};

// What makes one track itself: tempo, key, harmony, grooves and timbre.
struct trackstyle {
  double bpm;
  int key;  // MIDI note of the key's root in the bass octave
  bool minor;
  std::array<chord, 4> verse, chorus;
  std::string kick, snare, hats;  // 16 steps: 'X' accent, 'x' hit, 'o' open hat, '.' rest
  std::string bass;               // 16 steps: 'R' root, 'O' octave, 'F' fifth, '.' rest
  std::string arp;                // chord-tone indices per 16th: '0'..'4' (4 is the octave)
  double leadwidth;               // pulse width of the lead
  std::uint64_t seed;
};

enum class drumkind { kick, snare, hat, openhat, crash, tom };

struct drumhit {
  double time;
  drumkind kind;
  double velocity;
  double pitch;  // toms only, Hz
};

struct noteevent {
  double time, gate, pitch, velocity;
};

struct arrangement {
  std::vector<drumhit> drums;
  std::vector<noteevent> bass, lead, arp, pad;
  std::vector<double> kicktimes;  // for ducking the sustained parts
  double length = 0.0;            // seconds, including the last chord's ring
  double beat = 0.0;              // seconds per beat
};

const trackstyle& style(int number);  // tracks 1..4
arrangement arrange(const trackstyle& s);

}  // namespace assetgen
