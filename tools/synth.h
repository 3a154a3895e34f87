// Small sound-making helpers shared by the sound effects and the music: a seeded generator,
// oscillators, filters and the soft limiter.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace assetgen {

inline constexpr double pi = 3.14159265358979323846;
inline constexpr int samplerate = 44100;

// xorshift64*: the generator's only source of variation, seeded by each caller.
class prng {
 public:
  explicit prng(std::uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
  std::uint64_t next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Dull;
  }
  double unit() {
    return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0);
  }                                                   // [0, 1)
  double signedunit() { return unit() * 2.0 - 1.0; }  // [-1, 1)
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }

 private:
  std::uint64_t state_;
};

// One-pole low-pass; `coef` from lowpasscoef.
struct onepole {
  double z = 0.0;
  double run(double x, double coef) { return z += coef * (x - z); }
};

inline double lowpasscoef(double hz) {
  return 1.0 - std::exp(-2.0 * pi * hz / samplerate);
}

// Chamberlin state-variable filter: stable for cutoffs well under a sixth of the sample rate.
struct svfilter {
  double low = 0.0, band = 0.0;
  double high = 0.0;
  void run(double x, double hz, double q) {
    // 2 sin(w/2) by its series: the cutoff moves every sample, and below 5 kHz this is exact
    // to a hundred-thousandth.
    const double w = pi * hz / samplerate, w2 = w * w;
    const double f = 2.0 * w * (1.0 - w2 / 6.0 * (1.0 - w2 / 20.0));
    low += f * band;
    high = x - low - q * band;
    band += f * high;
  }
};

// Band-limited step correction for the saw and pulse oscillators, so high notes do not alias.
inline double polyblep(double phase, double dt) {
  if (phase < dt) {
    const double t = phase / dt;
    return t + t - t * t - 1.0;
  }
  if (phase > 1.0 - dt) {
    const double t = (phase - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

// `phase` in [0, 1), `dt` the phase step per sample.
inline double sawwave(double phase, double dt) {
  return 2.0 * phase - 1.0 - polyblep(phase, dt);
}

inline double pulsewave(double phase, double dt, double width) {
  const double naive = phase < width ? 1.0 : -1.0;
  double shifted = phase + 1.0 - width;
  if (shifted >= 1.0) shifted -= 1.0;
  return naive + polyblep(phase, dt) - polyblep(shifted, dt);
}

// Attack, decay to sustain, then a linear release that reaches exactly zero: no note ever
// starts or stops with a jump.
struct adsr {
  double attack, decay, sustain, release;
  // Level at `t` seconds after note-on for a note held `gate` seconds.
  double level(double t, double gate) const {
    if (t < 0.0) return 0.0;
    const double held = t < gate ? t : gate;
    double v;
    if (held < attack)
      v = held / attack;
    else
      v = sustain + (1.0 - sustain) * std::exp(-(held - attack) / decay);
    if (t < gate) return v;
    const double r = 1.0 - (t - gate) / release;
    return r > 0.0 ? v * r : 0.0;
  }
  double length(double gate) const { return gate + release; }
};

inline double midihz(double note) {
  return 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
}

// Smooth limiter: linear below `knee`, then a tanh curve that never reaches `ceiling`.
inline double softlimit(double x, double knee, double ceiling) {
  const double a = std::fabs(x);
  if (a <= knee) return x;
  const double room = ceiling - knee;
  const double y = knee + room * std::tanh((a - knee) / room);
  return x < 0 ? -y : y;
}

}  // namespace assetgen
