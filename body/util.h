// Small shared functions: camera projection, angle wrapping, integer power, rounding, key flush.
#pragma once

namespace flopfist {

inline float screenx(float x, float camerax, float zoom) { return 512.0f + zoom * (x - camerax); }
inline float screeny(float y, float cameray, float zoom) { return 384.0f + zoom * (y - cameray); }
float wrap360(float a);
float wrap180(float a);
int intpower(int base, int exponent);
int roundhalfup(float x);
// Trigonometry in degrees, as the game measures every angle.
float sindeg(float a);
float cosdeg(float a);
float atan2deg(float y, float x);
// Empties the typed-character queue and the pending hits of the menu keys, so that a key that
// closed the previous screen does not act on the next one.
void flushmenukeys();

}  // namespace flopfist
