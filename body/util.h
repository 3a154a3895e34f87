// Small shared types and functions: camera view, arena walls, projection, angles, powers, rounding.
#pragma once

#include <span>
#include <string_view>

#include "media/cpu.h"

namespace flopfist {

// What the camera shows: the world point at the screen's centre and the world-to-screen scale.
struct view {
  float x = 0, y = 0;
  float zoom = 0.3f;
};

// The walls of the arena, world pixels.
struct arena {
  float left = 0, right = 0, ceiling = 0, floor = 0;
};

inline float screenx(float x, float camerax, float zoom) { return 512.0f + zoom * (x - camerax); }
inline float screeny(float y, float cameray, float zoom) { return 384.0f + zoom * (y - cameray); }
inline float screenx(float x, const view& v) { return screenx(x, v.x, v.zoom); }
inline float screeny(float y, const view& v) { return screeny(y, v.y, v.zoom); }
float wrap360(float a);
float wrap180(float a);
int intpower(int base, int exponent);
int roundhalfup(float x);
// Trigonometry in degrees, as the game measures every angle.
float sindeg(float a);
float cosdeg(float a);
float atan2deg(float y, float x);
// sindeg(a) and cosdeg(a) together, bit for bit, at a fraction of the cost (see util.cpp).
void sincosdeg(float a, float& sine, float& cosine);
// sincosdeg of every angle, bit for bit, in a loop the compiler can run in vector lanes.
void sincosdegs(std::span<const float> angles, std::span<float> sines, std::span<float> cosines);
// sincosdegs by its widest build up to the given set that the machine runs.
void sincosdegs(std::span<const float> angles, std::span<float> sines, std::span<float> cosines,
                media::isa set);

}  // namespace flopfist

namespace flopfist {

// Draws a line of text centred on the 1024-pixel screen at the given scale; leaves the scale set.
void drawcentred(std::string_view text, float scale, float y);

}  // namespace flopfist
