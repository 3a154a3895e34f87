// Angle wrapping, integer power, rounding, degree trigonometry and centred text.
#include "body/util.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

#include "media/cpu.h"
#include "media/media.h"

namespace flopfist {

namespace {
constexpr double degrees = 180.0 / std::numbers::pi;
}

float wrap360(float a) {
  while (a >= 360) a -= 360;
  while (a < 0) a += 360;
  return a;
}

float wrap180(float a) {
  while (a > 180) a -= 360;
  while (a < -180) a += 360;
  return a;
}

int intpower(int base, int exponent) {
  int result = 1;
  for (int i = 0; i < exponent; ++i) result *= base;
  return result;
}

int roundhalfup(float x) {
  const float whole = std::floor(x);
  return int(whole) + (x - whole >= 0.5f ? 1 : 0);
}

float sindeg(float a) { return float(std::sin(double(a) / degrees)); }
float cosdeg(float a) { return float(std::cos(double(a) / degrees)); }
float atan2deg(float y, float x) { return float(std::atan2(double(y), double(x)) * degrees); }

namespace {

// The double d rounds to the same float as every double within 64 units of its last place: d is
// not within that of a midpoint between two floats (the 29 bits a float drops are not near 1000...).
bool roundssafely(double d) {
  uint64_t bits = 0;
  std::memcpy(&bits, &d, sizeof bits);
  const int64_t dropped = int64_t(bits & ((uint64_t(1) << 29) - 1));
  const int64_t half = int64_t(1) << 28;
  return dropped - half > 64 || half - dropped > 64;
}

constexpr double twooverpi = 0.63661977236758134308;
constexpr double pio2hi = 1.57079632673412561417e+00;  // the first 33 bits of pi/2
constexpr double pio2lo = 6.07710050650619224932e-11;  // pi/2 - pio2hi

// fdlibm's __kernel_sin and __kernel_cos with no tail, for r in [-pi/4, pi/4].
[[gnu::always_inline]] inline void kernels(double r, double& s, double& c) {
  const double z = r * r;
  s = r + r * z * (-1.66666666666666324348e-01 + z * (8.33333333332248946124e-03 +
      z * (-1.98412698298579493134e-04 + z * (2.75573137070700676789e-06 +
      z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)))));
  const double hz = 0.5 * z, w = 1.0 - hz;
  c = w + (((1.0 - w) - hz) + z * z * (4.16666666666666019037e-02 + z * (-1.38888888888741095749e-03 +
      z * (2.48015872894767294178e-05 + z * (-2.75573143513906633035e-07 +
      z * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11))))));
}

}  // namespace

// The sine and cosine of t = a / degrees in double precision, rounded to floats: t is reduced to
// [-pi/4, pi/4] by a two-part pi/2 and both come from the fdlibm kernel polynomials, within about
// a unit in the last place of the double. A float rounded from it is the float rounded from the
// C library's own double (which is within one unit of the last place of the exact value) unless
// the double lies within a few units of a midpoint between floats; then, about once in two million
// calls, the library computes it.
void sincosdeg(float a, float& sine, float& cosine) {
  const double t = double(a) / degrees;
  if (!(std::abs(t) < 1e6)) {
    sine = float(std::sin(t));
    cosine = float(std::cos(t));
    return;
  }
  const double k = std::nearbyint(t * twooverpi);
  const double r = (t - k * pio2hi) - k * pio2lo;
  double s = 0, c = 0;
  kernels(r, s, c);
  double sn = 0, cs = 0;
  switch (int64_t(k) & 3) {
    case 0: sn = s, cs = c; break;
    case 1: sn = c, cs = -s; break;
    case 2: sn = -s, cs = -c; break;
    default: sn = -c, cs = s; break;
  }
  sine = roundssafely(sn) ? float(sn) : float(std::sin(t));
  cosine = roundssafely(cs) ? float(cs) : float(std::cos(t));
}

