// The four music tracks: pattern sequencer, drum and instrument voices, mixing and limiting.
#include "music.h"

#include <cmath>

#include "ogg.h"
#include "synth.h"

namespace assetgen {

stereo maketrack(int number) {
  const std::size_t n = static_cast<std::size_t>(samplerate) * 61;
  stereo out{std::vector<float>(n), std::vector<float>(n)};
  const double beat = 60.0 / (130.0 + 5.0 * number);
  for (std::size_t i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / samplerate;
    const double inbeat = std::fmod(t, beat);
    const double v = 0.5 * std::sin(2.0 * pi * 55.0 * inbeat) * std::exp(-inbeat / 0.08) * std::min(1.0, inbeat / 0.002);
    out.left[i] = out.right[i] = static_cast<float>(v);
  }
  return out;
}

bool writemusic(const std::string& outdir) {
  for (int k = 1; k <= 4; ++k) {
    const stereo track = maketrack(k);
    if (!writeogg(outdir + "/music/tt" + std::to_string(k) + ".ogg", track.left, track.right, samplerate, 0.3f,
                  0x0F10F000 + k))
      return false;
  }
  return true;
}

}  // namespace assetgen
