// Soak: co-op matches at extreme options with random keys, headless, for many frames; every number stays
// finite and resident memory stops growing. Usage: flopfist_soak [frames, default 100000] [asset folder]
// The seed is printed; FLOPFIST_SOAK_SEED replays a run.
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "media/media.h"
#include "media/testing.h"
#include "soak/game.h"

namespace {

namespace fs = std::filesystem;

// Resident memory in kilobytes, from the kernel's own count.
long residentkb() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// A fresh working folder with links to the assets, as the game finds them when started.
std::string makeworkdir(const std::string& assets) {
  std::string pattern = (fs::temp_directory_path() / "flopfist-soak-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return {};
  for (const char* sub : {"images", "sounds", "music"}) {
    fs::create_directory_symlink(fs::absolute(assets) / sub, fs::path(pattern) / sub);
  }
  return pattern;
}

// The players' keys: player 1's arrows, player 2's W, A, S, D.
constexpr int playerkeys[] = {media::key::left, media::key::up,   media::key::right, media::key::down,
                              media::key::a,    media::key::w,    media::key::d,     media::key::s};

}  // namespace

// Under AddressSanitizer, freed memory is held back for a while to catch late uses; with the default
// 256 MB it would fill for most of the run and hide the game's own growth. A few megabytes still
// catch a use within many frames of the free. ASAN_OPTIONS can still change both.
extern "C" const char* __asan_default_options() {
  return "quarantine_size_mb=4:detect_leaks=1";
}

int main(int argc, char** argv) {
  const long frames = argc > 1 ? std::atol(argv[1]) : 100000;
  const std::string assets = argc > 2 ? argv[2] : FLOPFIST_ASSET_DIR;
  uint64_t seed = 7;
  if (const char* s = std::getenv("FLOPFIST_SOAK_SEED")) seed = std::strtoull(s, nullptr, 10);
  std::printf("soak: %ld frames, seed %llu (replay with FLOPFIST_SOAK_SEED=%llu)\n", frames,
              (unsigned long long)seed, (unsigned long long)seed);
  std::fflush(stdout);

  const std::string workdir = makeworkdir(assets);
  if (workdir.empty()) return 2;
  const fs::path olddir = fs::current_path();
  fs::current_path(workdir);

  int code = 0;
  try {
    media::test::reset();
    soak::opengame();
    std::mt19937_64 random(seed);
    // The extremes a player can set: most blood, stiffest and floppiest bodies in turn, strongest
    // gravity, cleverest computer fighters.
    soak::options options{30, 1, 10, 10};
    int level = 1, matches = 1;
    soak::startmatch(level, options);
    bool held[std::size(playerkeys)] = {};
    const auto start = std::chrono::steady_clock::now();
    long rssat10k = 0;
    for (long f = 1; f <= frames; ++f) {
      // Keys change now and then, as fingers do; Enter and typed letters get through the
      // summary, the name entry and the score table.
      const int next = media::test::frames() + 1;
      for (size_t k = 0; k < std::size(playerkeys); ++k) {
        if (random() % 12 != 0) continue;
        held[k] = !held[k];
        if (held[k]) {
          media::test::press(next, playerkeys[k]);
        } else {
          media::test::release(next, playerkeys[k]);
        }
      }
      if (random() % 90 == 0) media::test::tap(next, media::key::enter);
      // Now and then the game's own shortcut, 4 and 1 together, wins the level, so the soak
      // goes through the summary and on to levels with more fighters. Often in the first 10,000
      // frames, so every level has been played once before memory is measured.
      if (random() % (f < 10000 ? 200 : 2500) == 0) {
        media::test::tap(next, media::key::digit4);
        media::test::tap(next, media::key::digit1);
      }
      if (random() % 40 == 0) media::test::type(next, 'A' + int(random() % 26));

      media::test::forgetcuedsounds();  // test mode's record of sounds would grow without end
      if (!soak::playframe()) {
        level = level % 20 + 1;
        options.flexibility = options.flexibility == 1 ? 20 : 1;
        soak::startmatch(level, options);
        ++matches;
      }
      const std::string wrong = soak::firstnonfinite();
      if (!wrong.empty()) {
        std::printf("soak: frame %ld: %s is not finite\n", f, wrong.c_str());
        code = 1;
        break;
      }
      if (f == 10000) rssat10k = residentkb();
      if (f % 10000 == 0 || f == frames) {
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("soak: frame %ld, match %d (level %d), resident %ld kB, %.0f s\n", f, matches,
                    level, residentkb(), s);
        std::fflush(stdout);
      }
    }
    const long rssend = residentkb();
    if (code == 0 && rssat10k > 0) {
      const long growth = rssend - rssat10k;
      std::printf("soak: resident memory %ld kB at frame 10000, %ld kB at frame %ld: %+ld kB\n",
                  rssat10k, rssend, frames, growth);
      if (frames >= 20000 && growth >= 1024) {
        std::printf("soak: memory grew by 1 MB or more\n");
        code = 1;
      }
    }
  } catch (const media::programexit& e) {
    std::printf("soak: the game ended the program with code %d\n", e.code);
    code = 1;
  }
  media::shutdown();
  fs::current_path(olddir);
  std::error_code ignored;
  fs::remove_all(workdir, ignored);
  std::printf("soak: %s\n", code == 0 ? "passed" : "FAILED");
  return code;
}
