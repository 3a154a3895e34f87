// An RGBA raster and the PNG writer the generator saves it with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

struct raster {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // RGBA, row by row from the top

  raster(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h * 4, 0) {}
  std::uint8_t* at(int x, int y) { return &pixels[(static_cast<std::size_t>(y) * width + x) * 4]; }
};

// Writes an 8-bit RGBA PNG with no time stamp, so the bytes depend only on the pixels.
// Returns false when the file cannot be written.
bool writepng(const std::string& path, const raster& img);

}  // namespace assetgen
