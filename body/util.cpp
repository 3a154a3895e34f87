// Angle wrapping, integer power, rounding, degree trigonometry and centred text.
#include "body/util.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

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
  constexpr double twooverpi = 0.63661977236758134308;
  constexpr double pio2hi = 1.57079632673412561417e+00;  // the first 33 bits of pi/2
  constexpr double pio2lo = 6.07710050650619224932e-11;  // pi/2 - pio2hi
  const double k = std::nearbyint(t * twooverpi);
  const double r = (t - k * pio2hi) - k * pio2lo;
  const double z = r * r;
  // fdlibm's __kernel_sin and __kernel_cos with no tail.
  const double s = r + r * z * (-1.66666666666666324348e-01 + z * (8.33333333332248946124e-03 +
                   z * (-1.98412698298579493134e-04 + z * (2.75573137070700676789e-06 +
                   z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)))));
  const double hz = 0.5 * z, w = 1.0 - hz;
  const double c = w + (((1.0 - w) - hz) + z * z * (4.16666666666666019037e-02 + z * (-1.38888888888741095749e-03 +
                   z * (2.48015872894767294178e-05 + z * (-2.75573143513906633035e-07 +
                   z * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11))))));
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

}  // namespace flopfist

namespace flopfist {

// Centred from the unscaled width.
void drawcentred(std::string_view text, float scale, float y) {
  media::setscale(scale, scale);
  media::drawtext(text, (1024.0f - media::textwidth(text) * scale) / 2.0f, y);
}

}  // namespace flopfist
