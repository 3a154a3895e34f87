// The two sound effects, synthesised from a pitched thump and a filtered noise burst, and the WAV
// writer.
#include "sounds.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>

#include "synth.h"

namespace assetgen {

namespace {

void put16(std::ofstream& out, std::uint16_t v) {
  const char b[2] = {static_cast<char>(v & 0xff), static_cast<char>(v >> 8)};
  out.write(b, 2);
}

void put32(std::ofstream& out, std::uint32_t v) {
  put16(out, static_cast<std::uint16_t>(v & 0xffff));
  put16(out, static_cast<std::uint16_t>(v >> 16));
}

// Scales the sound so its loudest sample sits at `peak`, and fades the last few milliseconds so
// the sample ends on silence.
void finish(std::vector<float>& s, double peak) {
  float top = 0.0f;
  for (float v : s) top = std::max(top, std::fabs(v));
  const double gain = top > 0.0f ? peak / top : 0.0;
  const std::size_t fade = std::min<std::size_t>(s.size(), samplerate / 200);
  for (std::size_t i = 0; i < s.size(); ++i) {
    const std::size_t left = s.size() - i;
    const double tail =
        left < fade ? static_cast<double>(left - 1) / static_cast<double>(fade) : 1.0;
    s[i] = static_cast<float>(s[i] * gain * tail);
  }
}

// A sine whose pitch falls from `fromhz` to `tohz` with time constant `sweep` seconds.
struct thump {
  double fromhz, tohz, sweep, phase = 0.0;
  double run(double t) {
    const double hz = tohz + (fromhz - tohz) * std::exp(-t / sweep);
    phase += 2.0 * pi * hz / samplerate;
    return std::sin(phase);
  }
};

}  // namespace

bool writewav(const std::string& path, const std::vector<float>& samples) {
  std::ofstream out(path, std::ios::binary);
  if (!out) return false;
  const auto bytes = static_cast<std::uint32_t>(samples.size() * 2);
  out.write("RIFF", 4);
  put32(out, 36 + bytes);
  out.write("WAVEfmt ", 8);
  put32(out, 16);  // PCM format chunk size
  put16(out, 1);   // PCM
  put16(out, 1);   // mono
  put32(out, samplerate);
  put32(out, samplerate * 2);  // bytes per second
  put16(out, 2);               // block align
  put16(out, 16);              // bits per sample
  out.write("data", 4);
  put32(out, bytes);
  for (float v : samples) {
    const double c = std::clamp(static_cast<double>(v), -1.0, 1.0);
    put16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(c * 32767.0))));
  }
  return static_cast<bool>(out);
}

std::vector<float> makeblow() {
  const int n = samplerate * 200 / 1000;
  std::vector<float> s(static_cast<std::size_t>(n));
  prng rng(0xB10Bu);
  thump body{190.0, 52.0, 0.025};
  svfilter crack, slap;
  onepole smooth;
  for (int i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / samplerate;
    const double attack = std::min(1.0, t / 0.0015);
    const double noise = rng.signedunit();
    crack.run(noise, 3200.0, 0.7);
    slap.run(noise, 900.0, 0.9);
    const double low = body.run(t) * attack * std::exp(-t / 0.055);
    const double hi = crack.band * attack * std::exp(-t / 0.012);
    const double mid = slap.band * attack * std::exp(-t / 0.035);
    s[static_cast<std::size_t>(i)] =
        static_cast<float>(smooth.run(1.0 * low + 0.9 * hi + 0.7 * mid, lowpasscoef(9000.0)));
  }
  finish(s, 0.85);
  return s;
}

std::vector<float> makeblock() {
  const int n = samplerate * 130 / 1000;
  std::vector<float> s(static_cast<std::size_t>(n));
  prng rng(0xB10Cu);
  thump body{120.0, 62.0, 0.02};
  svfilter knock;
  onepole dull, dull2;
  for (int i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / samplerate;
    const double attack = std::min(1.0, t / 0.003);
    knock.run(rng.signedunit(), 420.0, 0.5);
    const double low = body.run(t) * attack * std::exp(-t / 0.04);
    const double wood = knock.band * attack * std::exp(-t / 0.022);
    const double mix = dull.run(0.9 * low + 0.6 * wood, lowpasscoef(1400.0));
    s[static_cast<std::size_t>(i)] = static_cast<float>(dull2.run(mix, lowpasscoef(1400.0)));
  }
  finish(s, 0.6);
  return s;
}

bool writesounds(const std::string& outdir) {
  return writewav(outdir + "/sounds/blow.wav", makeblow()) &&
         writewav(outdir + "/sounds/block.wav", makeblock());
}

}  // namespace assetgen
