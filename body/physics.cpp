// The fighter's physics step: per-ball motion and the link and joint relaxation.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <type_traits>
#if defined(__SSE__)
#include <immintrin.h>
#elif defined(__wasm_simd128__)
#include <wasm_simd128.h>
#endif

#include "body/man.h"
#include "body/util.h"

namespace flopfist {

void man::saveposition() {
  for (int i = 1; i <= 26; ++i) balls[i].saveposition();
}

void man::applygravity(int g) {
  for (int i = 1; i <= 26; ++i) balls[i].applygravity(g);
}

void man::move(float dt) {
  for (int i = 1; i <= 26; ++i) balls[i].move(dt);
}

void man::updatevelocity(float dt) {
  for (int i = 1; i <= 26; ++i) balls[i].updatevelocity(dt);
}

void man::keepinarena(const arena& walls) {
  // The highest-numbered ball touching a wall turns the computer's push away from it.
  for (int i = 1; i <= 26; ++i) {
    const wall touched = balls[i].keepinarena(walls);
    if (touched != wall::none) direction = awayfrom(touched);
  }
}

void man::tickflash(int blood, bleeding& out) {
  out.count = 0;
  for (int i = 1; i <= 26; ++i) {
    ball& b = balls[i];
    if (b.flash > 0) --b.flash;
    // A fresh hit keeps bleeding, less each frame, for the first ten frames of the flash.
    if (b.flash <= 50) continue;
    const float intensity = float(b.flash - 50) / 50.0f;
    const int drops = int(std::floor(float(blood) * 10.0f * intensity));
    out.list[size_t(out.count++)] = {b.x, b.y, b.vx / 35.0f, b.vy / 35.0f, drops, int(b.radius)};
  }
}

namespace {

// ---- Arithmetic written once for one fighter (float) and for four fighters side by side (f4) ----
// GCC's vector extension: one lane per fighter, four floats in an SSE register or eight in an AVX
// one. Every lane does the same IEEE operations in the same order as the scalar code, so a lane's
// result is the bit pattern the scalar code gives for that fighter. Everything that takes lanes
// is always inlined, so the eight-lane form is only ever compiled inside the AVX2 build below.
using f4 = float __attribute__((vector_size(16)));
using f8 = float __attribute__((vector_size(32)));
// Eight lanes passed by value outside an AVX build would be passed differently from inside one;
// here they never are, since every function that takes them is inlined into the AVX2 build.
#pragma GCC diagnostic ignored "-Wpsabi"

template <typename T>
concept lanes = !std::is_same_v<T, float>;
template <lanes V>
using maskof = decltype(V{} < V{});

template <typename T>
[[gnu::always_inline]] inline T splat(float v) {
  if constexpr (std::is_same_v<T, float>) {
    return v;
  } else if constexpr (sizeof(T) == sizeof(f4)) {
    // Lane by lane in a loop, a compiler may build it in memory inside the hot loops.
    return T{v, v, v, v};
  } else {
    return T{v, v, v, v, v, v, v, v};
  }
}
[[gnu::always_inline]] inline float select(bool c, float a, float b) {
  return c ? a : b;
}
template <lanes V>
[[gnu::always_inline]] inline V select(maskof<V> c, V a, V b) {
  return c ? a : b;
}
[[gnu::always_inline]] inline bool both(bool a, bool b) {
  return a && b;
}
template <typename M>
[[gnu::always_inline]] inline M both(M a, M b) {
  return a & b;
}
[[gnu::always_inline]] inline float magnitude(float a) {
  return std::fabs(a);
}
template <lanes V>
[[gnu::always_inline]] inline V magnitude(V a) {
  return V(maskof<V>(a) & 0x7FFFFFFF);
}
[[gnu::always_inline]] inline float root(float a) {
  return std::sqrt(a);
}
[[gnu::always_inline]] inline f4 root(f4 a) {
#if defined(__SSE__)
  return f4(_mm_sqrt_ps(__m128(a)));
#elif defined(__wasm_simd128__)
  return f4(wasm_f32x4_sqrt(v128_t(a)));
#else
  return f4{std::sqrt(a[0]), std::sqrt(a[1]), std::sqrt(a[2]), std::sqrt(a[3])};
#endif
}
// Each half by the SSE root, which every compiler takes in any build; in the AVX2 build the halves
// are only a register's two lanes.
[[gnu::always_inline]] inline f8 root(f8 a) {
  const f4 low = root(f4(__builtin_shufflevector(a, a, 0, 1, 2, 3)));
  const f4 high = root(f4(__builtin_shufflevector(a, a, 4, 5, 6, 7)));
  return __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7);
}

// atan2(y, x) in degrees, single precision, within about 3e-7 rad of the exact angle: the ratio
// of the smaller to the larger magnitude, folded once more about tan(22.5 degrees), then the
// Cephes atanf polynomial. Axis directions come out exact: 0, +-90 and +-180 degrees.
template <typename T>
[[gnu::always_inline]] inline T fastatan2deg(T y, T x) {
  const T ax = magnitude(x), ay = magnitude(y);
  const auto steep = ay > ax;
  const T big = select(steep, ay, ax), small = select(steep, ax, ay);
  // Past 22.5 degrees, atan(t) = 45 degrees + atan((t - 1) / (t + 1)), t = small / big.
  const auto fold = small > big * 0.41421356237f;
  const T num = select(fold, small - big, small);
  const T den = select(fold, small + big, big);
  const T u = select(den > 0.0f, num / select(den > 0.0f, den, splat<T>(1.0f)), splat<T>(0.0f));
  const T z = u * u;
  const T p = (((8.05374449538e-2f * z - 1.38776856032e-1f) * z + 1.99777106478e-1f) * z -
               3.33329491539e-1f) * z * u + u;
  T r = select(fold, splat<T>(45.0f), splat<T>(0.0f)) + p * float(180.0 / std::numbers::pi);
  r = select(steep, 90.0f - r, r);
  r = select(x < 0.0f, 180.0f - r, r);
  return select(y < 0.0f, -r, r);
}

// The joint angle a1 - a2 + 180, a1 = atan2(dy1, -dx1) and a2 = atan2(dy2, -dx2), in [0, 360):
// one atan2 of the two vectors' cross and dot products. A zero vector (coincident balls) has the
// direction atan2(0, -0) = 180 degrees, which is that of (1, 0).
template <typename T>
[[gnu::always_inline]] inline T jointangle(T dx1, T dy1, T dx2, T dy2) {
  const auto zero1 = both(dx1 == 0.0f, dy1 == 0.0f);
  const auto zero2 = both(dx2 == 0.0f, dy2 == 0.0f);
  const T ux1 = select(zero1, splat<T>(1.0f), dx1), uy1 = select(zero1, splat<T>(0.0f), dy1);
  const T ux2 = select(zero2, splat<T>(1.0f), dx2), uy2 = select(zero2, splat<T>(0.0f), dy2);
  const T cross = ux1 * uy2 - ux2 * uy1;
  const T dot = ux1 * ux2 + uy1 * uy2;
  const T theta = fastatan2deg(cross, dot) + 180.0f;  // [0, 360]: 360 only for a full fold
  return select(theta >= 360.0f, theta - 360.0f, theta);
}

// How far a joint turns its outer balls this pass: the error from the rest angle, the short way
// round, times the joint's gain. theta is in [0, 360) and every rest angle in [-90, 200], so one
// step of wrapping brings the error into [-180, 180] as wrap180 would.
template <typename T>
[[gnu::always_inline]] inline T jointshare(T dx1, T dy1, T dx2, T dy2, T restangle, T gain) {
  T error = jointangle(dx1, dy1, dx2, dy2) - restangle;
  error = select(error > 180.0f, error - 360.0f, error);
  error = select(error < -180.0f, error + 360.0f, error);
  return error * gain;
}

// The joint's weight times the time step over 400, once a frame. FLEXIBILITY is 1..20; a lower
// value would divide by zero and wake the free pelvis joint.
float jointgain(float stiffness, float dt, int flex) {
  const float w = std::min(0.7f, 4.0f * stiffness / float(std::max(flex, 1)));
  return w * dt / 400.0f;
}

// What a link of rest length reach does to its two balls, a and b, d apart along (dx, dy): half its
// error each way, the heavier ball moving less. ka and kb are the halves with the mass ratios, once
// a frame; one division a link.
template <typename T>
struct linkpush {
  T adx, ady, bdx, bdy;
};
template <typename T>
[[gnu::always_inline]] inline linkpush<T> linkmoves(T dx, T dy, T reach, T ka, T kb) {
  const T d = root(dx * dx + dy * dy);
  const auto apart = d != 0.0f;
  const T e = (d - reach) / select(apart, d, splat<T>(1.0f));
  const T ua = select(apart, e * ka, splat<T>(0.0f)), ub = select(apart, e * kb, splat<T>(0.0f));
  return {ua * dx, ua * dy, ub * dx, ub * dy};
}
float ahalf(const ball& a, const ball& b) { return -0.5f / (1 + a.mass / b.mass); }
float bhalf(const ball& a, const ball& b) { return 0.5f / (1 + b.mass / a.mass); }

// Up to a register's worth of fighters, one per lane, relaxed together: every fighter has the
// same links and joints, so each correction is one vector operation for all of them.
template <lanes V>
struct lanegroup {
  static constexpr int width = int(sizeof(V) / sizeof(float));
  std::array<man*, width> fighters{};
  int count = 0;
  std::array<V, 27> x{}, y{};
  std::array<V, 25> gain{}, restangle{};  // per joint
  std::array<V, 25> reach{}, ka{}, kb{};  // per link: rest length, halves with the mass ratios

