// The particle ring: starting bursts at the cursor, updating them, and drawing what the frame saw.
#include "effects/particles.h"

namespace flopfist {

void particlering::clear() {
  bursts_.fill(dotburst{});
  drawn_.fill(false);
  kept_.fill(false);
  updated_ = false;
}

void particlering::start(float x, float y, float basevx, float basevy, int count, int plasma,
                         float speed, media::generator& rng, int robot, int radius) {
  if (cursor_ < 1 || cursor_ > slots) cursor_ = 1;
  keepdrawn(cursor_);
  bursts_[size_t(cursor_)].start(x, y, basevx, basevy, count, plasma, speed, rng, robot, radius);
  advance();
}

void particlering::startbatched(float x, float y, float basevx, float basevy, int count,
                                int plasma, float speed, media::generator& rng, int robot,
                                int radius) {
  if (cursor_ < 1 || cursor_ > slots) cursor_ = 1;
  keepdrawn(cursor_);
  bursts_[size_t(cursor_)].startbatched(x, y, basevx, basevy, count, plasma, speed, rng, robot,
                                        radius);
  advance();
}

void particlering::advance() {
  ++cursor_;
  if (cursor_ > slots) cursor_ = 1;
}

void particlering::keepdrawn(int slot) {
  if (!updated_ || !drawn_[size_t(slot)] || kept_[size_t(slot)]) return;
  keep_[size_t(slot)] = bursts_[size_t(slot)];
  kept_[size_t(slot)] = true;
}

void particlering::update(media::generator& rng) {
  kept_.fill(false);
  for (const int kind : {0, 1}) {
    for (int i = 1; i <= slots; ++i) {
      dotburst& b = bursts_[size_t(i)];
      if (kind == 0) drawn_[size_t(i)] = false;
      if (!b.alive || b.plasma != kind) continue;
      b.update(rng);
      drawn_[size_t(i)] = true;
    }
  }
  updated_ = true;
}

void particlering::draw(const view& v, const sprites& images) const {
  for (const int kind : {0, 1}) {
    for (int i = 1; i <= slots; ++i) {
      if (!drawn_[size_t(i)]) continue;
      const dotburst& b = kept_[size_t(i)] ? keep_[size_t(i)] : bursts_[size_t(i)];
      if (b.plasma == kind) b.draw(v, images);
    }
  }
}

}  // namespace flopfist
