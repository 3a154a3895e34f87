// The generator the menus draw from; a match takes a copy and hands it back when it ends.
#include "media/random.h"

#include <algorithm>

#include "media/cpu.h"
#include "media/media.h"

namespace media {

namespace {
generator shared;

// 48271^8 mod (2^31 - 1): the multiplier of eight steps at once.
constexpr uint64_t eightsteps = [] {
  uint64_t m = 1;
  for (int i = 0; i < 8; ++i) m = m * 48271 % uint64_t(generator::modulus);
  return m;
}();

// m * state mod (2^31 - 1) by folding the 62-bit product twice (2^31 is 1 modulo the modulus);
// the second fold fits 32 bits, and the smaller of v and v - modulus is v reduced.
[[gnu::always_inline]] inline int32_t mulmod(uint64_t m, int32_t state) {
  const uint64_t p = m * uint64_t(uint32_t(state));
  const uint32_t once = uint32_t((p & uint64_t(generator::modulus)) + (p >> 31));
  const uint32_t twice = (once & uint32_t(generator::modulus)) + (once >> 31);
  return int32_t(std::min(twice, twice - uint32_t(generator::modulus)));
}

// Every state from slot `from` on, each eight steps after the one eight slots back: eight chains
// side by side, so the multiplies overlap, in vector lanes where they fit.
[[gnu::always_inline]] inline void jump(std::span<int32_t> out, size_t from) {
  const size_t n = out.size();
  size_t i = from;
  for (; i + 8 <= n; i += 8) {
    for (size_t lane = 0; lane < 8; ++lane) out[i + lane] = mulmod(eightsteps, out[i + lane - 8]);
  }
  for (; i < n; ++i) out[i] = mulmod(eightsteps, out[i - 8]);
}

void jumpplain(std::span<int32_t> out, size_t from) {
  jump(out, from);
}
AVX2BUILD void jumpavx2(std::span<int32_t> out, size_t from) {
  jump(out, from);
}
}  // namespace

void generator::steps(std::span<int32_t> out) {
  steps(out, bestisa());
}

// The first eight one at a time, then the eight chains; both builds give the same states.
void generator::steps(std::span<int32_t> out, isa set) {
  const size_t n = out.size();
  size_t i = 0;
  for (; i < n && i < 8; ++i) out[i] = step();
  if (set != isa::plain && has(isa::avx2)) {
    jumpavx2(out, i);
  } else {
    jumpplain(out, i);
  }
  state_ = n > 0 ? out[n - 1] : state_;
}

generator& sharedgenerator() { return shared; }

void resetrandom() { shared = generator{}; }
void seedrnd(int seed) { shared.reseed(seed); }
int rndstate() { return shared.state(); }
double rnd() { return shared.rnd(); }
double rnd(double min, double max) { return shared.rnd(min, max); }
int rndint(int min, int max) { return shared.rndint(min, max); }

}  // namespace media
