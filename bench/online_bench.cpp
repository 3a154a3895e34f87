// Online play's costs: saving, restoring and an 8-frame rollback of a versus match at BLOOD 30 in the
// middle of a fight with every particle slot in use, and the link's bytes and datagrams per second.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "match/timeline.h"
#include "tests/net/duel.h"

namespace {

using namespace flopfist;

constexpr uint32_t seed = 19;

frameinput scripted(int f) {
  return mergeinputs({nettest::scriptinput(seed, 0, f), nettest::scriptinput(seed, 1, f)});
}

int aliveslots(const match& m) {
  int n = 0;
  for (int i = 1; i <= particlering::slots; ++i) n += m.bursts[i].alive != 0 ? 1 : 0;
  return n;
}

// A fight stepped until every particle slot is in use (or 3000 frames), and the frame reached.
struct midfight {
  std::unique_ptr<timeline> live;
  int frame = 0;
  // Scripted keys rarely land enough blows to fill the ring, so after ten seconds of fight every
  // slot gets a full burst of blood where fighter 2 stands, as a long exchange of blows leaves it.
  midfight() : live(std::make_unique<timeline>(nettest::versussetup(seed))) {
    while (frame < 600) (void)live->step(scripted(frame++));
    const ball& head = live->now.fighters[2].balls[1];
    for (int k = 0; k < particlering::slots; ++k) {
      live->now.startburst(head.x, head.y, 0, 0, dotburst::maxcount, 0, 3.0f, 0, 0);
    }
    (void)live->step(scripted(frame++));
  }
};

midfight& fight() {
  static midfight f;
  return f;
}

void BM_onlinesave(benchmark::State& state) {
  midfight& f = fight();
  auto saved = std::make_unique<timeline>(*f.live);
  for (auto _ : state) {
    *saved = *f.live;
    benchmark::DoNotOptimize(saved.get());
  }
  state.counters["slotsused"] = aliveslots(f.live->now);
  state.counters["frame"] = f.frame;
}
BENCHMARK(BM_onlinesave)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_onlinerestore(benchmark::State& state) {
  midfight& f = fight();
  const auto saved = std::make_unique<timeline>(*f.live);
  auto live = std::make_unique<timeline>(*f.live);
  for (auto _ : state) {
    *live = *saved;
    benchmark::DoNotOptimize(live.get());
  }
}
BENCHMARK(BM_onlinerestore)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// What a rollback of 8 frames asks: the state restored, then 8 steps, each state saved. Only
// confirmed states are hashed, once each, so a rollback hashes nothing.
void BM_onlinerollback8(benchmark::State& state) {
  midfight& f = fight();
  const auto start = std::make_unique<timeline>(*f.live);
  auto live = std::make_unique<timeline>(*f.live);
  std::vector<timeline> saves(8, *f.live);
  for (auto _ : state) {
    *live = *start;
    for (int k = 0; k < 8; ++k) {
      saves[size_t(k)] = *live;
      benchmark::DoNotOptimize(live->step(scripted(f.frame + k)));
    }
  }
}
BENCHMARK(BM_onlinerollback8)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// The parts of a rollback: one step, and the hash of a saved state.
void BM_onlinestep(benchmark::State& state) {
  midfight& f = fight();
  const auto start = std::make_unique<timeline>(*f.live);
  auto live = std::make_unique<timeline>(*f.live);
  for (auto _ : state) {
    state.PauseTiming();
    *live = *start;
    state.ResumeTiming();
    benchmark::DoNotOptimize(live->step(scripted(f.frame)));
  }
}
BENCHMARK(BM_onlinestep)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_onlinehash(benchmark::State& state) {
  midfight& f = fight();
  for (auto _ : state) benchmark::DoNotOptimize(f.live->hash());
}
BENCHMARK(BM_onlinehash)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Ten simulated seconds over a 120 ms link with 5% loss: what each side sends.
void BM_onlinelinkrate(benchmark::State& state) {
  nettest::dueloutcome o;
  for (auto _ : state) {
    nettest::duel<nettest::foldgame> d(nettest::foldgame{}, {120, 20, 0.05, 0.02, seed}, 2, seed);
    o = d.run(600);
  }
  const double seconds = double(o.frames[0]) / 60.0;
  state.counters["bytes_per_s"] = double(o.stats[0].bytessent) / seconds;
  state.counters["packets_per_s"] = double(o.stats[0].packetssent) / seconds;
  state.counters["bytes_per_packet"] = double(o.stats[0].bytessent) / double(o.stats[0].packetssent);
}
BENCHMARK(BM_onlinelinkrate)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
