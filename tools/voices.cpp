// The music's instruments: analogue-style drums and band-limited synth voices, each note with its
// own envelope that starts and ends at zero.
#include "voices.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

namespace {

std::size_t samples(double seconds) {
  return static_cast<std::size_t>(seconds * samplerate);
}

// Fades the last few milliseconds of a one-shot so cutting it off never clicks.
double tail(double t, double length) {
  return std::clamp((length - t) / 0.008, 0.0, 1.0);
}

// Runs `voice(t)` for every sample of a sound `length` seconds long starting at `at`.
template <typename voicefn>
void render(buffer& out, std::size_t at, double length, voicefn voice) {
  const std::size_t n = samples(length);
  const std::size_t end = std::min(out.size(), at + n);
  for (std::size_t i = at; i < end; ++i) {
    const double t = static_cast<double>(i - at) / samplerate;
    out[i] += static_cast<float>(voice(t) * tail(t, length));
  }
}

double advance(double& phase, double hz) {
  const double dt = hz / samplerate;
  phase += dt;
  if (phase >= 1.0) phase -= 1.0;
  return dt;
}

// Six square waves at clashing frequencies: the metallic body of hats and cymbals.
struct metal {
  double phases[6] = {0, 0.13, 0.29, 0.41, 0.57, 0.71};
  double run() {
    static constexpr double hz[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    double v = 0.0;
    for (int k = 0; k < 6; ++k) {
      advance(phases[k], hz[k] * 1.7);
      v += phases[k] < 0.5 ? 1.0 : -1.0;
    }
    return v / 6.0;
  }
};

// Two cascaded one-pole high-passes.
struct highpass {
  onepole a, b;
  double run(double x, double coef) {
    const double y = x - a.run(x, coef);
    return y - b.run(y, coef);
  }
};

}  // namespace

void kickdrum(buffer& out, std::size_t at, double velocity) {
  double phase = 0.0;
  onepole click;
  const double clickcoef = lowpasscoef(3000.0);
  render(out, at, 0.42, [&](double t) {
    const double hz = 46.0 + 120.0 * std::exp(-t / 0.028);
    phase += 2.0 * pi * hz / samplerate;
    const double attack = std::min(1.0, t / 0.0008);
    const double body = std::sin(phase) * std::exp(-t / 0.2);
    const double knock = click.run(t < 0.004 ? 1.0 : 0.0, clickcoef) * 0.5;
    return velocity * attack * (body + knock);
  });
}

void snaredrum(buffer& out, std::size_t at, double velocity, prng& rng) {
  double phase = 0.0;
  svfilter band;
  highpass air;
  const double aircoef = lowpasscoef(5000.0);
  render(out, at, 0.24, [&](double t) {
    phase += 2.0 * pi * (175.0 + 40.0 * std::exp(-t / 0.015)) / samplerate;
    const double noise = rng.signedunit();
    band.run(noise, 2200.0, 0.8);
    const double attack = std::min(1.0, t / 0.001);
    const double tone = std::sin(phase) * std::exp(-t / 0.045);
    const double rattle = (0.7 * band.band + 0.5 * air.run(noise, aircoef)) * std::exp(-t / 0.075);
    return velocity * attack * (0.55 * tone + rattle);
  });
}

void hihat(buffer& out, std::size_t at, double velocity, double decay, prng& rng) {
  metal body;
  highpass hp;
  const double hpcoef = lowpasscoef(6500.0);
  render(out, at, decay * 5.0, [&](double t) {
    const double raw = 0.6 * body.run() + 0.6 * rng.signedunit();
    const double attack = std::min(1.0, t / 0.0006);
    return velocity * attack * hp.run(raw, hpcoef) * std::exp(-t / decay);
  });
}

void crashcymbal(buffer& out, std::size_t at, double velocity, prng& rng) {
  metal body;
  highpass hp;
  onepole soften;
  const double hpcoef = lowpasscoef(4000.0), softcoef = lowpasscoef(11000.0);
  render(out, at, 2.2, [&](double t) {
    const double raw = 0.5 * body.run() + 0.8 * rng.signedunit();
    const double attack = std::min(1.0, t / 0.002);
    const double v = soften.run(hp.run(raw, hpcoef), softcoef);
    return velocity * attack * v * std::exp(-t / 0.55);
  });
}

void tomdrum(buffer& out, std::size_t at, double velocity, double hz) {
  double phase = 0.0;
  render(out, at, 0.35, [&](double t) {
    phase += 2.0 * pi * hz * (1.0 + 0.5 * std::exp(-t / 0.03)) / samplerate;
    const double attack = std::min(1.0, t / 0.001);
    return velocity * attack * std::sin(phase) * std::exp(-t / 0.12);
  });
}

void bassnote(buffer& out, std::size_t at, double gate, double pitch, double velocity) {
  const adsr env{0.004, 0.12, 0.7, 0.025};
  const double hz = midihz(pitch);
  double saw = 0.0, sub = 0.0;
  svfilter filter;
  render(out, at, env.length(gate), [&](double t) {
    const double dsaw = advance(saw, hz);
    const double dsub = advance(sub, hz * 0.5);
    const double raw = 0.7 * sawwave(saw, dsaw) + 0.5 * pulsewave(sub, dsub, 0.5);
    filter.run(raw, 180.0 + 1700.0 * std::exp(-t / 0.07), 0.55);
    return velocity * env.level(t, gate) * filter.low;
  });
}

void leadnote(buffer& out, std::size_t at, double gate, double pitch, double velocity,
              double pulsewidth) {
  const adsr env{0.006, 0.25, 0.75, 0.06};
  double a = 0.0, b = 0.37, vib = 0.0;
  svfilter filter;
  render(out, at, env.length(gate), [&](double t) {
    // Vibrato creeps in on held notes only.
    const double depth = 0.12 * std::clamp((t - 0.18) / 0.2, 0.0, 1.0);
    advance(vib, 5.6);
    const double hz = midihz(pitch + depth * std::sin(2.0 * pi * vib));
    const double da = advance(a, hz * 1.003);
    const double db = advance(b, hz * 0.997);
    const double raw = 0.6 * pulsewave(a, da, pulsewidth) + 0.4 * sawwave(b, db);
    filter.run(raw, 2600.0 + 2000.0 * std::exp(-t / 0.1), 0.9);
    return velocity * env.level(t, gate) * filter.low;
  });
}

void arpnote(buffer& out, std::size_t at, double gate, double pitch, double velocity) {
  const adsr env{0.003, 0.06, 0.25, 0.03};
  const double hz = midihz(pitch);
  double phase = 0.0;
  onepole filter;
  const double coef = lowpasscoef(3500.0);
  render(out, at, env.length(gate), [&](double t) {
    const double dt = advance(phase, hz);
    return velocity * env.level(t, gate) * filter.run(pulsewave(phase, dt, 0.25), coef);
  });
}

void padnote(buffer& left, buffer& right, std::size_t at, double gate, double pitch,
             double velocity) {
  const adsr env{0.18, 0.6, 0.8, 0.35};
  const double hz = midihz(pitch);
  const double coef = lowpasscoef(1400.0);
  auto side = [&](buffer& out, double detune, double start) {
    double phase = start;
    onepole f1, f2;
    render(out, at, env.length(gate), [&](double t) {
      const double dt = advance(phase, hz * detune);
      const double v = f2.run(f1.run(sawwave(phase, dt), coef), coef);
      return velocity * env.level(t, gate) * v;
    });
  };
  side(left, 0.996, 0.0);
  side(right, 1.004, 0.5);
}

}  // namespace assetgen
