// The four music tracks: a small sequencer and synthesiser.
#pragma once

#include <string>
#include <vector>

namespace assetgen {

struct stereo {
  std::vector<float> left;
  std::vector<float> right;
};

// Renders track 1..4 at the generator's sample rate.
stereo maketrack(int number);

// Writes music/tt1.ogg .. music/tt4.ogg under `outdir`, at a Vorbis quality from -0.1 to 1.
inline constexpr float musicquality = 0.3f;
bool writemusic(const std::string& outdir, float quality = musicquality);

}  // namespace assetgen
