// Replays: each mode recorded and played back step for step, the committed files, damaged files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "replay/playback.h"
#include "app/replayview.h"
#include "media/folders.h"
#include "tests/support/scripted.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

// Watches a replay to its end, taking note of every step it shows once its picture is on screen;
// frames: how many the viewer presented.
shownmatch watch(fightgame& game, const replay& r, bool doublespeed, bool& verified, int& frames) {
  stepwatch notes;
  replayview view(game, r);
  const int first = media::test::frames();
  if (doublespeed) media::test::tap(media::test::frames() + 1, media::key::space);
  int seen = 0;
  while (view.frame()) {
    if (view.playing().steps() > seen && !view.holding()) {
      seen = view.playing().steps();
      notes.presented(view.playing().now(), view.playing().finished());
    }
    if (view.playing().finished()) media::test::tap(media::test::frames() + 1, media::key::enter);
  }
  verified = view.playing().verified();
  frames = media::test::frames() - first;
  return notes.result();
}

class roundtrip : public gametest, public ::testing::WithParamInterface<int> {};

// The file alone brings back the match the keys played: the same state after every step, the
// same sounds in the same steps (the live pause in versus included), the same scene on screen.
TEST_P(roundtrip, TheFilePlaysBackStepForStepWithTheSameSoundsAndScene) {
  const scriptedmatch& s = scriptedmatches[size_t(GetParam())];
  auto game = scriptedgame(s);
  const shownmatch live = playscripted(*game, s);
  ASSERT_FALSE(live.replayfile.empty());
  const loadedreplay file = loadreplay(live.replayfile);
  ASSERT_EQ(file.problem, replayproblem::none) << file.message;
  EXPECT_EQ(file.data.info.ending, live.ending);
  EXPECT_EQ(file.data.info.mode, s.mode);
  const scoretable tablebefore = game->scores;

  bool verified = false;
  int frames = 0;
  const shownmatch replayed = watch(*game, file.data, false, verified, frames);
  EXPECT_TRUE(verified);
  ASSERT_EQ(replayed.hashes.size(), live.hashes.size());
  for (size_t k = 0; k < live.hashes.size(); ++k) ASSERT_EQ(replayed.hashes[k], live.hashes[k]) << "step " << k + 1;
  EXPECT_EQ(replayed.cues, live.cues);
  EXPECT_EQ(replayed.pictures, live.pictures);
  for (size_t k = 0; k < tablebefore.rows.size(); ++k) EXPECT_EQ(game->scores.rows[k].points, tablebefore.rows[k].points);

  // At double speed the replay takes half the frames, hit pauses and slowed frames included, but
  // every sound is still heard, in order.
  int fastframes = 0;
  const shownmatch fast = watch(*game, file.data, true, verified, fastframes);
  EXPECT_TRUE(verified);
  EXPECT_EQ(fast.hashes.back(), live.hashes.back());
  EXPECT_LE(fastframes, frames / 2 + 3);
  ASSERT_EQ(fast.cues.size(), live.cues.size());
  for (size_t k = 0; k < live.cues.size(); ++k) EXPECT_EQ(fast.cues[k].path, live.cues[k].path);

  // A score that beat the table keeps its match apart as the best.
  std::string best, newest;
  EXPECT_EQ(media::readbytes("replays/best.ffr", best) && media::readbytes(live.replayfile, newest) && best == newest,
            s.startscore > 0)
      << "only the lost level's score (" << s.startscore << ") beats the table, on GAME OVER";
}

INSTANTIATE_TEST_SUITE_P(Modes, roundtrip, ::testing::Range(0, int(scriptedmatches.size())),
                         [](const auto& info) { return std::string(scriptedmatches[size_t(info.param)].name); });

// Recorded once with the game and committed: a change in how the game plays fails here. After a
// deliberate change, raise gameversion and remake them with scripts/makereplays.
TEST(committedreplays, ReachTheirRecordedHashes) {
  for (const char* name : {"single", "versus", "coop"}) {
    SCOPED_TRACE(name);
    const loadedreplay file = loadreplay(std::string(FLOPFIST_REPLAY_DIR) + "/" + name + ".ffr");
    ASSERT_EQ(file.problem, replayproblem::none) << file.message << " (remake with scripts/makereplays)";
    playback play(file.data);
    while (!play.finished()) play.step();
    EXPECT_TRUE(play.verified()) << "strayed at step " << play.strayedat() << " of " << file.data.info.steps;
  }
}

// An online match's replay names its players in the list; the committed files, of the format
// before names, still read (above) and show the mode as before.
TEST(committedreplays, AnOnlineReplayNamesItsPlayersAndKeepsThemThroughItsFile) {
  const loadedreplay file = loadreplay(std::string(FLOPFIST_REPLAY_DIR) + "/versus.ffr");
  ASSERT_EQ(file.problem, replayproblem::none) << file.message;
  EXPECT_EQ(modename(file.data), "2 PLAYERS VS");
  EXPECT_EQ(resultname(file.data), resultname(file.data.info));
  replay online = file.data;
  online.players = {"ANNA", "BO-2"};
  const loadedreplay back = decodereplay(encodereplay(online));
  ASSERT_EQ(back.problem, replayproblem::none) << back.message;
  EXPECT_EQ(back.data.players, online.players);
  EXPECT_EQ(back.data.finalhash, online.finalhash);
  EXPECT_EQ(modename(back.data), "ANNA VS BO-2");
  online.info.ending = result::second;
  EXPECT_EQ(resultname(online), "BO-2 WON");
  online.info.ending = result::left;
  EXPECT_EQ(resultname(online), "LEFT");
}

