// How far the game's simulation strays from the reference of bench/reference.h (the step before
// issue 13): every ball of the four recorded matches over their first 30 frames, and the remaining
// energy and combo score of seeded 1,200-frame level-8 matches, compared by their means, spreads
// and a Mann-Whitney rank test. Prints a report; exits 1 when a 30-frame gap reaches 0.1 px.
// Usage: flopfist_fidelity [matches=40] [frames=1200]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bench/reference.h"
#include "match/match.h"

namespace {

using namespace flopfist;

std::unique_ptr<match> makematch(gamemode mode, int level, int seed) {
  matchsetup setup;
  setup.mode = mode;
  setup.level = level;
  setup.rng = media::generator(seed);
  return std::make_unique<match>(setup);
}

// The players turn their pushes every `hold` frames: right, down, left, up (player 2 the other way).
frameinput script(int frame, int hold) {
  frameinput in;
  const int phase = (frame / hold) % 4;
  in.player[1] = {phase == 3, phase == 1, phase == 2, phase == 0};
  in.player[2] = {phase == 1, phase == 3, phase == 0, phase == 2};
  return in;
}

float largestgap(const match& a, const match& b) {
  float most = 0;
  for (int n = 1; n <= a.fightercount; n++) {
    for (int k = 1; k <= 26; k++) {
      const ball& p = a.fighters[size_t(n)].balls[size_t(k)];
      const ball& q = b.fighters[size_t(n)].balls[size_t(k)];
      most = std::max({most, std::abs(p.x - q.x), std::abs(p.y - q.y)});
    }
  }
  return most;
}

struct summary {
  double mean = 0, sd = 0;
};
summary describe(const std::vector<double>& v) {
  summary s;
  for (double x : v) s.mean += x;
  s.mean /= double(v.size());
  for (double x : v) s.sd += (x - s.mean) * (x - s.mean);
  s.sd = std::sqrt(s.sd / double(v.size() - 1));
  return s;
}

// Mann-Whitney U of a against b, with the two-sided p of its normal approximation (ties corrected).
struct ranktest {
  double u = 0, z = 0, p = 1;
};
ranktest mannwhitney(const std::vector<double>& a, const std::vector<double>& b) {
  struct item {
    double v;
    int group;
  };
  std::vector<item> all;
  for (double x : a) all.push_back({x, 0});
  for (double x : b) all.push_back({x, 1});
  std::sort(all.begin(), all.end(), [](const item& p, const item& q) { return p.v < q.v; });
  const double n1 = double(a.size()), n2 = double(b.size()), n = n1 + n2;
  double ranka = 0, ties = 0;
  for (size_t i = 0; i < all.size();) {
    size_t j = i;
    while (j < all.size() && all[j].v == all[i].v) j++;
    const double rank = (double(i) + double(j) + 1) / 2;  // mean of ranks i+1..j
    const double t = double(j - i);
    ties += t * t * t - t;
    for (size_t k = i; k < j; k++) {
      if (all[k].group == 0) ranka += rank;
    }
    i = j;
  }
  ranktest r;
  r.u = ranka - n1 * (n1 + 1) / 2;
  const double mu = n1 * n2 / 2;
  const double sigma = std::sqrt(n1 * n2 / 12 * ((n + 1) - ties / (n * (n - 1))));
  r.z = sigma > 0 ? (r.u - mu) / sigma : 0;
  r.p = std::erfc(std::abs(r.z) / std::sqrt(2.0));
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  const int matches = argc > 1 ? std::atoi(argv[1]) : 40;
  const int frames = argc > 2 ? std::atoi(argv[2]) : 1200;

  // 1. The four recorded matches of golden_test, their modes, levels and seeds.
  struct scenario {
    const char* name;
    gamemode mode;
    int level, seed;
  };
  const scenario scenarios[] = {{"level 8, one player", gamemode::single, 8, 20261208},
                                {"level 3, co-op", gamemode::coop, 3, 777},
                                {"versus", gamemode::versus, 1, 31337},
                                {"level 11, robot", gamemode::single, 11, 1}};
  bool within = true;
  std::printf("Largest gap of any ball from the reference over the first 30 frames:\n");
  for (const scenario& s : scenarios) {
    auto ours = makematch(s.mode, s.level, s.seed);
    auto ref = makematch(s.mode, s.level, s.seed);
    float most = 0;
    for (int f = 1; f <= 30; f++) {
      const frameinput in = script(f, 10);
      ours->step(in);
      reference::step(*ref, in);
      most = std::max(most, largestgap(*ours, *ref));
    }
    std::printf("  %-22s %.6f px\n", s.name, double(most));
    within = within && most < 0.1f;
  }

  // 2. Seeded level-8 matches to the end of their frames (or of the fight).
  std::vector<double> energy[2], opponents[2], combo[2];
  for (int seed = 1; seed <= matches; seed++) {
    for (int which = 0; which < 2; which++) {
      auto m = makematch(gamemode::single, 8, 1000 + seed);
      for (int f = 1; f <= frames; f++) {
        const frameinput in = script(f, 120);
        if (which == 0) {
          m->step(in);
        } else {
          reference::step(*m, in);
        }
      }
      double rest = 0;
      for (int n = 2; n <= m->fightercount; n++) rest += m->fighters[size_t(n)].energy;
      energy[which].push_back(m->fighters[1].energy);
      opponents[which].push_back(rest);
      combo[which].push_back(double(m->comboscore));
    }
  }
  std::printf("\n%d seeded level-8 matches of %d frames, game vs reference:\n", matches, frames);
  auto line = [](const char* what, const std::vector<double>& a, const std::vector<double>& b) {
    const summary sa = describe(a), sb = describe(b);
    const ranktest r = mannwhitney(a, b);
    std::printf("  %-28s mean %10.2f sd %10.2f | mean %10.2f sd %10.2f | U %6.1f z %+.2f p %.3f\n", what,
                sa.mean, sa.sd, sb.mean, sb.sd, r.u, r.z, r.p);
  };
  line("player's remaining energy", energy[0], energy[1]);
  line("opponents' remaining energy", opponents[0], opponents[1]);
  line("combo score", combo[0], combo[1]);
  return within ? 0 : 1;
}
