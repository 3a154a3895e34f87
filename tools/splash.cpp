// The splash illustration: a ragdoll fighter in a flying kick and punch, with motion streaks,
// an impact burst, a sunset sky and a neon floor grid, all as signed-distance shapes.
#include "splash.h"

#include <algorithm>
#include <cmath>

#include "synth.h"

namespace assetgen {

namespace {

constexpr double floory = 242.0;
constexpr double outlinewidth = 1.4;
const colour ink{0.05, 0.02, 0.10};

point operator-(point a, point b) {
  return {a.x - b.x, a.y - b.y};
}
point operator+(point a, point b) {
  return {a.x + b.x, a.y + b.y};
}
point operator*(point a, double s) {
  return {a.x * s, a.y * s};
}
double dot(point a, point b) {
  return a.x * b.x + a.y * b.y;
}
double length(point a) {
  return std::sqrt(dot(a, a));
}

colour mix(colour a, colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
colour add(colour a, colour b, double s) {
  return {a.r + b.r * s, a.g + b.g * s, a.b + b.b * s};
}
colour scaled(colour a, double s) {
  return {a.r * s, a.g * s, a.b * s};
}

double smoothstep(double e0, double e1, double x) {
  const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

// Closest point of segment ab to p.
point closest(point p, point a, point b) {
  const point e = b - a;
  const double ee = dot(e, e);
  const double t = ee > 0.0 ? std::clamp(dot(p - a, e) / ee, 0.0, 1.0) : 0.0;
  return a + e * t;
}

// Signed distance to a closed polygon (negative inside).
double polygondistance(point p, const std::vector<point>& v) {
  double d = dot(p - v[0], p - v[0]);
  double s = 1.0;
  for (std::size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
    const point e = v[j] - v[i], w = p - v[i];
    const point b = w - e * std::clamp(dot(w, e) / dot(e, e), 0.0, 1.0);
    d = std::min(d, dot(b, b));
    const bool c1 = p.y >= v[i].y, c2 = p.y<v[j].y, c3 = e.x * w.y> e.y * w.x;
    if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) s = -s;
  }
  return s * std::sqrt(d);
}

// The fighter's joints, facing right: standing on leg A, leg B kicking high, arm B punching.
struct pose {
  point footA{82, 239}, ankleA{66, 232}, kneeA{74, 200}, hipA{92, 168};
  point pelvis{99, 160};
  point hipB{108, 158}, kneeB{134, 130}, ankleB{157, 100}, footB{170, 88};
  point lowback{92, 143}, upback{83, 125}, shoulders{76, 109}, neck{71, 96}, head{61, 78};
  point shoulderA{70, 112}, elbowA{54, 129}, wristA{38, 121}, fistA{31, 115};
  point shoulderB{83, 107}, elbowB{104, 100}, wristB{125, 92}, fistB{137, 88};
};

const pose figure;
const point impactpoint{176, 76};

}  // namespace

splashscene::splashscene() : impact_(impactpoint) {
  const colour skin{0.38, 0.88, 1.0};
  const colour back = scaled(skin, 0.7);
  constexpr double joint = 7.2, limb = 5.4, torso = 8.4;
  auto chain = [&](std::initializer_list<point> pts, double limbradius, double ballradius,
                   colour c) {
    const std::vector<point> v(pts);
    for (std::size_t i = 1; i < v.size(); ++i) parts_.push_back({v[i - 1], v[i], limbradius, c});
    for (point p : v) parts_.push_back({p, p, ballradius, c});
  };
  const pose& f = figure;
  chain({f.shoulderA, f.elbowA, f.wristA, f.fistA}, limb, joint, back);
  chain({f.footA, f.ankleA, f.kneeA, f.hipA, f.pelvis}, limb, joint, back);
  chain({f.pelvis, f.lowback, f.upback, f.shoulders, f.neck}, torso * 0.8, torso, skin);
  chain({f.pelvis, f.hipB, f.kneeB, f.ankleB, f.footB}, limb, joint, skin);
  parts_.push_back({f.head, f.head, 17.0, skin});
  chain({f.shoulders, f.shoulderB, f.elbowB, f.wristB, f.fistB}, limb, joint, skin);
  parts_.push_back({f.fistB, f.fistB, 8.4, skin});

  prng rng(0x5B1A54u);
  for (int i = 0; i < 14; ++i) spikes_.push_back(26.0 + 16.0 * rng.unit());
  for (int i = 0; i < 12; ++i) {
    const double angle = 2.0 * pi * (i + rng.unit() * 0.6) / 12.0;
    const double dist = 42.0 + 16.0 * rng.unit();
    sparks_.push_back({impact_.x + dist * std::cos(angle), impact_.y + dist * std::sin(angle)});
  }
}

colour splashscene::sample(double x, double y) const {
  colour c = background(x, y);
  c = streaks(x, y, c);
  c = burst(x, y, c);
  c = fighter(x, y, c);
  // A thin golden frame keeps the picture crisp against the black screen.
  const double edge = std::min(std::min(x, 205.0 - x), std::min(y, 275.0 - y));
  if (edge < 1.5)
    c = colour{1.0, 0.78, 0.35};
  else if (edge < 2.5)
    c = ink;
  return c;
}

colour splashscene::background(double x, double y) const {
  const point p{x, y};
  colour c;
  if (y < floory) {
    const double t = y / floory;
    const colour top{0.05, 0.02, 0.14}, middle{0.32, 0.05, 0.36}, horizon{0.98, 0.42, 0.22};
    c = t < 0.6 ? mix(top, middle, t / 0.6) : mix(middle, horizon, std::pow((t - 0.6) / 0.4, 1.4));
    // Rays fanning out of the impact.
    const point d = p - impact_;
    const double angle = std::atan2(d.y, d.x);
    const double ray = smoothstep(0.55, 0.75, 0.5 + 0.5 * std::cos(angle * 16.0));
    c = add(c, colour{1.0, 0.7, 0.5}, 0.10 * ray * std::exp(-length(d) / 160.0));
  } else {
    // Neon grid floor seen from a little above: lines run to a vanishing point over the fighter.
    const point vanish{100, 196};
    const double depth = (y - vanish.y) / (floory - vanish.y);  // 1 at the far edge, growing nearer
    c = mix(colour{0.16, 0.04, 0.20}, colour{0.04, 0.01, 0.07},
            std::clamp((y - floory) / 30.0, 0.0, 1.0));
    const double across = (x - vanish.x) / depth / 18.0;
    const double along = 1.0 / depth * 6.0;
    const double pxacross = std::fabs(across - std::round(across)) * 18.0 * depth;
    const double pxalong =
        std::fabs(along - std::round(along)) / (6.0 / (depth * depth)) * (floory - vanish.y);
    const double line =
        std::max(1.0 - smoothstep(0.3, 1.1, pxacross), 1.0 - smoothstep(0.3, 1.1, pxalong));
    c = mix(c, colour{0.95, 0.25, 0.85}, 0.75 * line);
    // Shadow of the fighter on the floor.
    const double sx = (x - 88.0) / 44.0, sy = (y - 244.0) / 5.0;
    c = scaled(c, 1.0 - 0.6 * (1.0 - smoothstep(0.5, 1.0, sx * sx + sy * sy)));
  }
  // The glow of the blow lights everything around it.
  const double g = length(p - impact_);
  return add(c, colour{1.0, 0.75, 0.45}, 0.55 * std::exp(-g * g / (2.0 * 38.0 * 38.0)));
}

colour splashscene::streaks(double x, double y, colour c) const {
  const point p{x, y};
  const pose& f = figure;
  // Arcs swept by the kicking leg about its hip, brightest just behind the foot.
  const point d = p - f.hipB;
  const double r = length(d);
  const double angle = std::atan2(d.y, d.x);
  const double head = std::atan2(f.footB.y - f.hipB.y, f.footB.x - f.hipB.x) + 0.16;
  const double tail = head + 1.25;
  for (double radius : {101.0, 90.0, 78.0, 64.0}) {
    if (angle < head || angle > tail) break;
    const double fade = std::pow(1.0 - (angle - head) / (tail - head), 1.5);
    const double width = 0.8 + 2.0 * fade;
    const double cover = 1.0 - smoothstep(width * 0.5, width * 0.5 + 0.8, std::fabs(r - radius));
    c = mix(c, colour{0.85, 0.97, 1.0}, 0.95 * cover * fade);
  }
  // Speed lines trailing the punch, parallel to the forearm.
  const point dir = (f.fistB - f.elbowB) * (1.0 / length(f.fistB - f.elbowB));
  const point side{-dir.y, dir.x};
  const double offsets[] = {-11.0, -4.0, 12.0};
  const double lengths[] = {46.0, 30.0, 38.0};
  for (int i = 0; i < 3; ++i) {
    const point start = f.fistB + side * offsets[i] - dir * 6.0;
    const double along = dot(p - start, dir) * -1.0;
    if (along < 0.0 || along > lengths[i]) continue;
    const double fade = 1.0 - along / lengths[i];
    const double across = std::fabs(dot(p - start, side));
    const double cover = 1.0 - smoothstep(0.5 * fade + 0.3, 0.5 * fade + 1.1, across);
    c = mix(c, colour{1.0, 1.0, 1.0}, 0.9 * cover * fade);
  }
  return c;
}

colour splashscene::burst(double x, double y, colour c) const {
  const point p{x, y};
  const point d = p - impact_;
  const double r = length(d);
  for (point s : sparks_) {
    const double ds = length(p - s);
    if (ds < 2.2) c = mix(c, colour{1.0, 0.95, 0.6}, 1.0 - smoothstep(1.2, 2.2, ds));
  }
  if (r > 46.0) return c;
  const std::size_t n = spikes_.size();
  std::vector<point> outer, inner;
  for (std::size_t i = 0; i < n; ++i) {
    const double a = 2.0 * pi * static_cast<double>(i) / static_cast<double>(n) + 0.2;
    const double b = a + pi / static_cast<double>(n);
    outer.push_back({impact_.x + spikes_[i] * std::cos(a), impact_.y + spikes_[i] * std::sin(a)});
    outer.push_back({impact_.x + 13.0 * std::cos(b), impact_.y + 13.0 * std::sin(b)});
    inner.push_back(
        {impact_.x + 0.55 * spikes_[i] * std::cos(a), impact_.y + 0.55 * spikes_[i] * std::sin(a)});
    inner.push_back({impact_.x + 7.5 * std::cos(b), impact_.y + 7.5 * std::sin(b)});
  }
  const double dout = polygondistance(p, outer);
  if (dout > 1.6) return c;
  if (dout > 0.0) return colour{0.75, 0.08, 0.12};
  const double t = std::clamp(r / 36.0, 0.0, 1.0);
  colour fill = mix(colour{1.0, 0.93, 0.35}, colour{1.0, 0.45, 0.08}, t);
  if (polygondistance(p, inner) < 0.0)
    fill = mix(colour{1.0, 1.0, 1.0}, colour{1.0, 0.95, 0.6}, t * 1.6);
  return fill;
}

colour splashscene::fighter(double x, double y, colour c) const {
  const point p{x, y};
  const double lx = -0.5, ly = -0.7, lz = 0.6;
  const double ll = std::sqrt(lx * lx + ly * ly + lz * lz);
  const double hx = lx / ll, hy = ly / ll, hz = lz / ll + 1.0;  // half vector toward the viewer
  const double hl = std::sqrt(hx * hx + hy * hy + hz * hz);
  for (const bodypart& part : parts_) {
    const point q =
        part.a.x == part.b.x && part.a.y == part.b.y ? part.a : closest(p, part.a, part.b);
    const point o = p - q;
    const double dist = length(o) - part.radius;
    if (dist > outlinewidth) continue;
    if (dist > 0.0) {
      c = ink;
      continue;
    }
    const double u = o.x / part.radius, v = o.y / part.radius;
    const double nz = std::sqrt(std::max(0.0, 1.0 - u * u - v * v));
    const double diffuse = std::max(0.0, (u * lx + v * ly + nz * lz) / ll);
    const double shine = std::pow(std::max(0.0, (u * hx + v * hy + nz * hz) / hl), 28.0);
    // The impact's glow catches the rims that face it.
    const point toimpact = (impact_ - q) * (1.0 / std::max(1.0, length(impact_ - q)));
    const double rim = std::pow(1.0 - nz, 1.5) * std::max(0.0, u * toimpact.x + v * toimpact.y);
    c = scaled(part.base, 0.25 + 0.35 * nz + 0.65 * diffuse);
    c = add(c, colour{1.0, 1.0, 1.0}, 0.6 * shine);
    c = add(c, colour{1.0, 0.62, 0.25}, 0.9 * rim);
  }
  return c;
}

}  // namespace assetgen