using damagedtest = gametest;

uint64_t mutationseed() {
  const char* set = std::getenv("FLOPFIST_REPLAY_SEED");
  return set != nullptr ? std::strtoull(set, nullptr, 10) : 1414;
}

// The header's CRC-32 (IEEE, reflected) over the first 18 bytes and the payload, little-endian.
std::string crcfield(const std::string& file) {
  uint32_t crc = 0xFFFFFFFFu;
  const std::string covered = file.substr(0, 18) + file.substr(22);
  for (char ch : covered) {
    crc ^= uint8_t(ch);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ ((crc & 1) != 0 ? 0xEDB88320u : 0);
  }
  crc = ~crc;
  return {char(crc & 255), char(crc >> 8 & 255), char(crc >> 16 & 255), char(crc >> 24)};
}

// Each damage gets a message of its own kind, never a crash and never a match.
TEST_F(damagedtest, TruncatedFlippedOverwrittenAndEmptyFilesAreNamedInPlainWords) {
  auto game = makegame();
  game->current.level = 3;
  std::string good;
  ASSERT_TRUE(media::readbytes(shortmatch(*game, 200), good));
  ASSERT_EQ(decodereplay(good).problem, replayproblem::none);

  const uint64_t seed = mutationseed();
  std::printf("replay mutation seed %llu (FLOPFIST_REPLAY_SEED overrides)\n", static_cast<unsigned long long>(seed));
  std::mt19937_64 rng(seed);
  auto below = [&](size_t n) { return size_t(rng() % n); };
  for (int i = 0; i < 600; ++i) {
    std::string bytes = good;
    std::vector<replayproblem> expected;
    size_t at = 0;
    if (i % 3 == 0) {  // cut short anywhere
      at = below(good.size());
      bytes.resize(at);
      expected = {at == 0 ? replayproblem::empty : replayproblem::cutshort};
    } else if (i % 3 == 1) {  // one bit flipped
      at = below(good.size());
      bytes[at] = char(bytes[at] ^ (1 << below(8)));
      expected = {replayproblem::damaged};
      if (at < 8) expected = {replayproblem::notareplay};
      if (at >= 14 && at < 18) expected = {replayproblem::cutshort, replayproblem::damaged};  // the length
    } else {  // a run of random bytes past the header
      at = 22 + below(good.size() - 22);
      for (size_t k = at; k < std::min(good.size(), at + 1 + below(16)); ++k) bytes[k] = char(rng());
      if (bytes == good) continue;
      expected = {replayproblem::damaged};
    }
    const loadedreplay l = decodereplay(bytes);
    EXPECT_NE(std::find(expected.begin(), expected.end(), l.problem), expected.end())
        << "case " << i << " at byte " << at << ": " << l.message;
    EXPECT_FALSE(l.message.empty());
  }
  EXPECT_EQ(decodereplay("").message, "THE FILE IS EMPTY.");
  EXPECT_EQ(decodereplay("1\r\n4\r\n5\r\n").problem, replayproblem::notareplay);
  EXPECT_EQ(loadreplay("replays/missing.ffr").problem, replayproblem::unreadable);

  replay other = decodereplay(good).data;
  other.version = gameversion + 1;
  const loadedreplay l = decodereplay(encodereplay(other));
  EXPECT_EQ(l.problem, replayproblem::otherversion);
  EXPECT_NE(l.message.find("VERSION " + std::to_string(gameversion + 1)), std::string::npos) << l.message;

  // A later layout of the file, sealed as that game would seal it: named as another format, not as
  // damage. The checksum is recomputed bit by bit, as any CRC-32 tool would.
  std::string later = good;
  later[8] = char(replayformat + 1);
  later.replace(18, 4, crcfield(later));
  const loadedreplay f = decodereplay(later);
  EXPECT_EQ(f.problem, replayproblem::otherformat) << f.message;
  EXPECT_NE(f.message.find("FORMAT " + std::to_string(replayformat + 1)), std::string::npos) << f.message;
}

// A replay whose record no longer fits the match stops where it strays and says so.
TEST_F(damagedtest, AReplayThatStraysFromItsRecordIsStoppedThere) {
  auto game = makegame();
  game->current.level = 5;
  const loadedreplay good = loadreplay(shortmatch(*game, 400));
  ASSERT_EQ(good.problem, replayproblem::none);

  replay changed = good.data;
  changed.inputs.front().bits ^= 1;  // player 1 pushed up at the start as well
  const loadedreplay reread = decodereplay(encodereplay(changed));
  playback play(reread.data);
  while (!play.finished()) play.step();
  EXPECT_FALSE(play.verified());
  EXPECT_GT(play.strayedat(), 0);
  EXPECT_LE(play.strayedat(), checkpointsteps) << "the first check should catch it";

  replay lastwrong = good.data;
  lastwrong.finalhash ^= 1;
  playback end(lastwrong);
  while (!end.finished()) end.step();
  EXPECT_EQ(end.strayedat(), lastwrong.info.steps);

  // On screen: the match stops with the words, and Enter goes back.
  media::test::tap(media::test::frames() + 90, media::key::enter);
  EXPECT_FALSE(game->watchreplay(changed));
  const media::test::frame shown = media::test::presented();
  int lit = 0;
  for (int x = 0; x < 1024; ++x) lit += shown.r(x, 320) > 200 ? 1 : 0;
  EXPECT_GT(lit, 20) << "the words over the stopped match";
}

}  // namespace
}  // namespace flopfist::testing
