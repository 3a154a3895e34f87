// One match frame of level 8 (five fighters), drawn into the headless renderer, timed frame by frame.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <vector>

#include "app/fightgame.h"
#include "bench/benchgame.h"
#include "media/media.h"
#include "media/testing.h"

namespace {

using flopfist::fightgame;

// Per-frame times are this thread's CPU time: on a shared machine the wall clock mostly measures
// the other processes. Google Benchmark's own columns still give the wall-clock mean.
double threadus() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e6 + double(t.tv_nsec) / 1e3;
}

// A one-player game at level 8, ready for its set-up.
std::unique_ptr<fightgame> level8() {
  auto game = benchgame(8);
  if (!game) return nullptr;
  game->current.mode = flopfist::gamemode::single;
  game->current.level = 8;
  return game;
}

// The player pushes right and left in turn so the fight keeps moving.
void scriptkeys(int frames) {
  for (int k = 0; k * 60 < frames; ++k) {
    const int key = k % 2 == 0 ? media::key::right : media::key::left;
    media::test::press(k * 60 + 1, key);
    media::test::release(k * 60 + 60, key);
  }
}

void report(benchmark::State& state, std::vector<double>& us) {
  if (us.empty()) return;
  std::sort(us.begin(), us.end());
  state.counters["cpu_p50_us"] = us[us.size() / 2];
  state.counters["cpu_p99_us"] = us[us.size() * 99 / 100];
}

// The whole frame, including the headless present (a copy of the frame into memory).
void BM_level8frame(benchmark::State& state) {
  auto game = level8();
  if (!game) return state.SkipWithError("no asset folder");
  std::vector<double> us;
  us.reserve(size_t(state.max_iterations));
  int frame = 0;
  for (auto _ : state) {
    if (frame % 600 == 0) {  // a fresh level every ten seconds, before anybody is knocked out
      state.PauseTiming();
      media::test::reset();  // the key script counts frames from here
      media::opengraphics(1024, 768, 0, 60);
      media::seedrnd(8);
      scriptkeys(600);
      game->beginmatch();
      state.ResumeTiming();
    }
    if (game->held > 0) {
      // A tick held after a hit pause or a slowed frame only presents the last picture again.
      state.PauseTiming();
      while (game->held > 0) game->matchframe();
      state.ResumeTiming();
    }
    const double t0 = threadus();
    game->matchframe();
    us.push_back(threadus() - t0);
    ++frame;
  }
  report(state, us);
}
BENCHMARK(BM_level8frame)->Iterations(3000)->Unit(benchmark::kMicrosecond);

// The headless present alone, to take away from the frame above.
void BM_headlesspresent(benchmark::State& state) {
  auto game = level8();
  if (!game) return state.SkipWithError("no asset folder");
  std::vector<double> us;
  us.reserve(size_t(state.max_iterations));
  for (auto _ : state) {
    const double t0 = threadus();
    media::flip(-1);
    us.push_back(threadus() - t0);
  }
  report(state, us);
}
BENCHMARK(BM_headlesspresent)->Iterations(3000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