namespace {

uint64_t bitsof(double d) { return std::bit_cast<uint64_t>(d); }

// One angle of sincosdeg without a branch, so a loop of them runs in vector lanes: the quadrant
// picks the kernel and the sign by bit masks. True where sincosdeg would ask the library instead.
[[gnu::always_inline]] inline int sincosinlanes(float a, float& sine, float& cosine) {
  constexpr double shifter = 0x1.8p52;  // adding it rounds to an integer, kept in the low bits
  const double t = double(a) / degrees;
  const double shifted = t * twooverpi + shifter;
  const double k = shifted - shifter;  // std::nearbyint wherever |t| < 1e6
  const uint64_t q = bitsof(shifted);
  const double r = (t - k * pio2hi) - k * pio2lo;
  double s = 0, c = 0;
  kernels(r, s, c);
  const uint64_t odd = uint64_t(0) - (q & 1);  // quadrants 1 and 3 swap sine and cosine
  const uint64_t sb = bitsof(s), cb = bitsof(c);
  const uint64_t sn = ((sb & ~odd) | (cb & odd)) ^ ((q & 2) << 62);        // 2, 3: negative
  const uint64_t cs = ((cb & ~odd) | (sb & odd)) ^ (((q + 1) & 2) << 62);  // 1, 2: negative
  sine = float(std::bit_cast<double>(sn));
  cosine = float(std::bit_cast<double>(cs));
  // roundssafely's test on the 29 bits a float drops: within 64 of the midpoint.
  constexpr uint32_t dropmask = (1u << 29) - 1, below = (1u << 28) - 64;
  const uint32_t ds = (uint32_t(sn) & dropmask) - below, dc = (uint32_t(cs) & dropmask) - below;
  return int(ds <= 128) | int(dc <= 128) | int(!(std::abs(t) < 1e6));
}

// Every angle in lanes; nonzero where any of them needs sincosdeg instead.
[[gnu::always_inline]] inline int sincosall(std::span<const float> angles, std::span<float> sines,
                                            std::span<float> cosines) {
  int unsafe = 0;
  for (size_t i = 0; i < angles.size(); ++i)
    unsafe |= sincosinlanes(angles[i], sines[i], cosines[i]);
  return unsafe;
}

int sincosplain(std::span<const float> angles, std::span<float> sines, std::span<float> cosines) {
  return sincosall(angles, sines, cosines);
}
AVX2BUILD int sincosavx2(std::span<const float> angles, std::span<float> sines,
                         std::span<float> cosines) {
  return sincosall(angles, sines, cosines);
}
// AVX-512F alone, without FMA: the quadrant's choices become mask moves, eight lanes at a time.
AVX512BUILD int sincosavx512(std::span<const float> angles, std::span<float> sines,
                             std::span<float> cosines) {
  return sincosall(angles, sines, cosines);
}

// The widest build up to the given set that the machine runs.
int sincosbuild(media::isa set, std::span<const float> angles, std::span<float> sines,
                std::span<float> cosines) {
  if (set == media::isa::avx512 && media::has(media::isa::avx512))
    return sincosavx512(angles, sines, cosines);
  if (set != media::isa::plain && media::has(media::isa::avx2))
    return sincosavx2(angles, sines, cosines);
  return sincosplain(angles, sines, cosines);
}

}  // namespace

void sincosdegs(std::span<const float> angles, std::span<float> sines, std::span<float> cosines) {
  sincosdegs(angles, sines, cosines, media::bestisa());
}

void sincosdegs(std::span<const float> angles, std::span<float> sines, std::span<float> cosines,
                media::isa set) {
  if (sincosbuild(set, angles, sines, cosines) == 0) return;
  // Only the angles that need it are done again: the lanes' results stand for the rest.
  for (size_t i = 0; i < angles.size(); ++i) {
    float s = 0, c = 0;
    if (sincosinlanes(angles[i], s, c) != 0) sincosdeg(angles[i], sines[i], cosines[i]);
  }
}

}  // namespace flopfist

namespace flopfist {

// Centred from the unscaled width.
void drawcentred(std::string_view text, float scale, float y) {
  media::setscale(scale, scale);
  media::drawtext(text, (1024.0f - media::textwidth(text) * scale) / 2.0f, y);
}

}  // namespace flopfist
