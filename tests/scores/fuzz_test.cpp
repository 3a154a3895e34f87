// Seeded random inputs for the prefs.qmx and scores.txt loaders: no crash, every loaded value in range.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>
#include <algorithm>
#include <filesystem>
#include <string>

#include "app/fightgame.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

namespace fs = std::filesystem;

// The seed comes from FLOPFIST_FUZZ_SEED when set, so a failure can be replayed.
uint64_t fuzzseed() {
  if (const char* s = std::getenv("FLOPFIST_FUZZ_SEED")) return std::strtoull(s, nullptr, 10);
  return uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
}
// Inputs per loader: half a million each, a million in all; FLOPFIST_FUZZ_INPUTS overrides it.
int fuzzinputs() {
  if (const char* s = std::getenv("FLOPFIST_FUZZ_INPUTS")) return std::atoi(s);
  return 500000;
}

// A small, fast generator (xorshift64*) writing into a fixed buffer, so that making a million
// inputs costs little beside loading them.
class inputmaker {
 public:
  inputmaker(uint64_t seed, int maxlines) : state_(seed | 1), maxlines_(maxlines) {}

  // One file's bytes: raw noise, number-like lines, or now and then a very long line.
  std::string_view next() {
    n_ = 0;
    const int kind = pick(1000);
    if (kind < 300) {
      noise(pick(120));
    } else if (kind < 997) {
      const int lines = pick(maxlines_ + 1);
      for (int i = 0; i < lines; ++i) {
        numberish();
        terminator();
      }
    } else {
      noise(1000 + pick(30000));
    }
    return {buf_, n_};
  }

  uint64_t draw() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1DULL;
  }
  int pick(int n) { return int(draw() % uint64_t(n)); }

 private:
  void noise(size_t count) {
    for (size_t i = 0; i < count; i += 8) {
      const uint64_t bits = draw();
      std::memcpy(buf_ + n_, &bits, 8);
      n_ += std::min<size_t>(8, count - i);
    }
  }
  void numberish() {
    static const char* starts[] = {"", "", "", " ", "  ", "\t", "-", "+", "$", "%", "-$", "+%", "--", " -", "x"};
    for (const char* c = starts[pick(15)]; *c != 0; ++c) buf_[n_++] = *c;
    static const char digits[] = "0123456789ABCDEFabcdef01-+ ";
    // Mostly short values; one in sixteen far beyond 64 bits.
    const int count = pick(16) == 0 ? 20 + pick(60) : pick(5);
    uint64_t bits = draw();
    for (int i = 0; i < count; ++i, bits >>= 5) {
      if (i % 12 == 11) bits = draw();
      buf_[n_++] = digits[(bits & 31) % (sizeof digits - 1)];
    }
  }
  void terminator() {
    static const char* ends[] = {"\r\n", "\r\n", "\r\n", "\n", "\r", "", "\r\r\n"};
    const int e = pick(8);
    if (e == 7) {
      buf_[n_++] = '\0';
      return;
    }
    for (const char* c = ends[e]; *c != 0; ++c) buf_[n_++] = *c;
  }
  uint64_t state_;
  int maxlines_;
  size_t n_ = 0;
  char buf_[40000];  // the longest input: 31000 bytes of noise, or 60 lines of at most 86
};

