// The sync test over the committed replays and a scripted versus match: each frame the last eight are
// stepped again from saved copies, and every state reached again hashes as it did.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "replay/replay.h"
#include "net/rollback.h"
#include "net/synctest.h"
#include "tests/net/duel.h"

namespace flopfist {
namespace {

// Steps the match through the sync test and the rollback loop online play uses, with the given
// snapshot per frame sent as the two sides would send it; the mismatches found.
template <typename inputs>
net::synctest synctested(const matchsetup& setup, int steps, inputs frameinputs) {
  net::synctest t(8);
  auto loop = std::make_unique<net::rollback<match>>(match(setup), 2 * t.distance());
  for (int f = 0; f < steps; ++f) {
    const frameinput in = unpackinput(frameinputs(f));
    const std::array<uint16_t, 2> sides{sidebits(0, in.player[1], in.enter, in.space),
                                        sidebits(1, in.player[2], in.enter, in.space)};
    loop->carry(t, t.advance(sides), [](const net::request&, const matchevents&) {});
  }
  return t;
}

// One test a committed replay, so CTest runs them side by side.
class replaysynctest : public ::testing::TestWithParam<const char*> {};

TEST_P(replaysynctest, StepsAgainAlike) {
  const std::string path = std::string(FLOPFIST_REPLAY_DIR) + "/" + GetParam() + ".ffr";
  const loadedreplay l = loadreplay(path);
  ASSERT_EQ(l.problem, replayproblem::none) << path;
  std::vector<uint16_t> bits;
  for (const inputrun& run : l.data.inputs) bits.insert(bits.end(), size_t(run.steps), run.bits);
  const net::synctest t = synctested(l.data.setup, int(bits.size()), [&](int f) { return bits[size_t(f)]; });
  EXPECT_EQ(t.mismatches(), 0) << path << ": first at frame " << t.firstmismatch();
  EXPECT_EQ(t.frame(), l.data.info.steps);
}

INSTANTIATE_TEST_SUITE_P(CommittedReplays, replaysynctest, ::testing::Values("single", "versus", "coop"),
                         [](const auto& info) { return std::string(info.param); });

TEST(synctest, EveryCommittedReplayIsTested) {
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(FLOPFIST_REPLAY_DIR)) {
    files += entry.path().extension() == ".ffr" ? 1 : 0;
  }
  EXPECT_EQ(files, 3) << "a new replay in tests/replays: add it to CommittedReplays";
}

TEST(synctest, AScriptedVersusFightStepsAgainAlike) {
  constexpr uint32_t seed = 19;
  const net::synctest t = synctested(nettest::versussetup(seed), 900, [&](int f) {
    return packinput(mergeinputs({nettest::scriptinput(seed, 0, f), nettest::scriptinput(seed, 1, f)}));
  });
  EXPECT_EQ(t.mismatches(), 0) << "first at frame " << t.firstmismatch();
}

// The test itself: a state that a copy does not carry is caught.
TEST(synctest, StateLeftOutOfTheCopyIsCaught) {
  net::synctest t(8);
  uint64_t kept = 0, outside = 0;  // `outside` stands for state a saved copy forgets
  std::array<uint64_t, 16> saves{};
  for (int f = 0; f < 40; ++f) {
    for (const net::request& r : t.advance({uint16_t(f), 0})) {
      if (r.kind == net::requestkind::save) {
        saves[size_t(r.frame) % 16] = kept;
      } else if (r.kind == net::requestkind::checksum) {
        t.saved(r.frame, saves[size_t(r.frame) % 16] ^ (f >= 20 ? outside : 0));
      } else if (r.kind == net::requestkind::restore) {
        kept = saves[size_t(r.frame) % 16];
      } else {
        kept = kept * 31 + r.inputs[0];
        ++outside;
      }
    }
  }
  EXPECT_GT(t.mismatches(), 0);
  EXPECT_GE(t.firstmismatch(), 12);
}

}  // namespace
}  // namespace flopfist
