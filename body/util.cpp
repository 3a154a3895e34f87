// Angle wrapping, integer power, rounding, degree trigonometry and centred text.
#include "body/util.h"

#include <cmath>
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

}  // namespace flopfist

namespace flopfist {

// Centred from the unscaled width.
void drawcentred(std::string_view text, float scale, float y) {
  media::setscale(scale, scale);
  media::drawtext(text, (1024.0f - media::textwidth(text) * scale) / 2.0f, y);
}

}  // namespace flopfist