// Runs in a folder on a memory file system when there is one, so a million files are written quickly.
class Fuzz : public ::testing::Test {
 protected:
  void SetUp() override {
    olddir_ = fs::current_path().string();
    std::string pattern = (fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp") + std::string("/flopfist-fuzz-XXXXXX");
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    fs::current_path(dir_);
    media::test::reset();
    seed = fuzzseed();
    std::printf("fuzz seed %llu (replay with FLOPFIST_FUZZ_SEED=%llu)\n", (unsigned long long)seed,
                (unsigned long long)seed);
  }
  void TearDown() override {
    fs::current_path(olddir_);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  // Replaces the file's bytes in place through one descriptor held open.
  static bool put(int fd, std::string_view bytes) {
    return ftruncate(fd, 0) == 0 && pwrite(fd, bytes.data(), bytes.size(), 0) == ssize_t(bytes.size());
  }
  // Most inputs go to the reader from memory; every 50th goes through the file, as at start-up.
  template <class fromstream, class fromfile>
  void load(int fd, int i, std::string_view bytes, fromstream readstream, fromfile readfile) {
    if (i % 50 == 0) {
      ASSERT_TRUE(put(fd, bytes));
      readfile();
    } else {
      stream_.openbytes(std::string(bytes));
      readstream(stream_);
    }
  }
  uint64_t seed = 0;

 private:
  media::infile stream_;
  std::string olddir_, dir_;
};

std::vector<int> settings(const options& g) {
  return {g.spare1,       g.playersspeed, g.flexibility, g.spare2,  g.blowpower, g.plasma, g.slowmotion,
          g.fullscreen,   g.soundsvolume, g.musicvolume, g.gravity, g.ailevel,   g.blood};
}

bool inrange(const options& g) {
  auto in = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
  return in(g.gravity, 0, 10) && in(g.playersspeed, 1, 10) && in(g.flexibility, 1, 20) && in(g.blowpower, 1, 10) &&
         in(g.ailevel, 1, 10) && in(g.slowmotion, 0, 10) && in(g.blood, 0, 30) && in(g.plasma, 0, 1) &&
         in(g.fullscreen, 0, 1) && in(g.soundsvolume, 0, 10) && in(g.musicvolume, 0, 10) && in(g.spare2, 1, 7);
}

TEST_F(Fuzz, PrefsLoaderKeepsEverySettingInRange) {
  inputmaker make(seed, 16);
  int fd = ::open("prefs.qmx", O_RDWR | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  fightgame g, back;
  const int inputs = fuzzinputs();
  int bad = 0;
  for (int i = 0; i < inputs && bad < 5; ++i) {
    const std::string_view bytes = make.next();
    g.settings = options{};
    load(fd, i, bytes, [&](media::infile& in) { readprefs(g.settings, in); }, [&] { g.loadprefs(); });
    if (!inrange(g.settings)) {
      ++bad;
      ADD_FAILURE() << "input " << i << " leaves a setting out of range";
    }
    // Now and then: what was loaded saves and loads back unchanged.
    if (i % 5000 == 0) {
      g.saveprefs();
      back.settings = options{};
      back.settings.gravity = -1;
      back.loadprefs();
      EXPECT_EQ(settings(back.settings), settings(g.settings));
      ::close(fd);
      fd = ::open("prefs.qmx", O_RDWR);  // saving put a new file in place of the one held open
      ASSERT_GE(fd, 0);
    }
  }
  ::close(fd);
}

TEST_F(Fuzz, ScoresLoaderKeepsTwentyRowsOfSingleLines) {
  inputmaker make(seed ^ 0x5C0535ULL, 44);
  int fd = ::open("scores.txt", O_RDWR | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  fightgame g, back;
  g.scores.defaults();
  back.scores.defaults();
  const int inputs = fuzzinputs();
  int bad = 0;
  for (int i = 0; i < inputs && bad < 5; ++i) {
    const std::string_view bytes = make.next();
    for (auto& row : g.scores.rows) row.name.assign("NOBODY");  // no long name left from before
    load(fd, i, bytes, [&](media::infile& in) { g.scores.read(in); }, [&] { g.loadscores(); });
    bool ok = g.scores.rows.size() == 20;
    constexpr std::string_view linebreaks("\r\n\0", 3);  // never part of a name read from a line
    for (const auto& row : g.scores.rows) ok = ok && row.name.find_first_of(linebreaks) == std::string::npos;
    if (!ok) {
      ++bad;
      ADD_FAILURE() << "input " << i << " breaks the table";
    }
    // Now and then: the table saves and loads back exactly, names of any bytes included.
    if (i % 5000 == 0) {
      g.savescores();
      back.loadscores();
      for (size_t r = 0; r < 20; ++r) {
        EXPECT_EQ(back.scores.rows[r].name, g.scores.rows[r].name);
        EXPECT_EQ(back.scores.rows[r].points, g.scores.rows[r].points);
      }
      ::close(fd);
      fd = ::open("scores.txt", O_RDWR);
      ASSERT_GE(fd, 0);
      g.scores.sort();
      g.scores.add("X", int64_t(make.pick(1 << 30)) << make.pick(8));
      EXPECT_EQ(g.scores.rows.size(), 20u);
    }
  }
  ::close(fd);
}

}  // namespace
}  // namespace flopfist
