// Images: PNG decoding, load flags, handles and the chain of pre-scaled copies.
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>

#include "media/internal.h"
#include "media/media.h"

namespace media {

struct image {
  textureset textures;
  float handlex = 0, handley = 0;
};

namespace {
int defaultflags = 0;
std::map<std::string, std::unique_ptr<image>> images;  // by flags and path, for the whole run

uint32_t part(uint32_t p, int shift) {
  return (p >> shift) & 255;
}
uint32_t pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}

// Gives fully transparent pixels the colour of their visible neighbours, so that filtering at
// an edge does not blend in the black of the invisible pixels.
void bleedcolour(bitmap& bm) {
  const bitmap src = bm;
  for (int y = 0; y < bm.height; ++y) {
    for (int x = 0; x < bm.width; ++x) {
      if (part(src.pixels[size_t(y) * bm.width + x], 24) != 0) continue;
      uint32_t r = 0, g = 0, b = 0, n = 0;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = x + dx, ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= bm.width || ny >= bm.height) continue;
          const uint32_t p = src.pixels[size_t(ny) * bm.width + nx];
          if (part(p, 24) == 0) continue;
          r += part(p, 16), g += part(p, 8), b += part(p, 0), ++n;
        }
      }
      if (n > 0) bm.pixels[size_t(y) * bm.width + x] = pack(0, r / n, g / n, b / n);
    }
  }
}
}  // namespace

namespace {
// Area weights of the source pixels covered by each destination pixel along one axis, when n
// source pixels shrink to m.
struct span {
  int first = 0;
  std::vector<float> weights;
};
std::vector<span> shrinkspans(int n, int m) {
  std::vector<span> spans(static_cast<size_t>(m));
  const double ratio = double(n) / m;
  for (int i = 0; i < m; ++i) {
    const double from = i * ratio, to = (i + 1) * ratio;
    span& s = spans[size_t(i)];
    s.first = int(from);
    for (int k = s.first; k < n && k < to; ++k) {
      const double overlap = std::min(to, double(k + 1)) - std::max(from, double(k));
      s.weights.push_back(float(overlap / ratio));
    }
  }
  return spans;
}
}  // namespace

// Each pixel of the half-size copy averages exactly the area of the original it covers, weighted
// by alpha so that transparent pixels do not darken the edge of what remains visible. Odd sizes
// are covered whole, so the picture keeps its proportions down the chain.
bitmap halve(const bitmap& src) {
  bitmap dst;
  dst.width = src.width > 1 ? src.width / 2 : 1;
  dst.height = src.height > 1 ? src.height / 2 : 1;
  const std::vector<span> xs = shrinkspans(src.width, dst.width),
                          ys = shrinkspans(src.height, dst.height);
  // Premultiplied rows shrunk across first, then down.
  std::vector<std::array<float, 4>> rows(size_t(dst.width) * src.height);
  for (int y = 0; y < src.height; ++y) {
    for (int x = 0; x < dst.width; ++x) {
      std::array<float, 4> sum{};
      const span& s = xs[size_t(x)];
      for (size_t k = 0; k < s.weights.size(); ++k) {
        const uint32_t p = src.pixels[size_t(y) * src.width + s.first + int(k)];
        const float a = float(part(p, 24)) * s.weights[k];
        sum[0] += a, sum[1] += float(part(p, 16)) * a, sum[2] += float(part(p, 8)) * a,
            sum[3] += float(part(p, 0)) * a;
      }
      rows[size_t(y) * dst.width + x] = sum;
    }
  }
  dst.pixels.resize(size_t(dst.width) * dst.height);
  for (int y = 0; y < dst.height; ++y) {
    const span& s = ys[size_t(y)];
    for (int x = 0; x < dst.width; ++x) {
      std::array<float, 4> sum{};
      for (size_t k = 0; k < s.weights.size(); ++k) {
        const std::array<float, 4>& r = rows[size_t(s.first + int(k)) * dst.width + x];
        for (int c = 0; c < 4; ++c) sum[size_t(c)] += r[size_t(c)] * s.weights[k];
      }
      const float a = sum[0];
      auto byte = [](float v) { return uint32_t(std::clamp(v + 0.5f, 0.0f, 255.0f)); };
      dst.pixels[size_t(y) * dst.width + x] =
          a <= 0 ? 0 : pack(byte(a), byte(sum[1] / a), byte(sum[2] / a), byte(sum[3] / a));
    }
  }
  bleedcolour(dst);
  return dst;
}

bitmap binarised(const bitmap& src) {
  bitmap dst = src;
  for (uint32_t& p : dst.pixels) p = (p & 0x00FFFFFF) | (part(p, 24) >= 128 ? 0xFF000000u : 0u);
  return dst;
}

bitmap decodepng(const std::string& path) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&png, path.c_str()) == 0) {
    if (!fileexists(path)) missingfile(path);
    badfile(path, png.message);
  }
  png.format = PNG_FORMAT_BGRA;  // little-endian 0xAARRGGBB words
  bitmap bm;
  bm.width = int(png.width);
  bm.height = int(png.height);
  bm.pixels.resize(size_t(bm.width) * bm.height);
  if (png_image_finish_read(&png, nullptr, bm.pixels.data(), 0, nullptr) == 0) {
    png_image_free(&png);
    badfile(path, png.message);
  }
  return bm;
}

void setimageflags(int flags) {
  if (flags != -1) defaultflags = flags;
}

image* loadimage(const std::string& asked, int flags) {
  const std::string path = assetpath(asked);
  if (flags == -1) flags = defaultflags;
  const std::string key = std::to_string(flags) + ":" + path;
  auto found = images.find(key);
  if (found != images.end()) return found->second.get();
  bitmap bm = decodepng(path);
  if ((flags & imageflag::masked) != 0) {
    for (uint32_t& p : bm.pixels) {
      if ((p & 0x00FFFFFF) == 0) p = 0;
    }
  }
  auto img = std::make_unique<image>();
  img->textures.build(std::move(bm), (flags & imageflag::filtered) != 0,
                      (flags & imageflag::mipmapped) != 0, true);
  image* result = img.get();
  images.emplace(key, std::move(img));
  return result;
}

void resetimages() {
  defaultflags = 0;
  for (auto& [key, img] : images) img->handlex = img->handley = 0;
}

void midhandle(image* img) {
  img->handlex = float(img->textures.width()) / 2;
  img->handley = float(img->textures.height()) / 2;
}

int imagewidth(const image* img) {
  return img->textures.width();
}
int imageheight(const image* img) {
  return img->textures.height();
}

void drawimage(image* img, float x, float y, int /*frame: images hold one frame*/) {
  if (img == nullptr || !drawingvisible()) return;
  const float w = float(img->textures.width()), h = float(img->textures.height());
  const texturepart part = img->textures.pick(w * std::abs(scalex()), h * std::abs(scaley()));
  if (part.tex == nullptr) return;
  const float left = -img->handlex, top = -img->handley;
  const SDL_FPoint corners[4] = {placed(x, y, left, top), placed(x, y, left + w, top),
                                 placed(x, y, left + w, top + h), placed(x, y, left, top + h)};
  const SDL_FPoint uv[4] = {
      {part.u0, part.v0}, {part.u1, part.v0}, {part.u1, part.v1}, {part.u0, part.v1}};
  addquad(part.tex, corners, uv);
}

void freeimages() {
  images.clear();
  clearatlases();
}

}  // namespace media
