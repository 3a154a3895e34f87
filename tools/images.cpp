// The game's pictures: the limb quad, the joint ball, the spark glow and the splash illustration.
#include "images.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

namespace {

std::uint8_t byte(double v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

void put(raster& img, int x, int y, double r, double g, double b, double a) {
  std::uint8_t* p = img.at(x, y);
  p[0] = byte(r);
  p[1] = byte(g);
  p[2] = byte(b);
  p[3] = byte(a);
}

}  // namespace

raster makequad() {
  raster img(280, 280);
  std::fill(img.pixels.begin(), img.pixels.end(), std::uint8_t{255});
  return img;
}

raster makeball() {
  raster img(280, 280);
  for (int y = 0; y < 280; ++y)
    for (int x = 0; x < 280; ++x) {
      const double d = std::hypot(x + 0.5 - 140.0, y + 0.5 - 140.0);
      put(img, x, y, 1, 1, 1, std::clamp(139.0 - d + 0.5, 0.0, 1.0));
    }
  return img;
}

raster makespark() {
  raster img(24, 24);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x) {
      const double d = std::hypot(x + 0.5 - 12.0, y + 0.5 - 12.0) / 12.0;
      const double v = std::clamp(1.0 - d, 0.0, 1.0);
      put(img, x, y, v, v, v, 1);
    }
  return img;
}

raster makesplash() {
  raster img(205, 275);
  for (int y = 0; y < 275; ++y)
    for (int x = 0; x < 205; ++x) put(img, x, y, 0.1, 0.05, 0.2 + 0.5 * y / 275.0, 1);
  return img;
}

bool writeimages(const std::string& outdir) {
  const std::string dir = outdir + "/images/";
  return writepng(dir + "quad280.png", makequad()) && writepng(dir + "ballimage280.png", makeball()) &&
         writepng(dir + "spark.png", makespark()) && writepng(dir + "205275.png", makesplash());
}

}  // namespace assetgen
