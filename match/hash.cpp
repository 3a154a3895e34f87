// The state hash: every value a later step reads, folded into 64 bits to tell two matches apart.
#include <bit>
#include <cstring>

#include "match/match.h"

namespace flopfist {

namespace {

// FNV-1a over 32-bit words: reals go in by their bits, so -0 and 0 or two NaNs differ.
struct folder {
  uint64_t h = 1469598103934665603ull;
  void word(uint32_t w) { h = (h ^ w) * 1099511628211ull; }
  void value(int v) { word(uint32_t(v)); }
  void value(float v) { word(std::bit_cast<uint32_t>(v)); }
  void value(int64_t v) {
    word(uint32_t(uint64_t(v)));
    word(uint32_t(uint64_t(v) >> 32));
  }
  template <typename T, size_t n>
  void values(const std::array<T, n>& a) {
    for (const T& v : a) value(v);
  }
  void grid(const int (&g)[10][10]) {
    for (const auto& row : g) {
      for (int v : row) value(v);
    }
  }
};

void foldfighter(folder& f, const man& m) {
  for (int k = 1; k <= bodyball::count; ++k) {
    const ball& b = m.balls[size_t(k)];
    for (float v : {b.x, b.y, b.oldx, b.oldy, b.vx, b.vy, b.radius, b.mass, b.drawradius}) f.value(v);
    f.value(b.flash);
  }
  for (float v : {m.energy, m.maxenergy, m.fade, m.scale, m.blowfactor, m.limbwidth, m.ballradius,
                  m.balldrawradius, m.headradius}) {
    f.value(v);
  }
  for (int v : {m.dead, int(m.direction), m.team, m.robot, m.ballmass, m.number}) f.value(v);
  f.values(m.colour);
  f.values(m.stiffness);
}

void foldbursts(folder& f, const particlering& ring) {
  f.value(ring.cursor());
  for (int i = 1; i <= particlering::slots; ++i) {
    const dotburst& b = ring[i];
    f.value(b.alive);
    if (b.alive == 0) continue;
    for (int v : {b.robot, b.plasma, b.count}) f.value(v);
    for (float v : {b.size, b.alpha}) f.value(v);
    f.values(b.colour);
    f.values(b.colourstep);
    for (int p = 1; p <= b.count && p <= dotburst::maxcount; ++p) {
      for (float v : {b.x[size_t(p)], b.y[size_t(p)], b.vx[size_t(p)], b.vy[size_t(p)]}) f.value(v);
    }
  }
}

}  // namespace

uint64_t match::hash() const {
  folder f;
  for (int v : {int(mode), level, wins[1], wins[2], fightercount, int(state), statestart,
                int(decided), int(left), framecount, combo, maxcombo, rng.state()}) {
    f.value(v);
  }
  f.value(comboscore);
  for (auto field : matchrules) f.value(rules.*field);
  for (float v : {walls.left, walls.right, walls.ceiling, walls.floor, camera.x, camera.y,
                  camera.zoom, slowmotimer, dt}) {
    f.value(v);
  }
  for (int i = 1; i <= fightercount; ++i) foldfighter(f, fighters[size_t(i)]);
  foldbursts(f, bursts);
  f.grid(contactwait);
  f.grid(sparkwait);
  f.grid(blowwait);
  f.value(message.timer);
  for (char c : message.text) f.value(int(c));
  for (int c = 0; c <= palette::colourcount; ++c) {
    for (int k = 0; k < 4; ++k) {
      f.value(colours.colours[c][k]);
      f.value(colours.speeds[c][k]);
    }
  }
  return f.h;
}

}  // namespace flopfist
