// One particle burst: start, colour cycle, motion, fading and drawing.
#include "effects/dotburst.h"

#include <algorithm>
#include <cstdint>
#include <span>

#include "body/util.h"
#include "media/media.h"

namespace flopfist {

void dotburst::cyclecolour(media::generator& rng) {
  for (int c = 0; c < 3; ++c) {
    if (rng.rnd(0, 1000) > 990) colourstep[c] = -colourstep[c];
    if (colour[c] > 253) colourstep[c] = -2;
    if (colour[c] < 2) colourstep[c] = 2;
    colour[c] += colourstep[c];
  }
}

// What every burst takes first, before its drops: the kind, the count, and three draws of colour.
void dotburst::begin(int n, int kind, media::generator& rng, int isrobot) {
  robot = isrobot;
  plasma = kind;
  // The arrays hold 300 particles: a larger count would write past them.
  count = std::clamp(n, 0, maxcount);
  for (int c = 0; c < 3; ++c) colour[c] = rng.rndint(0, 255);
  alive = 1;
  alpha = 1.0f;
  size = 3.0f;
}

void dotburst::start(float cx, float cy, float basevx, float basevy, int n, int kind, float speed,
                     media::generator& rng, int isrobot, int radius) {
  begin(n, kind, rng, isrobot);
  for (int i = 1; i <= count; ++i) {
    const float a = float(360.0 * rng.rnd());
    // One r for both place and speed: particles near the centre fly inward through it.
    const float r = float(rng.rnd());
    const float s = r * speed * 2 - speed;
    const float ca = cosdeg(a), sa = sindeg(a);
    x[i] = cx + ca * float(radius) * r;
    y[i] = cy + sa * float(radius) * r;
    vx[i] = s * ca + basevx;
    vy[i] = s * sa + basevy;
  }
}

namespace {

// Where the drops of a burst start from and how fast they fly.
struct origin {
  float cx, cy, basevx, basevy, speed, radius;
};

// Each drop's angle and distance from its two generator states, as start draws them.
[[gnu::always_inline]] inline void readdraws(std::span<const int32_t> states,
                                             std::span<float> angle, std::span<float> reach) {
  for (size_t i = 0; i < angle.size(); ++i) {
    angle[i] = float(360.0 * media::generator::unit(states[2 * i]));
    reach[i] = float(media::generator::unit(states[2 * i + 1]));
  }
}

// Each drop's place and speed along its ray, as start works them out; slot 0 of the outputs is
// not a drop.
[[gnu::always_inline]] inline void placedrops(const origin& o, std::span<const float> reach,
                                              std::span<const float> sines,
                                              std::span<const float> cosines, dotburst& d) {
  for (size_t i = 0; i < reach.size(); ++i) {
    const float r = reach[i], sa = sines[i], ca = cosines[i];
    const float s = r * o.speed * 2 - o.speed;
    d.x[i + 1] = o.cx + ca * o.radius * r;
    d.y[i + 1] = o.cy + sa * o.radius * r;
    d.vx[i + 1] = s * ca + o.basevx;
    d.vy[i + 1] = s * sa + o.basevy;
  }
}

void readdrawsplain(std::span<const int32_t> states, std::span<float> angle,
                    std::span<float> reach) {
  readdraws(states, angle, reach);
}
void placedropsplain(const origin& o, std::span<const float> reach, std::span<const float> sines,
                     std::span<const float> cosines, dotburst& d) {
  placedrops(o, reach, sines, cosines, d);
}
AVX2BUILD void readdrawsavx2(std::span<const int32_t> states, std::span<float> angle,
                             std::span<float> reach) {
  readdraws(states, angle, reach);
}
AVX2BUILD void placedropsavx2(const origin& o, std::span<const float> reach,
                              std::span<const float> sines, std::span<const float> cosines,
                              dotburst& d) {
  placedrops(o, reach, sines, cosines, d);
}

}  // namespace

void dotburst::startbatched(float cx, float cy, float basevx, float basevy, int n, int kind,
                            float speed, media::generator& rng, int isrobot, int radius) {
  startbatched(cx, cy, basevx, basevy, n, kind, speed, rng, isrobot, radius, media::bestisa());
}

void dotburst::startbatched(float cx, float cy, float basevx, float basevy, int n, int kind,
                            float speed, media::generator& rng, int isrobot, int radius,
                            media::isa set) {
  begin(n, kind, rng, isrobot);
  const size_t m = size_t(count);
  const bool wide = set != media::isa::plain && media::has(media::isa::avx2);
  // Two draws a drop, angle then distance, as start takes them.
  std::array<int32_t, 2 * maxcount> states;
  rng.steps(std::span(states).first(2 * m), set);
  std::array<float, maxcount> angle, reach, sines, cosines;
  const auto angles = std::span(angle).first(m), reaches = std::span(reach).first(m);
  (wide ? readdrawsavx2 : readdrawsplain)(std::span(states).first(2 * m), angles, reaches);
  sincosdegs(angles, std::span(sines).first(m), std::span(cosines).first(m), set);
  const origin o{cx, cy, basevx, basevy, speed, float(radius)};
  (wide ? placedropsavx2 : placedropsplain)(o, reaches, std::span(sines).first(m),
                                            std::span(cosines).first(m), *this);
}

// Bursts keep full speed in slow motion: the frame's time step does not reach them.
void dotburst::update(media::generator& rng) {
  cyclecolour(rng);
  alpha -= 0.02f;
  for (int i = 1; i <= count; ++i) {
    x[i] += vx[i];
    y[i] += vy[i];
    vy[i] += 0.04f;
  }
  if (!(alpha > 0)) alive = 0;
}

void dotburst::draw(const view& v, const sprites& images) const {
  const float zoom = v.zoom;
  if (plasma == 1) media::setblend(media::blend::light);
  media::setalpha(alpha);
  if (plasma == 1) {
    media::setcolor(colour[0], colour[1], colour[2]);
  } else if (robot == 1) {
    media::setcolor(255, 255, 0);
  } else {
    media::setcolor(222, 0, 0);
  }

  const float cx = v.x, cy = v.y;
  if (plasma == 1) {
    // The spark image is handled at its corner: shift by half its size to centre it.
    const float hw = float(media::imagewidth(images.spark)) / 2;
    const float hh = float(media::imageheight(images.spark)) / 2;
    media::setscale(zoom, zoom);
    for (int i = 1; i <= count; ++i)
      media::drawimage(images.spark, screenx(x[i] - hw, cx, zoom), screeny(y[i] - hh, cy, zoom), 0);
    media::setscale(1, 1);
  } else if (robot == 1) {
    const float side = 2 * size * zoom;
    for (int i = 1; i <= count; ++i)
      media::drawrect(screenx(x[i], cx, zoom), screeny(y[i], cy, zoom), side, side);
  } else {
    const float s = 2 * size * zoom / 300;
    media::setscale(s, s);
    for (int i = 1; i <= count; ++i)
      media::drawimage(images.joint, screenx(x[i], cx, zoom), screeny(y[i], cy, zoom), 0);
    media::setscale(1, 1);
  }

  media::setalpha(1);
  media::setblend(media::blend::alpha);
}

}  // namespace flopfist
