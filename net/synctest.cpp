// The sync test's requests: the frame stepped and saved, then the last few restored and stepped again.
#include "net/synctest.h"

#include <algorithm>

namespace flopfist::net {

namespace {
size_t slot(int frame) { return size_t(frame) % size_t(session::ring); }
}  // namespace

synctest::synctest(int distance) : distance_(std::clamp(distance, 1, session::ring / 2)) {
  hashframe_.fill(-1);
}

void synctest::push(requestkind kind, int frame) {
  request& r = requests_[size_t(requestcount_++)];
  r.kind = kind;
  r.frame = frame;
  r.inputs = inputs_[slot(frame)];
  r.fresh = false;
}

// Every state saved is hashed at once: the second time a frame's state is reached it is compared.
void synctest::pushsave(int frame) {
  push(requestkind::save, frame);
  push(requestkind::checksum, frame);
}

std::span<const request> synctest::advance(std::array<uint16_t, 2> inputs) {
  requestcount_ = 0;
  inputs_[slot(current_)] = inputs;
  pushsave(current_);
  push(requestkind::advance, current_);
  requests_[size_t(requestcount_ - 1)].fresh = true;
  ++current_;
  const int back = current_ - distance_;
  if (back >= 0) {
    // Saved states from `back` on are stepped again; each save compares with the first run.
    push(requestkind::restore, back);
    for (int f = back; f < current_; ++f) {
      if (f > back) pushsave(f);
      push(requestkind::advance, f);
    }
    pushsave(current_);
  }
  return {requests_.data(), size_t(requestcount_)};
}

void synctest::saved(int frame, uint64_t hash) {
  const size_t s = slot(frame);
  if (hashframe_[s] != frame) {
    hashframe_[s] = frame;
    hash_[s] = hash;
    return;
  }
  if (hash_[s] != hash) {
    ++mismatches_;
    if (first_ < 0 || frame < first_) first_ = frame;
  }
}

}  // namespace flopfist::net
