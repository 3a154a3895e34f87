// The Park-Miller minimal standard generator as a value, so a match can carry its own.
#pragma once

#include <cstdint>
#include <span>

#include "media/cpu.h"

namespace media {

class generator {
 public:
  static constexpr int32_t modulus = 2147483647;  // 2^31 - 1
  static constexpr int32_t startstate = 4660;

  generator() = default;
  // A state of 0 or 2^31 - 1 would stick: such a seed gives the start state instead.
  explicit generator(int seed) { reseed(seed); }
  void reseed(int seed) {
    state_ = seed & 0x7FFFFFFF;
    if (state_ == 0 || state_ == modulus) state_ = startstate;
  }
  int state() const { return state_; }

  double rnd() { return unit(step()); }  // one step: [0, 1)
  // The one-step real a state gives: rnd() is unit() of the state its step reached.
  static double unit(int32_t state) { return double(state & 0x0FFFFFF0) / 268435456.0; }
  // The states of the next out.size() steps, in order; the generator ends where they leave it.
  void steps(std::span<int32_t> out);
  // steps by its widest build up to the given set that the machine runs.
  void steps(std::span<int32_t> out, isa set);
  double rnd(double min, double max) {                                // two steps: [min, max)
    const double u = twostep();
    return max > min ? min + u * (max - min) : max + u * (min - max);
  }
  // The offset u * span is truncated before the lower end is added: truncating the sum toward
  // zero would give max + 1 for ranges below zero (rndint(-3, -1) could return 0).
  int rndint(int min, int max) {  // two steps: [min, max]
    const double u = twostep();
    const int64_t lo = max > min ? min : max;
    const double span = max > min ? double(max) - min + 1 : double(min) - max + 1;
    return int(lo + int64_t(u * span));
  }

  bool operator==(const generator&) const = default;

 private:
  // One step of state = 48271 * state mod (2^31 - 1), by Schrage's method so nothing overflows.
  int32_t step() {
    const int32_t next = 48271 * (state_ % 44488) - 3399 * (state_ / 44488);
    state_ = next < 0 ? next + modulus : next;
    return state_;
  }
  // The two-step unit real shared by the ranged forms.
  double twostep() {
    const int32_t s1 = step();
    const int32_t s2 = step();
    return (double(s1 & 0x1FFFFFFC) + double(s2 & 0x1FFFFFF8) / 134217728.0) / 536870912.0;
  }

  int32_t state_ = startstate;
};

// The generator behind media::rnd, rndint and seedrnd: the menus draw from it, a match starts from
// a copy of it and hands its own back when it ends.
generator& sharedgenerator();

}  // namespace media
