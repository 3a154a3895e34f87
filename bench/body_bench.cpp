// Fighter physics and particle bursts per frame, with a count of heap allocations made meanwhile.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <vector>

#include "app/fightgame.h"
#include "bench/benchgame.h"
#include "bench/reference.h"
#include "media/media.h"
#include "media/testing.h"

// Every allocation through operator new in this program is counted, so a frame can show it made
// none. The aligned forms are left to the library; nothing in the game asks for them. All are kept
// out of line: inlined next to each other, g++ mistakes the malloc and free for a mismatch.
namespace {
std::atomic<long> allocations{0};
}

[[gnu::noinline]] void* operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  allocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

using flopfist::fightgame;
using flopfist::man;
using clk = std::chrono::steady_clock;

std::unique_ptr<fightgame> opengame() { return benchgame(6); }

void report(benchmark::State& state, std::vector<double>& us, long allocs, const char* prefix = "") {
  if (us.empty()) return;
  std::sort(us.begin(), us.end());
  const std::string p(prefix);
  state.counters[p + "p50_us"] = us[us.size() / 2];
  state.counters[p + "p99_us"] = us[us.size() * 99 / 100];
  state.counters[p + "allocs_per_frame"] = double(allocs) / double(us.size());
}

// Six scale-2 fighters: gravity, move, 32 relaxation passes, velocities and walls, one frame.
// Each frame is stepped twice from the same bodies, by the reference step of bench/reference.h
// (the step before issue 13) and by the game's, so both are timed side by side on the same load.
void BM_sixfighterphysics(benchmark::State& state) {
  auto game = opengame();
  if (!game) return state.SkipWithError("no asset folder");
  const flopfist::arena walls{-1024, 1024, -768, 768};
  const flopfist::options& rules = game->settings;
  const float dt = 1.0f;
  media::generator rng(6);
  std::array<man, 7> fighters{};
  for (int n = 1; n <= 6; ++n) {
    man& f = fighters[size_t(n)];
    f.number = n, f.scale = 2, f.team = n == 1 ? 1 : 2;
    f.colour = {0, 175, 175, 175};
    f.setup(6, rng);
  }
  std::array<man, 7> copy = fighters;
  const std::span<man> six = std::span<man>(copy).subspan(1, 6);
  std::vector<double> us, refus;
  us.reserve(size_t(state.max_iterations));
  refus.reserve(size_t(state.max_iterations));
  long allocs = 0, refallocs = 0;
  int frame = 0;
  for (auto _ : state) {
    // A computer push now and then keeps the bodies tumbling rather than lying still.
    if (frame++ % 120 == 0) {
      for (int n = 1; n <= 6; ++n) fighters[size_t(n)].balls[flopfist::bodyball::head].vy -= 30;
    }
    copy = fighters;
    long before = allocations.load();
    auto t0 = clk::now();
    for (int n = 1; n <= 6; ++n) fighters[size_t(n)].saveposition();
    for (int n = 1; n <= 6; ++n) {
      flopfist::reference::stepbody(fighters[size_t(n)], rules.gravity, dt, rules.flexibility, false, walls);
    }
    auto t1 = clk::now();
    refallocs += allocations.load() - before;
    refus.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());

    before = allocations.load();
    t0 = clk::now();
    for (man& f : six) f.saveposition();
    flopfist::stepbodies(six, rules.gravity, dt, rules.flexibility, false, walls);
    t1 = clk::now();
    allocs += allocations.load() - before;
    us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    benchmark::DoNotOptimize(fighters[6].balls[flopfist::bodyball::head].x);
    benchmark::DoNotOptimize(copy[6].balls[flopfist::bodyball::head].x);
  }
  // How far the game's step strays from the reference's in one frame, at the last frame.
  float most = 0;
  for (int n = 1; n <= 6; ++n) {
    for (int k = 1; k <= 26; ++k) {
      const auto& a = fighters[size_t(n)].balls[size_t(k)];
      const auto& b = copy[size_t(n)].balls[size_t(k)];
      most = std::max({most, std::abs(a.x - b.x), std::abs(a.y - b.y)});
    }
  }
  state.counters["last_frame_max_px"] = most;
  const double game50 = us.empty() ? 0 : (std::sort(us.begin(), us.end()), us[us.size() / 2]);
  const double ref50 = refus.empty() ? 0 : (std::sort(refus.begin(), refus.end()), refus[refus.size() / 2]);
  state.counters["speedup"] = game50 > 0 ? ref50 / game50 : 0;
  report(state, refus, refallocs, "ref_");
  report(state, us, allocs);
}
BENCHMARK(BM_sixfighterphysics)->Iterations(5000)->Unit(benchmark::kMicrosecond);

// 100 live bursts of 300 particles, half drops and half sparks, updated and drawn. Range 0 times
// updatebursts alone (geometry built, batches rasterised by the software renderer as textures
// change); range 1 adds the present that rasterises the rest of the frame; range 2 runs without
// a window, so it times the game's own work: motion, colours and every draw call.
void BM_updatebursts(benchmark::State& state) {
  auto game = opengame();
  if (!game) return state.SkipWithError("no asset folder");
  const bool present = state.range(0) == 1;
  if (state.range(0) == 2) media::test::reset();  // closes the test frame
  const flopfist::view camera{0, 0, 1};
  media::generator rng(6);
  flopfist::particlering bursts;
  auto restart = [&] {
    for (int i = 1; i <= 100; ++i)
      bursts.start(float(i % 10) * 90 - 450, float(i / 10) * 60 - 300, 0.2f, -0.5f, 300, i % 2, 3,
                   rng, 0, 8);
  };
  // Updated and drawn, as a match frame does.
  auto updatebursts = [&] {
    bursts.beginframe();
    bursts.update(rng);
    bursts.draw(camera, game->art.images);
  };
  // One frame first: the media layer sets up its textures and buffers when first drawn with.
  restart();
  const long warmup = allocations.load();
  updatebursts();
  state.counters["first_update_allocs"] = double(allocations.load() - warmup);
  media::flip(0);
  std::vector<double> us;
  us.reserve(size_t(state.max_iterations));
  long allocs = 0;
  int frame = 0;
  for (auto _ : state) {
    if (frame++ % 50 == 0) restart();  // every burst stays alive: a burst lives 51 updates
    media::cls();
    const long before = allocations.load();
    const auto t0 = clk::now();
    updatebursts();
    if (present) media::flip(0);
    const auto t1 = clk::now();
    allocs += allocations.load() - before;
    if (!present) media::flip(0);
    us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
  }
  report(state, us, allocs);
}
BENCHMARK(BM_updatebursts)->Arg(0)->Arg(1)->Arg(2)->Iterations(200)->Unit(benchmark::kMicrosecond);

}  // namespace
