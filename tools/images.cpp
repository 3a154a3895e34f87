// The game's pictures: the limb quad, the joint ball, the spark glow and the splash illustration.
#include "images.h"

#include <algorithm>
#include <cmath>

#include "splash.h"

namespace assetgen {

namespace {

constexpr int subsamples = 4;  // per axis, on a fixed grid so the result never varies

std::uint8_t byte(double v) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
}

void put(raster& img, int x, int y, double r, double g, double b, double a) {
  std::uint8_t* p = img.at(x, y);
  p[0] = byte(r);
  p[1] = byte(g);
  p[2] = byte(b);
  p[3] = byte(a);
}

double suboffset(int i) {
  return (i + 0.5) / subsamples;
}

// Brightness of the ball's surface at unit-disc position (u, v): light from the upper left,
// falling off toward the rim but never below about two thirds so tints stay clear.
double ballshade(double u, double v) {
  const double nz = std::sqrt(std::max(0.0, 1.0 - u * u - v * v));
  const double lx = -0.45, ly = -0.55, lz = 0.70;
  const double len = std::sqrt(lx * lx + ly * ly + lz * lz);
  const double lambert = (u * lx + v * ly + nz * lz) / len;
  const double shade = 0.64 + 0.36 * (0.5 + 0.5 * lambert);
  return std::min(1.0, shade * (0.86 + 0.18 * nz));
}

}  // namespace

raster makequad() {
  raster img(280, 280);
  std::fill(img.pixels.begin(), img.pixels.end(), std::uint8_t{255});
  return img;
}

raster makeball() {
  constexpr double centre = 140.0, radius = 139.0;
  const double rim = ballshade(1.0, 0.0);
  raster img(280, 280);
  for (int y = 0; y < 280; ++y)
    for (int x = 0; x < 280; ++x) {
      double covered = 0.0, light = 0.0;
      for (int sy = 0; sy < subsamples; ++sy)
        for (int sx = 0; sx < subsamples; ++sx) {
          const double u = (x + suboffset(sx) - centre) / radius,
                       v = (y + suboffset(sy) - centre) / radius;
          if (u * u + v * v > 1.0) continue;
          covered += 1.0;
          light += ballshade(u, v);
        }
      // Outside pixels keep a rim-like grey so filtering never pulls a dark fringe into the edge.
      const double c = covered > 0.0 ? light / covered : rim;
      put(img, x, y, c, c, c, covered / (subsamples * subsamples));
    }
  return img;
}

raster makespark() {
  constexpr int size = 24;
  raster img(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      double sum = 0.0;
      for (int sy = 0; sy < subsamples; ++sy)
        for (int sx = 0; sx < subsamples; ++sx) {
          const double u = (x + suboffset(sx)) / (size / 2.0) - 1.0,
                       v = (y + suboffset(sy)) / (size / 2.0) - 1.0;
          const double d2 = u * u + v * v;
          if (d2 < 1.0) sum += std::pow(1.0 - d2, 3.0);
        }
      const double c = sum / (subsamples * subsamples);
      put(img, x, y, c, c, c, 1.0);
    }
  return img;
}

raster makesplash() {
  constexpr int width = 205, height = 275;
  const splashscene scene;
  raster img(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      colour sum{0, 0, 0};
      for (int sy = 0; sy < subsamples; ++sy)
        for (int sx = 0; sx < subsamples; ++sx) {
          const colour c = scene.sample(x + suboffset(sx), y + suboffset(sy));
          sum.r += c.r;
          sum.g += c.g;
          sum.b += c.b;
        }
      const double n = subsamples * subsamples;
      put(img, x, y, sum.r / n, sum.g / n, sum.b / n, 1.0);
    }
  return img;
}

raster makeicon(int size) {
  // The splash's square around the fighter and the blow, scaled to the icon; the corners are
  // rounded so the icon reads as one object on any desktop.
  constexpr double side = 205.0, top = 40.0;
  const double corner = 0.2 * size, scale = side / size;
  const splashscene scene;
  raster img(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      colour sum{0, 0, 0};
      double covered = 0.0;
      for (int sy = 0; sy < subsamples; ++sy)
        for (int sx = 0; sx < subsamples; ++sx) {
          const double px = x + suboffset(sx), py = y + suboffset(sy);
          // Distance outside the rounded square, measured from the corner circles' centres.
          const double dx = std::max(0.0, std::abs(px - size / 2.0) - (size / 2.0 - corner));
          const double dy = std::max(0.0, std::abs(py - size / 2.0) - (size / 2.0 - corner));
          if (dx * dx + dy * dy > corner * corner) continue;
          const colour c = scene.sample(px * scale, top + py * scale);
          sum.r += c.r;
          sum.g += c.g;
          sum.b += c.b;
          covered += 1.0;
        }
      if (covered == 0.0) continue;  // transparent black outside
      put(img, x, y, sum.r / covered, sum.g / covered, sum.b / covered, covered / (subsamples * subsamples));
    }
  return img;
}

bool writeimages(const std::string& outdir) {
  const std::string dir = outdir + "/images/";
  bool ok = writepng(dir + "quad280.png", makequad()) &&
            writepng(dir + "ballimage280.png", makeball()) &&
            writepng(dir + "spark.png", makespark()) && writepng(dir + "205275.png", makesplash());
  for (int size : iconsizes) ok = ok && writepng(dir + "icon" + std::to_string(size) + ".png", makeicon(size));
  return ok;
}

}  // namespace assetgen
