// Media layer costs: 30,000 small alpha-blended quads per frame on the headless and the OpenGL
// renderer, present-to-present intervals under pacing, and the CPU used by an idle paced window.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "media/internal.h"
#include "media/media.h"
#include "media/testing.h"

namespace {

constexpr int quadcount = 30000;

struct spot {
  float x, y;
};

const std::vector<spot>& spots() {
  static const std::vector<spot> all = [] {
    std::vector<spot> s(quadcount);
    media::seedrnd(99);
    for (spot& p : s) p = {float(media::rnd(0, 1018)), float(media::rnd(0, 762))};
    return s;
  }();
  return all;
}

// A 6-pixel quad: the 24-pixel spark at a quarter of its size.
void drawquads(media::image* spark) {
  media::setblend(media::blend::alpha);
  media::setalpha(0.7f);
  media::setscale(0.25f, 0.25f);
  for (const spot& p : spots()) media::drawimage(spark, p.x, p.y);
}

media::image* loadspark() {
  return media::loadimage(std::string(FLOPFIST_ASSET_DIR) + "/images/spark.png",
                          media::imageflag::filtered | media::imageflag::mipmapped);
}

bool opendisplay(benchmark::State& state) {
  if (std::getenv("DISPLAY") == nullptr) {
    state.SkipWithError("needs an X display (run under Xvfb)");
    return false;
  }
  media::init(false);
  media::opengraphics(1024, 768, 0, 60);
  return true;
}

// Headless: queued drawing, then the software renderer rasterising it.
void BM_QuadsHeadless(benchmark::State& state) {
  media::test::reset();
  media::opengraphics(1024, 768, 0, 60);
  media::image* spark = loadspark();
  for (auto _ : state) {
    media::cls();
    drawquads(spark);
    media::flushbatch();
    SDL_RenderFlush(media::sys.renderer);
  }
  state.SetItemsProcessed(state.iterations() * quadcount);
  media::shutdown();
}
BENCHMARK(BM_QuadsHeadless)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// A real window through OpenGL: drawing, the geometry calls and the present (no pacing).
void BM_QuadsOpenGL(benchmark::State& state) {
  if (!opendisplay(state)) return;
  state.SetLabel(media::test::renderername());
  media::image* spark = loadspark();
  for (auto _ : state) {
    media::cls();
    drawquads(spark);
    media::flip(0);
  }
  state.SetItemsProcessed(state.iterations() * quadcount);
  media::shutdown();
}
BENCHMARK(BM_QuadsOpenGL)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

double percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[size_t(p * double(v.size() - 1) + 0.5)];
}

double cpuseconds() {
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  return double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
         double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

// 600 empty frames paced at 60 per second: the spread of present-to-present intervals.
void BM_PresentInterval(benchmark::State& state) {
  if (!opendisplay(state)) return;
  state.SetLabel(media::test::renderername());
  std::vector<double> intervals;
  for (auto _ : state) {
    intervals.clear();
    auto last = std::chrono::steady_clock::now();
    for (int i = 0; i < 601; ++i) {
      media::cls();
      media::flip(-1);
      const auto now = std::chrono::steady_clock::now();
      if (i > 0) intervals.push_back(std::chrono::duration<double, std::milli>(now - last).count());
      last = now;
    }
  }
  state.counters["p50_ms"] = percentile(intervals, 0.5);
  state.counters["p99_ms"] = percentile(intervals, 0.99);
  state.counters["max_ms"] = *std::max_element(intervals.begin(), intervals.end());
  media::shutdown();
}
BENCHMARK(BM_PresentInterval)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// Ten seconds of an idle screen presenting empty frames at 60 per second: CPU used by this
// process (all its threads, the OpenGL driver's included; not the X server's).
void BM_IdleCpu(benchmark::State& state) {
  if (!opendisplay(state)) return;
  state.SetLabel(media::test::renderername());
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    const double cpustart = cpuseconds();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 600; ++i) {
      media::cls();
      media::flip(-1);
    }
    wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cpu = cpuseconds() - cpustart;
  }
  state.counters["cpu_percent"] = 100 * cpu / wall;
  state.counters["seconds"] = wall;
  media::shutdown();
}
BENCHMARK(BM_IdleCpu)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