  [[gnu::always_inline]] void add(man& f) { fighters[size_t(count++)] = &f; }
  // Lanes past the last fighter repeat the first, so they hold ordinary numbers.
  [[gnu::always_inline]] man& at(int lane) const {
    return *fighters[size_t(lane < count ? lane : 0)];
  }

  [[gnu::always_inline]] void gather(float dt, int flex) {
    for (int lane = 0; lane < width; ++lane) {
      const man& f = at(lane);
      for (int i = 1; i <= 26; ++i) {
        x[size_t(i)][lane] = f.balls[size_t(i)].x;
        y[size_t(i)][lane] = f.balls[size_t(i)].y;
      }
      for (size_t j = 0; j < 25; ++j) {
        gain[j][lane] = jointgain(f.stiffness[j], dt, flex);
        restangle[j][lane] = bodyrestangles[j];
        const ball& a = f.balls[size_t(bodylinks[j].a)];
        const ball& b = f.balls[size_t(bodylinks[j].b)];
        reach[j][lane] = a.radius + b.radius;
        ka[j][lane] = ahalf(a, b);
        kb[j][lane] = bhalf(a, b);
      }
    }
  }

  [[gnu::always_inline]] void scatter() const {
    for (int lane = 0; lane < count; ++lane) {
      man& f = *fighters[size_t(lane)];
      for (int i = 1; i <= 26; ++i) {
        f.balls[size_t(i)].x = x[size_t(i)][lane];
        f.balls[size_t(i)].y = y[size_t(i)][lane];
      }
    }
  }

