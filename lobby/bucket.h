// A token bucket in whole numbers: `rate` units a second flow in, at most `capacity` are kept, and
// a cost is paid only in full. Time is in ms; the level is kept in thousandths so nothing is lost
// to rounding at any rate.
#pragma once

#include <algorithm>
#include <cstdint>

namespace flopfist::lobby {

class bucket {
 public:
  bucket(uint64_t rate, uint64_t capacity) : rate_(rate), capacity_(capacity * 1000), level_(capacity_) {}

  bool take(uint64_t cost, uint64_t now) {
    if (now > last_) {
      level_ = std::min(capacity_, level_ + (now - last_) * rate_);
      last_ = now;
    }
    if (level_ < cost * 1000) return false;
    level_ -= cost * 1000;
    return true;
  }
  // Time starts here: the bucket is full at `now`.
  void start(uint64_t now) {
    last_ = now;
    level_ = capacity_;
  }

 private:
  uint64_t rate_, capacity_, level_;
  uint64_t last_ = 0;
};

}  // namespace flopfist::lobby
