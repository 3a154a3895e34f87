// Replays: the size of a minute of play, the time to load and start one, and frames watched at
// double speed in the headless renderer.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "replay/playback.h"
#include "replay/recorder.h"
#include "app/replayview.h"
#include "bench/benchgame.h"
#include "media/folders.h"
#include "media/media.h"
#include "media/testing.h"

namespace {

using namespace flopfist;

constexpr int minute = 3600;

double threadus() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e6 + double(t.tv_nsec) / 1e3;
}

// A player's hands: a direction (sometimes two, sometimes none) held for 6 to 40 frames.
class hands {
 public:
  explicit hands(uint32_t seed) : state_(seed) {}
  directions next() {
    if (--left_ <= 0) {
      left_ = 6 + int(draw() % 35);
      const uint32_t pick = draw() % 12;
      held_ = {pick == 0 || pick == 4 || pick == 5, pick == 1 || pick == 6, pick == 2 || pick == 4 || pick == 6,
               pick == 3 || pick == 5};  // 7..11: none
    }
    return held_;
  }
  uint32_t draw() { return state_ = state_ * 1664525u + 1013904223u, state_ >> 8; }

 private:
  uint32_t state_;
  int left_ = 0;
  directions held_;
};

// A minute of play through the recorder, then Escape: inputs from the hands, or random every frame.
replay recordminute(gamemode mode, int level, bool everyframe) {
  matchsetup setup;
  setup.mode = mode;
  setup.level = level;
  setup.rng = media::generator(level);
  recorder rec;
  rec.begin(setup, series{}, scoretable{}, 1);
  match m(setup);
  hands one(1), two(2);
  for (int k = 1; k <= minute + 1; ++k) {
    frameinput in = everyframe ? unpackinput(uint16_t(one.draw() & 255)) : frameinput{};
    if (!everyframe) in.player = {directions{}, one.next(), mode == gamemode::single ? directions{} : two.next()};
    in.escape = k == minute + 1;
    rec.add(in);
    m.step(in);
    rec.stepped(m);
  }
  return rec.finish(m, 0, 0);
}

void BM_replaysize(benchmark::State& state) {
  const bool everyframe = state.range(0) == 2;
  const gamemode mode = state.range(0) == 0 ? gamemode::single : gamemode::versus;
  const replay r = recordminute(mode, 8, everyframe);
  size_t bytes = 0;
  for (auto _ : state) {
    bytes = encodereplay(r).size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["bytes_per_minute"] = double(bytes);
  state.counters["input_runs"] = double(r.inputs.size());
  state.SetLabel(everyframe ? "keys changed every frame" : mode == gamemode::single ? "one player" : "two players");
}
BENCHMARK(BM_replaysize)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// From the file chosen to its first frame presented: read, checksum, decode, set up, one frame.
void BM_loadandstart(benchmark::State& state) {
  auto game = benchgame(8);
  if (!game) return state.SkipWithError("no asset folder");
  const std::string path = "/tmp/flopfist-bench-replay.ffr";
  if (!media::savefile(path, encodereplay(recordminute(gamemode::single, 8, false)))) {
    return state.SkipWithError("cannot write the replay file");
  }
  for (auto _ : state) {
    const loadedreplay l = loadreplay(path);
    replayview view(*game, l.data);
    view.frame();
  }
  media::removefile(path);
}
BENCHMARK(BM_loadandstart)->Unit(benchmark::kMillisecond);

// The REPLAYS screen reads and checks every kept file when it opens: twenty-one minute-long ones.
void BM_readtwentyone(benchmark::State& state) {
  const std::string bytes = encodereplay(recordminute(gamemode::versus, 1, false));
  for (auto _ : state) {
    for (int k = 0; k < 21; ++k) benchmark::DoNotOptimize(decodereplay(bytes).problem);
  }
}
BENCHMARK(BM_readtwentyone)->Unit(benchmark::kMicrosecond);

// A watched frame of level 8 (five fighters): a step drawn (two at double speed) and the present.
// The frames a hit pause or a slowed frame holds, which only present the last picture again, are
// not timed.
void BM_watchframe(benchmark::State& state) {
  const bool fast = state.range(0) == 2;
  auto game = benchgame(8);
  if (!game) return state.SkipWithError("no asset folder");
  const replay r = recordminute(gamemode::single, 8, false);
  std::vector<double> us;
  us.reserve(size_t(state.max_iterations));
  std::unique_ptr<replayview> view;
  for (auto _ : state) {
    if (view && view->holding()) {
      state.PauseTiming();
      while (view->holding()) view->frame();
      state.ResumeTiming();
    }
    if (!view || view->playing().finished()) {
      state.PauseTiming();
      view.reset();
      view = std::make_unique<replayview>(*game, r);
      if (fast) media::test::tap(media::test::frames() + 1, media::key::space);
      view->frame();
      state.ResumeTiming();
    }
    const double t0 = threadus();
    view->frame();
    us.push_back(threadus() - t0);
  }
  std::sort(us.begin(), us.end());
  state.counters["cpu_p50_us"] = us[us.size() / 2];
  state.counters["cpu_p99_us"] = us[us.size() * 99 / 100];
  state.SetLabel(fast ? "double speed" : "normal speed");
}
BENCHMARK(BM_watchframe)->Arg(1)->Arg(2)->Iterations(1500)->Unit(benchmark::kMicrosecond);

}  // namespace
