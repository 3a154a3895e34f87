// The generator the menus draw from; a match takes a copy and hands it back when it ends.
#include "media/media.h"
#include "media/random.h"

namespace media {

namespace {
generator shared;

// 48271^8 mod (2^31 - 1): the multiplier of eight steps at once.
constexpr uint64_t eightsteps = [] {
  uint64_t m = 1;
  for (int i = 0; i < 8; ++i) m = m * 48271 % uint64_t(generator::modulus);
  return m;
}();

// m * state mod (2^31 - 1) by folding the 62-bit product: 2^31 is 1 modulo the modulus.
int32_t mulmod(uint64_t m, int32_t state) {
  constexpr uint64_t mod = uint64_t(generator::modulus);
  const uint64_t p = m * uint64_t(state);
  uint64_t r = (p & mod) + (p >> 31);
  r = (r & mod) + (r >> 31);
  return int32_t(r >= mod ? r - mod : r);
}
}  // namespace

// One step at a time makes a chain as long as the burst; eight chains side by side, each jumping
// eight steps, give the same states with the multiplies free to overlap.
void generator::steps(std::span<int32_t> out) {
  const size_t n = out.size();
  size_t i = 0;
  for (; i < n && i < 8; ++i) out[i] = step();
  for (; i < n; ++i) out[i] = mulmod(eightsteps, out[i - 8]);
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
