// The game's four pictures.
#pragma once

#include <string>

#include "pngfile.h"

namespace assetgen {

raster makequad();    // 280 x 280 opaque white
raster makeball();    // 280 x 280 shaded white ball, anti-aliased edge
raster makespark();   // small additive glow, white centre fading to black
raster makesplash();  // 205 x 275 splash illustration

// Writes the four PNGs into images/ under `outdir`.
bool writeimages(const std::string& outdir);

}  // namespace assetgen
