// The Ogg Vorbis writer for the music tracks.
#pragma once

#include <string>
#include <vector>

namespace assetgen {

// Encodes interleaved-free stereo float samples (-1..1) at `rate` Hz with libvorbisenc VBR at
// `quality`. The stream serial number is fixed so the same samples give the same bytes.
// Returns false when the file cannot be written or the encoder refuses the settings.
bool writeogg(const std::string& path, const std::vector<float>& left,
              const std::vector<float>& right, int rate, float quality, int serial);

}  // namespace assetgen
