// Contacts between fighters in close combat, and whole brawl frames of a six-fighter co-op level.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <memory>
#include <string>
#include <vector>

#include "app/fightgame.h"
#include "bench/benchgame.h"
#include "bench/reference.h"
#include "media/media.h"
#include "media/testing.h"

// Every heap allocation of the program passes through malloc, whether it comes from operator new
// (which another bench file already replaces) or from C code, so counting here sees them all.
// Calls made from this program's own code (the game, and operator new for the standard library)
// are told apart from those made inside shared libraries such as SDL's software renderer.
extern "C" char __executable_start, etext;
namespace {
std::atomic<long> mallocs{0}, gamemallocs{0};
void count(const void* caller) {
  mallocs.fetch_add(1, std::memory_order_relaxed);
  if (caller >= &__executable_start && caller < &etext) gamemallocs.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t n, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void* malloc(std::size_t size) noexcept {
  count(__builtin_return_address(0));
  return __libc_malloc(size);
}
void* calloc(std::size_t n, std::size_t size) noexcept {
  count(__builtin_return_address(0));
  return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t size) noexcept {
  count(__builtin_return_address(0));
  return __libc_realloc(p, size);
}
}

namespace {

using flopfist::ball;
using flopfist::fightgame;
using flopfist::man;
using clk = std::chrono::steady_clock;

std::unique_ptr<fightgame> opengame() {
  auto game = benchgame(7);
  if (!game) return nullptr;
  // Full effects; no hit pause or slowed frames, whose held ticks would time only a present.
  game->settings.blood = 30;
  game->settings.plasma = 1;
  game->settings.slowmotion = 0;
  game->settings.soundsvolume = 0;  // the headless mixer logs every cue, which a real run does not
  return game;
}

// Level 8 (five fighters) or the same level in co-op (six), its bodies formed by a few frames,
// then every fighter's pelvis moved to a row at the arena centre, `spacing` pixels apart: 30 puts
// them within a few body widths of each other, 400 keeps every pair apart.
void brawl(fightgame& game, int fighters, float spacing = 30.0f) {
  game.current.mode = fighters == 6 ? flopfist::gamemode::coop : flopfist::gamemode::single;
  game.current.level = 8;
  game.beginmatch();
  for (int i = 0; i < 40; i++) game.matchframe();
  flopfist::match& m = *game.playing;
  m.framecount = 200;  // the fight is on
  for (int n = 1; n <= m.fightercount; n++) {
    man& f = m.fighters[size_t(n)];
    const float dx = float(n - 1) * spacing - float(m.fightercount - 1) * spacing / 2 - f.balls[6].x;
    const float dy = 200.0f - f.balls[6].y;
    for (int k = 1; k <= 26; k++) {
      ball& b = f.balls[k];
      b.x += dx, b.y += dy, b.oldx += dx, b.oldy += dy;
    }
    f.maxenergy = f.energy = 1e9f;  // nobody is knocked out while it is measured
  }
}

struct snapshot {
  std::array<std::array<ball, 27>, 7> balls;
  media::generator rng;
  int cursor = 1;
  void save(const flopfist::match& g) {
    for (int n = 1; n <= g.fightercount; n++) balls[size_t(n)] = g.fighters[size_t(n)].balls;
    rng = g.rng;
    cursor = g.bursts.cursor();
  }
  void restore(flopfist::match& g) const {
    for (int n = 1; n <= g.fightercount; n++) g.fighters[size_t(n)].balls = balls[size_t(n)];
    for (int i = 0; i < 10; i++) {
      for (int j = 0; j < 10; j++) g.contactwait[i][j] = g.sparkwait[i][j] = g.blowwait[i][j] = -1;
    }
    g.rng = rng;
    g.bursts.setcursor(cursor);
  }
  // Every bit of every ball the same, and the generator and the ring where the other pass left them.
  bool same(const flopfist::match& g) const {
    if (!(g.rng.state() == rng.state()) || g.bursts.cursor() != cursor) return false;
    for (int n = 1; n <= g.fightercount; n++) {
      for (int k = 1; k <= 26; k++) {
        const ball& a = g.fighters[size_t(n)].balls[size_t(k)];
        const ball& b = balls[size_t(n)][size_t(k)];
        for (auto [u, v] : {std::pair{a.x, b.x}, {a.y, b.y}, {a.vx, b.vx}, {a.vy, b.vy}}) {
          if (std::memcmp(&u, &v, sizeof u) != 0) return false;
        }
        if (a.flash != b.flash) return false;
      }
    }
    return true;
  }
};

// Allocations made while timing: all of them, and those made by the program's own code.
struct allocationcount {
  long all = 0, game = 0;
  long startall = 0, startgame = 0;
  void begin() {
    startall = mallocs.load();
    startgame = gamemallocs.load();
  }
  void end() {
    all += mallocs.load() - startall;
    game += gamemallocs.load() - startgame;
  }
};

void report(benchmark::State& state, std::vector<double>& us, const allocationcount& allocs,
            const char* prefix = "") {
  if (us.empty()) return;
  std::sort(us.begin(), us.end());
  const std::string p(prefix);
  state.counters[p + "p50_us"] = us[us.size() / 2];
  state.counters[p + "p99_us"] = us[us.size() * 99 / 100];
  state.counters[p + "allocs_per_frame"] = double(allocs.all) / double(us.size());
  state.counters[p + "game_allocs_per_frame"] = double(allocs.game) / double(us.size());
}

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// One contact pass over every pair, every pair ready for a hard contact (the busiest frame of a
// brawl: touching pairs are otherwise hard only every other frame). Range 0 is the fighter count,
// range 1 the layout: 1 close combat, 0 every fighter apart. Each pass is run twice from the same
// state, by the reference pass of bench/reference.h (the one before issue 13) and by the game's,
// timed side by side; "mismatches" counts passes whose results differ in any bit.
void BM_contactpass(benchmark::State& state) {
  auto game = opengame();
  if (!game) return state.SkipWithError("no asset folder");
  const bool close = state.range(1) == 1;
  brawl(*game, int(state.range(0)), close ? 30.0f : 400.0f);
  flopfist::match& m = *game->playing;
  snapshot start, after;
  start.save(m);
  std::vector<double> us, refus;
  us.reserve(size_t(state.max_iterations));
  refus.reserve(size_t(state.max_iterations));
  allocationcount allocs, refallocs;
  long overlaps = 0, mismatches = 0;
  for (auto _ : state) {
    start.restore(m);
    const int cursor = m.bursts.cursor();
    flopfist::matchevents refev;
    refallocs.begin();
    auto t0 = clk::now();
    flopfist::reference::contactpass(m, refev);
    auto t1 = clk::now();
    refallocs.end();
    refus.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    after.save(m);

    start.restore(m);
    flopfist::matchevents ev;
    allocs.begin();
    t0 = clk::now();
    m.contactpass(ev);
    t1 = clk::now();
    allocs.end();
    overlaps += (m.bursts.cursor() - cursor + 100) % 100;
    us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    if (!after.same(m) || ev.soundcount != refev.soundcount || ev.blowcount != refev.blowcount) mismatches++;
  }
  state.counters["ring_steps_per_pass"] = double(overlaps) / double(us.size());
  state.counters["mismatches"] = double(mismatches);
  const double game50 = median(us);
  state.counters["speedup"] = game50 > 0 ? median(refus) / game50 : 0;
  report(state, refus, refallocs, "ref_");
  report(state, us, allocs);
}
BENCHMARK(BM_contactpass)
    ->ArgsProduct({{5, 6}, {0, 1}})
    ->ArgNames({"fighters", "close"})
    ->Iterations(20000)
    ->Unit(benchmark::kMicrosecond);

// The simulation of whole frames of the six-fighter co-op brawl (match::step: no drawing), by the
// game and by the reference step of bench/reference.h, each on its own copy of the match, both
// put back into the scrum every two seconds.
void BM_sixfighterframe(benchmark::State& state) {
  auto game = opengame();
  if (!game) return state.SkipWithError("no asset folder");
  brawl(*game, 6);
  const auto start = std::make_unique<flopfist::match>(*game->playing);
  auto ours = std::make_unique<flopfist::match>(*start);
  auto ref = std::make_unique<flopfist::match>(*start);
  std::vector<double> us, refus;
  us.reserve(size_t(state.max_iterations));
  refus.reserve(size_t(state.max_iterations));
  allocationcount allocs, refallocs;
  flopfist::frameinput in;
  int frame = 0;
  for (auto _ : state) {
    if (frame % 120 == 0) *ours = *ref = *start;
    in.player[1].right = in.player[2].left = (frame / 30) % 2 == 0;
    refallocs.begin();
    auto t0 = clk::now();
    benchmark::DoNotOptimize(flopfist::reference::step(*ref, in));
    auto t1 = clk::now();
    refallocs.end();
    refus.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    allocs.begin();
    t0 = clk::now();
    benchmark::DoNotOptimize(ours->step(in));
    t1 = clk::now();
    allocs.end();
    us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    ++frame;
  }
  const double game50 = median(us);
  state.counters["speedup"] = game50 > 0 ? median(refus) / game50 : 0;
  report(state, refus, refallocs, "ref_");
  report(state, us, allocs);
}
BENCHMARK(BM_sixfighterframe)->Iterations(3000)->Unit(benchmark::kMicrosecond);

// Whole match frames of the co-op level with six fighters in a brawl. Range 1 keeps the particle
// ring full, every burst alive with 300 particles; range 0 leaves the bursts to the fight.
// Includes the headless present (a frame copy) and the software rasteriser of the test frame.
void BM_coopbrawlframe(benchmark::State& state) {
  auto game = opengame();
  if (!game) return state.SkipWithError("no asset folder");
  const bool fullring = state.range(0) == 1;
  brawl(*game, 6);
  flopfist::match& m = *game->playing;
  snapshot start;
  start.save(m);
  auto topup = [&] {
    for (int i = 1; fullring && i <= 100; i++) {
      if (m.bursts[i].alive == 0 || m.bursts[i].alpha < 0.05f) {
        const int cursor = m.bursts.cursor();  // the fight's own bursts go where they would have
        m.bursts.setcursor(i);
        m.startburst(float(i % 10) * 40 - 200, 150, 0, -1, 300, i % 2, 3, 0, 10);
        m.bursts.setcursor(cursor);
      }
    }
    m.framecount = 200;  // stays in the fight: no opening captions
  };
  // Warm up: the renderer's batches and caches reach their working size.
  for (int i = 0; i < 120; i++) {
    topup();
    game->matchframe();
  }
  start.restore(m);
  std::vector<double> us;
  us.reserve(size_t(state.max_iterations));
  allocationcount allocs;
  int frame = 0;
  for (auto _ : state) {
    if (frame % 120 == 0) start.restore(m);  // back into the scrum every two seconds
    topup();
    allocs.begin();
    const auto t0 = clk::now();
    game->matchframe();
    const auto t1 = clk::now();
    allocs.end();
    us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    frame++;
  }
  report(state, us, allocs);
}
BENCHMARK(BM_coopbrawlframe)->Arg(0)->Arg(1)->Iterations(1000)->Unit(benchmark::kMicrosecond);

// The counter itself: one vector allocated per iteration must read as one game allocation.
void BM_allocationcounter(benchmark::State& state) {
  std::vector<double> us;
  us.reserve(size_t(state.max_iterations));
  allocationcount allocs;
  for (auto _ : state) {
    allocs.begin();
    std::vector<int> v(100);
    benchmark::DoNotOptimize(v.data());
    allocs.end();
    us.push_back(0);
  }
  report(state, us, allocs);
}
BENCHMARK(BM_allocationcounter)->Iterations(1000);

}  // namespace
