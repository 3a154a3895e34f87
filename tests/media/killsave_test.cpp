// Kill during save: a child saving the preferences and the score table is killed at random moments;
// both files always hold exactly the old or the new bytes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "app/fightgame.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

using killsavetest = flopfist::testing::gametest;

std::string read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Seeded for repeatable kill moments; FLOPFIST_KILL_SEED tries others.
uint64_t killseed() {
  if (const char* s = std::getenv("FLOPFIST_KILL_SEED")) return std::strtoull(s, nullptr, 10);
  return 4242;
}

void saveboth(fightgame& g) {
  g.saveprefs();
  g.savescores();
}

TEST_F(killsavetest, BothFilesAreOldOrNewWhereverTheSaverIsKilled) {
  const uint64_t seed = killseed();
  std::printf("kill seed %llu (replay with FLOPFIST_KILL_SEED=%llu)\n", (unsigned long long)seed,
              (unsigned long long)seed);
  // Two versions of the game's state, different in both files.
  fightgame older, newer;
  older.scores.defaults();
  newer.settings.gravity = 10, newer.settings.blood = 30, newer.settings.flexibility = 20;
  newer.scores.defaults();
  newer.scores.add("SAVED", 987654);
  newer.scores.add(std::string(300, 'W'), 5);  // a longer file, so a cut one cannot look whole

  saveboth(newer);
  const std::string newprefs = read("prefs.qmx"), newscores = read("scores.txt");
  const auto start = std::chrono::steady_clock::now();
  saveboth(older);
  const auto cycle = std::chrono::steady_clock::now() - start;
  const std::string oldprefs = read("prefs.qmx"), oldscores = read("scores.txt");
  ASSERT_NE(oldprefs, newprefs);
  ASSERT_NE(oldscores, newscores);

  // Kill moments spread over about two rounds of saving both files, at least 2 ms.
  const auto spanus = std::max<int64_t>(
      2000, 4 * std::chrono::duration_cast<std::chrono::microseconds>(cycle).count());
  std::mt19937_64 random(seed);
  constexpr int kills = 250;
  int newseen = 0, oldseen = 0, leftovers = 0;
  for (int k = 0; k < kills; ++k) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (;;) {
        saveboth(newer);
        saveboth(older);
      }
    }
    ::usleep(useconds_t(random() % uint64_t(spanus)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saver ended by itself";

    const std::string prefs = read("prefs.qmx"), scores = read("scores.txt");
    ASSERT_TRUE(prefs == oldprefs || prefs == newprefs)
        << "kill " << k << ": prefs.qmx is neither version (" << prefs.size() << " bytes)";
    ASSERT_TRUE(scores == oldscores || scores == newscores)
        << "kill " << k << ": scores.txt is neither version (" << scores.size() << " bytes)";
    newseen += prefs == newprefs;
    oldseen += prefs == oldprefs;
    // A killed save leaves its temporary file behind; only the two files themselves count.
    for (const auto& e : std::filesystem::directory_iterator(".")) {
      const std::string name = e.path().filename().string();
      if (name.rfind("prefs.qmx.", 0) == 0 || name.rfind("scores.txt.", 0) == 0) {
        std::filesystem::remove(e.path());
        ++leftovers;
      }
    }
  }
  std::printf("%d kills: prefs.qmx old %d times, new %d times; %d temporary files left by kills\n",
              kills, oldseen, newseen, leftovers);
  // Kills landed while saving was under way, not only before the first save began.
  EXPECT_GT(newseen, 0);
  EXPECT_GT(leftovers, 0);
}

}  // namespace
}  // namespace flopfist
