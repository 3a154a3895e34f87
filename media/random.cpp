// The Park-Miller minimal standard random generator: the game's one source of chance.
#include "media/media.h"

namespace media {

namespace {
constexpr int32_t modulus = 2147483647;  // 2^31 - 1
constexpr int32_t startstate = 4660;
int32_t state = startstate;

// One step of state = 48271 * state mod (2^31 - 1), by Schrage's method so nothing overflows.
int32_t step() {
  const int32_t next = 48271 * (state % 44488) - 3399 * (state / 44488);
  state = next < 0 ? next + modulus : next;
  return state;
}

// The two-step unit real shared by the ranged forms.
double twostep() {
  const int32_t s1 = step();
  const int32_t s2 = step();
  return (double(s1 & 0x1FFFFFFC) + double(s2 & 0x1FFFFFF8) / 134217728.0) / 536870912.0;
}
}  // namespace

void resetrandom() {
  state = startstate;
}

void seedrnd(int seed) {
  state = seed & 0x7FFFFFFF;
  if (state == 0 || state == modulus) state = startstate;
}

int rndstate() {
  return state;
}

double rnd() {
  return double(step() & 0x0FFFFFF0) / 268435456.0;
}

double rnd(double min, double max) {
  const double u = twostep();
  return max > min ? min + u * (max - min) : max + u * (min - max);
}

// The offset u * span is truncated before the lower end is added: truncating the sum toward zero
// would give max + 1 for ranges below zero (rndint(-3, -1) could return 0).
int rndint(int min, int max) {
  const double u = twostep();
  const int64_t lo = max > min ? min : max;
  const double span = max > min ? double(max) - min + 1 : double(min) - max + 1;
  return int(lo + int64_t(u * span));
}

}  // namespace media
