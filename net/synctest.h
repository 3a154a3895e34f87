// The sync test: every frame goes back a few frames and steps them again, and each state reached a
// second time must hash as it did the first time. It finds state a saved copy forgets.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "net/session.h"

namespace flopfist::net {

class synctest {
 public:
  explicit synctest(int distance = 8);

  // The frame's input for both sides; the requests to carry out, as a session gives them.
  std::span<const request> advance(std::array<uint16_t, 2> inputs);
  void saved(int frame, uint64_t hash);

  int frame() const { return current_; }
  int distance() const { return distance_; }
  int mismatches() const { return mismatches_; }
  int firstmismatch() const { return first_; }  // -1: none

 private:
  void push(requestkind kind, int frame);
  void pushsave(int frame);

  int distance_;
  int current_ = 0;
  std::array<std::array<uint16_t, 2>, session::ring> inputs_{};
  std::array<uint64_t, session::ring> hash_{};
  std::array<int32_t, session::ring> hashframe_{};
  std::array<request, 3 * session::ring> requests_{};
  int requestcount_ = 0;
  int mismatches_ = 0;
  int first_ = -1;
};

}  // namespace flopfist::net
