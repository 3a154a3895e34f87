// The splash illustration as a scene of signed-distance shapes, sampled point by point.
#pragma once

#include <vector>

namespace assetgen {

struct colour {
  double r, g, b;
};

struct point {
  double x, y;
};

// A ball (a == b) or a thick limb from a to b, painted with sphere or cylinder shading.
struct bodypart {
  point a, b;
  double radius;
  colour base;
};

class splashscene {
 public:
  splashscene();
  // The scene's colour at image position (x, y), in pixels from the top-left corner.
  colour sample(double x, double y) const;

 private:
  colour background(double x, double y) const;
  colour streaks(double x, double y, colour c) const;
  colour burst(double x, double y, colour c) const;
  colour fighter(double x, double y, colour c) const;

  std::vector<bodypart> parts_;  // back to front
  std::vector<double> spikes_;   // the impact star's ray lengths
  std::vector<point> sparks_;    // flying bits around the impact
  point impact_;
};

}  // namespace assetgen
