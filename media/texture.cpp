// Textures on the current renderer: per-picture textures, the shared atlases and mip-level choice.
#include <algorithm>
#include <array>
#include <numeric>

#include "media/internal.h"
#include "media/media.h"

namespace media {

namespace {
constexpr int border = 2;  // repeated edge pixels around each picture in an atlas
constexpr int minwidth = 1024;

std::array<atlas, 4> atlases{atlas(false), atlas(true), atlas(false), atlas(true)};

// Copies bm into dst at (x, y) with its edge pixels repeated border pixels outwards.
void blitbordered(bitmap& dst, const bitmap& bm, int x, int y) {
  if (bm.pixels.empty()) return;
  for (int ty = -border; ty < bm.height + border; ++ty) {
    const int sy = std::clamp(ty, 0, bm.height - 1);
    for (int tx = -border; tx < bm.width + border; ++tx) {
      const int sx = std::clamp(tx, 0, bm.width - 1);
      dst.pixels[size_t(y + ty) * dst.width + x + tx] = bm.pixels[size_t(sy) * bm.width + sx];
    }
  }
}
}  // namespace

SDL_Texture* texture::get() {
  if (sys.renderer == nullptr) return nullptr;
  if (generation_ == sys.generation) return tex_;
  // Any older texture went with its renderer.
  generation_ = sys.generation;
  tex_ = SDL_CreateTexture(sys.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC,
                           pixels.width, pixels.height);
  if (tex_ != nullptr) {
    SDL_UpdateTexture(tex_, nullptr, pixels.pixels.data(), pixels.width * 4);
    SDL_SetTextureScaleMode(tex_, linear ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
  }
  return tex_;
}

void texture::changed() {
  if (tex_ != nullptr && generation_ == sys.generation && sys.renderer != nullptr) {
    flushbatch();  // queued drawing may still use it
    SDL_DestroyTexture(tex_);
  }
  tex_ = nullptr;
  generation_ = -1;
}

void atlas::addwhite() {
  if (whiteid_ >= 0) return;
  whiteid_ = int(members_.size());
  members_.push_back(bitmap{4, 4, std::vector<uint32_t>(16, 0xFFFFFFFFu)});
  laidout_ = false;
}

int atlas::add(const bitmap& bm) {
  addwhite();
  members_.push_back(bm);
  laidout_ = false;
  return int(members_.size()) - 1;
}

// Shelves of pictures, tallest first, in a texture at least 1024 pixels wide.
void atlas::layout() {
  std::vector<int> order(members_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return members_[size_t(a)].height > members_[size_t(b)].height;
  });
  int width = minwidth;
  for (const bitmap& bm : members_) width = std::max(width, bm.width + 2 * border);
  places_.assign(members_.size(), SDL_Rect{});
  int x = 0, y = 0, shelf = 0;
  for (int id : order) {
    const bitmap& bm = members_[size_t(id)];
    if (x + bm.width + 2 * border > width) {
      x = 0;
      y += shelf;
      shelf = 0;
    }
    places_[size_t(id)] = SDL_Rect{x + border, y + border, bm.width, bm.height};
    x += bm.width + 2 * border;
    shelf = std::max(shelf, bm.height + 2 * border);
  }
  bitmap& all = texture_.pixels;
  all.width = width;
  all.height = std::max(4, (y + shelf + 3) / 4 * 4);
  all.pixels.assign(size_t(all.width) * all.height, 0);
  for (size_t i = 0; i < members_.size(); ++i)
    blitbordered(all, members_[i], places_[i].x, places_[i].y);
  texture_.linear = linear_;
  texture_.changed();
  laidout_ = true;
}

texturepart atlas::part(int id) {
  if (!laidout_) layout();
  current_ = texture_.get();
  const SDL_Rect& r = places_[size_t(id)];
  const float w = float(texture_.pixels.width), h = float(texture_.pixels.height);
  return {current_, float(r.x) / w, float(r.y) / h, float(r.x + r.w) / w, float(r.y + r.h) / h};
}

texturepart atlas::white() {
  addwhite();
  texturepart p = part(whiteid_);
  // The middle of the patch: every filter sees white there.
  p.u0 = p.u1 = (p.u0 + p.u1) / 2;
  p.v0 = p.v1 = (p.v0 + p.v1) / 2;
  return p;
}

void atlas::clear() {
  texture_.changed();
  members_.clear();
  places_.clear();
  current_ = nullptr;
  laidout_ = false;
  whiteid_ = -1;
}

atlas& sharedatlas(bool linear, bool mask) {
  return atlases[size_t((mask ? 2 : 0) + (linear ? 1 : 0))];
}

void clearatlases() {
  for (atlas& a : atlases) a.clear();
}

texturepart whitepart() {
  SDL_Texture* now = batchingtexture();
  for (atlas& a : atlases) {
    if (a.holds(now)) return a.white();
  }
  return sharedatlas(false, false).white();
}

void textureset::build(bitmap base, bool linear, bool mipmapped, bool shared, int maxlevels) {
  shared_ = shared;
  linear_ = linear;
  levels_.clear();
  masklevels_.clear();
  ids_.clear();
  maskids_.clear();
  levels_.emplace_back();
  levels_.back().pixels = std::move(base);
  while (mipmapped && int(levels_.size()) < maxlevels &&
         (levels_.back().pixels.width > 1 || levels_.back().pixels.height > 1)) {
    texture next;
    next.pixels = halve(levels_.back().pixels);
    levels_.push_back(std::move(next));
  }
  for (texture& t : levels_) {
    t.linear = linear;
    if (shared) ids_.push_back(sharedatlas(linear, false).add(t.pixels));
  }
}

texturepart textureset::level(size_t i, bool mask) {
  if (mask && masklevels_.empty()) {
    for (const texture& t : levels_) {
      masklevels_.emplace_back();
      masklevels_.back().pixels = binarised(t.pixels);
      masklevels_.back().linear = linear_;
      if (shared_) maskids_.push_back(sharedatlas(linear_, true).add(masklevels_.back().pixels));
    }
  }
  if (shared_) return sharedatlas(linear_, mask).part(mask ? maskids_[i] : ids_[i]);
  return {(mask ? masklevels_ : levels_)[i].get(), 0, 0, 1, 1};
}

texturepart textureset::pick(float drawnw, float drawnh) {
  if (levels_.empty()) return {};
  // The smallest copy still at least as large as the picture on the screen: filtering then never
  // has to skip pixels, which is what makes a shrunken image shimmer.
  drawnw *= sys.pixelscale;
  drawnh *= sys.pixelscale;
  size_t i = 0;
  while (i + 1 < levels_.size() && float(levels_[i + 1].pixels.width) >= drawnw &&
         float(levels_[i + 1].pixels.height) >= drawnh) {
    ++i;
  }
  return level(i, getblend() == blend::mask);
}

}  // namespace media
