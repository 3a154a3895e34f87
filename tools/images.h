// The game's four pictures.
#pragma once

#include <string>

#include "pngfile.h"

namespace assetgen {

raster makequad();    // 280 x 280 opaque white
raster makeball();    // 280 x 280 shaded white ball, anti-aliased edge
raster makespark();   // small additive glow, white centre fading to black
raster makesplash();  // 205 x 275 splash illustration
raster makeicon(int size);  // size x size: the splash's fighter and blow on a rounded square

// The sizes of the desktop icon, written as images/icon<size>.png.
constexpr int iconsizes[] = {48, 64, 128, 256};

// Writes the pictures and the icons into images/ under `outdir`.
bool writeimages(const std::string& outdir);

}  // namespace assetgen