  // One Jacobi pass of the joints: every move is taken from the positions at the pass's start.
  [[gnu::always_inline]] void joints() {
    std::array<V, 27> ax{}, ay{};
    for (size_t j = 0; j < 25; ++j) {
      const joint& jt = bodyjoints[j];
      const size_t p = size_t(jt.p), m = size_t(jt.m), q = size_t(jt.q);
      const V dx1 = x[m] - x[p], dy1 = y[m] - y[p];
      const V dx2 = x[q] - x[m], dy2 = y[q] - y[m];
      const V s = jointshare(dx1, dy1, dx2, dy2, restangle[j], gain[j]);
      ax[p] += s * dy1;
      ay[p] += -s * dx1;
      ax[m] += -s * (dy1 + dy2);
      ay[m] += s * (dx1 + dx2);
      ax[q] += s * dy2;
      ay[q] += -s * dx2;
    }
    for (size_t i = 1; i <= 26; ++i) {
      x[i] += ax[i];
      y[i] += ay[i];
    }
  }

  // One Jacobi pass of the links, as man::linkcorrection computes each.
  [[gnu::always_inline]] void links() {
    std::array<V, 27> ax{}, ay{};
    for (size_t k = 0; k < 25; ++k) {
      const size_t a = size_t(bodylinks[k].a), b = size_t(bodylinks[k].b);
      const V dx = x[a] - x[b], dy = y[a] - y[b];
      const linkpush<V> mv = linkmoves(dx, dy, reach[k], ka[k], kb[k]);
      ax[a] += mv.adx;
      ay[a] += mv.ady;
      ax[b] += mv.bdx;
      ay[b] += mv.bdy;
    }
    for (size_t i = 1; i <= 26; ++i) {
      x[i] += ax[i];
      y[i] += ay[i];
    }
  }

