// The two sound effects and the WAV writer.
#pragma once

#include <string>
#include <vector>

namespace assetgen {

// 16-bit mono PCM WAV at the generator's sample rate; samples are clamped to -1..1.
bool writewav(const std::string& path, const std::vector<float>& samples);

std::vector<float> makeblow();   // a short punchy hit
std::vector<float> makeblock();  // a short dull block

// Writes sounds/blow.wav and sounds/block.wav under `outdir`.
bool writesounds(const std::string& outdir);

}  // namespace assetgen