  [[gnu::always_inline]] void relax(float dt, int flex) {
    gather(dt, flex);
    for (int pass = 0; pass < 32; ++pass) {
      joints();
      links();
    }
    scatter();
  }
};

// The living relaxed a register's worth at a time.
template <lanes V>
[[gnu::always_inline]] inline void relaxliving(std::span<man> fighters, float dt, int flex) {
  lanegroup<V> group;
  for (man& f : fighters) {
    if (f.dead) continue;
    group.add(f);
    if (group.count == group.width) {
      group.relax(dt, flex);
      group = lanegroup<V>{};
    }
  }
  if (group.count > 0) group.relax(dt, flex);
}

void relaxplain(std::span<man> fighters, float dt, int flex) {
  relaxliving<f4>(fighters, dt, flex);
}
AVX2BUILD void relaxavx2(std::span<man> fighters, float dt, int flex) {
  relaxliving<f8>(fighters, dt, flex);
}

}  // namespace

linkmove man::linkcorrection(const ball& a, const ball& b) {
  const linkpush<float> mv = linkmoves(a.x - b.x, a.y - b.y, a.radius + b.radius, ahalf(a, b), bhalf(a, b));
  return {mv.adx, mv.ady, mv.bdx, mv.bdy};
}

jointmove man::jointcorrection(const ball& p, const ball& m, const ball& q, float restangle,
                               float stiffness, float dt, int flex) {
  const float dx1 = m.x - p.x, dy1 = m.y - p.y;
  const float dx2 = q.x - m.x, dy2 = q.y - m.y;
  const float s = jointshare(dx1, dy1, dx2, dy2, restangle, jointgain(stiffness, dt, flex));
  // The three moves sum to zero: the outer balls turn about the middle one.
  return {s * dy1, -s * dx1, -s * (dy1 + dy2), s * (dx1 + dx2), s * dy2, -s * dx2};
}

void man::relaxlinks() {
  accx_.fill(0);
  accy_.fill(0);
  for (const link& k : bodylinks) {
    const linkmove mv = linkcorrection(balls[k.a], balls[k.b]);
    accx_[k.a] += mv.adx;
    accy_[k.a] += mv.ady;
    accx_[k.b] += mv.bdx;
    accy_[k.b] += mv.bdy;
  }
  for (int i = 1; i <= 26; ++i) {
    balls[i].x += accx_[i];
    balls[i].y += accy_[i];
  }
}

void man::relaxjoints(float dt, int flex) {
  accx_.fill(0);
  accy_.fill(0);
  for (int j = 0; j < 25; ++j) {
    const joint& jt = bodyjoints[size_t(j)];
    const jointmove mv = jointcorrection(balls[jt.p], balls[jt.m], balls[jt.q], bodyrestangles[size_t(j)],
                                         stiffness[size_t(j)], dt, flex);
    accx_[jt.p] += mv.pdx;
    accy_[jt.p] += mv.pdy;
    accx_[jt.m] += mv.mdx;
    accy_[jt.m] += mv.mdy;
    accx_[jt.q] += mv.qdx;
    accy_[jt.q] += mv.qdy;
  }
  for (int i = 1; i <= 26; ++i) {
    balls[i].x += accx_[i];
    balls[i].y += accy_[i];
  }
}

// 32 passes of relaxjoints then relaxlinks, bit for bit, in the four-lane form.
void man::relax(float dt, int flex, bool fallapart) {
  // The dead are no longer held together.
  if (fallapart || dead) return;
  lanegroup<f4> group;
  group.add(*this);
  group.relax(dt, flex);
}

void stepbodies(std::span<man> fighters, int gravity, float dt, int flex, bool fallapart,
                const arena& walls) {
  stepbodies(fighters, gravity, dt, flex, fallapart, walls, media::bestisa());
}

void stepbodies(std::span<man> fighters, int gravity, float dt, int flex, bool fallapart,
                const arena& walls, media::isa set) {
  for (man& f : fighters) {
    f.applygravity(gravity);
    f.move(dt);
  }
  if (!fallapart) {
    if (set != media::isa::plain && media::has(media::isa::avx2)) {
      relaxavx2(fighters, dt, flex);
    } else {
      relaxplain(fighters, dt, flex);
    }
  }
  for (man& f : fighters) {
    f.updatevelocity(dt);
    f.keepinarena(walls);
  }
}

}  // namespace flopfist
