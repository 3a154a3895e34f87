// Recorded results of four scripted matches: state hash, generator states, the pixels of four
// steps' pictures, sound cues.
// These values were taken from the game as it played when they were recorded; a change to any of
// them is a change in how the game plays.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/fightgame.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

using flopfist::testing::gametest;
using flopfist::testing::makegame;
namespace key = media::key;

constexpr int matchframes = 3600;
constexpr std::array<int, 4> pictureframes{60, 400, 1500, 3600};

struct fnv {
  uint64_t h = 1469598103934665603ull;
  void bytes(const void* p, size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
  }
  template <typename T>
  void value(T v) {
    bytes(&v, sizeof v);
  }
};

// Every ball's position and velocity bits, fighters, particles, camera, counters, captions, palette
// and the generator.
uint64_t statehash(const match& m, int64_t score) {
  fnv f;
  f.value(m.fightercount);
  for (int i = 1; i <= m.fightercount; ++i) {
    const man& fighter = m.fighters[size_t(i)];
    for (int k = 1; k <= 26; ++k) {
      const ball& b = fighter.balls[size_t(k)];
      for (float v : {b.x, b.y, b.oldx, b.oldy, b.vx, b.vy}) f.value(v);
      f.value(b.flash);
    }
    for (float v : {fighter.energy, fighter.maxenergy, fighter.fade, fighter.scale}) f.value(v);
    for (int v : {fighter.dead, int(fighter.direction), fighter.team, fighter.robot}) f.value(v);
  }
  for (int i = 1; i <= particlering::slots; ++i) {
    const dotburst& b = m.bursts[i];
    f.value(b.alive);
    if (!b.alive) continue;
    for (int v : {b.plasma, b.count, b.colour[0], b.colour[1], b.colour[2]}) f.value(v);
    f.value(b.alpha);
    for (int p = 1; p <= b.count; ++p) {
      for (float v : {b.x[size_t(p)], b.y[size_t(p)], b.vx[size_t(p)], b.vy[size_t(p)]}) f.value(v);
    }
  }
  for (float v : {m.camera.x, m.camera.y, m.camera.zoom, m.slowmotimer, m.dt}) f.value(v);
  for (int v : {m.framecount, int(m.decided), m.combo, m.maxcombo, m.bursts.cursor(), m.message.timer})
    f.value(v);
  f.value(m.comboscore);
  f.value(score);
  const std::string_view text = m.message.str();
  f.bytes(text.data(), text.size());
  static constexpr const char* statenames[] = {"game", "tell result", "level completed", "game over", "highscores", "end"};
  const std::string_view state = statenames[int(m.state)];
  f.bytes(state.data(), state.size());
  f.bytes(m.colours.colours, sizeof m.colours.colours);
  f.bytes(m.colours.speeds, sizeof m.colours.speeds);
  f.value(m.rng.state());
  return f.h;
}

uint64_t pixelhash(const media::test::frame& shown) {
  fnv f;
  f.bytes(shown.pixels.data(), shown.pixels.size() * sizeof(uint32_t));
  return f.h;
}

uint64_t cuehash(const std::vector<media::test::cue>& cues) {
  fnv f;
  for (const auto& c : cues) {
    f.value(c.frame);
    f.bytes(c.path.data(), c.path.size());
  }
  return f.h;
}

struct recording {
  uint64_t state = 0;
  std::array<int, 3> generator{};  // after steps 1, 100 and 1000
  std::array<uint64_t, pictureframes.size()> pictures{};
  size_t cuecount = 0;
  uint64_t cues = 0;
};

void printrecording(const char* name, const recording& r) {
  std::printf("%s: state 0x%016llxull, generator {%d, %d, %d}, pictures {", name,
              static_cast<unsigned long long>(r.state), r.generator[0], r.generator[1], r.generator[2]);
  for (uint64_t p : r.pictures) std::printf("0x%016llxull, ", static_cast<unsigned long long>(p));
  std::printf("}, %zu cues 0x%016llxull\n", r.cuecount, static_cast<unsigned long long>(r.cues));
}

// A scripted keyboard: each press and release goes to the media layer's script (when it plays the
// real frame loop) and is kept, so the same script also gives the snapshot of every step.
class keyscript {
 public:
  explicit keyscript(bool tomedia) : tomedia_(tomedia) {}
  void press(int frame, int key) { add(frame, key, true); }
  void release(int frame, int key) { add(frame, key, false); }
  void tap(int frame, int key) {
    press(frame, key);
    release(frame + 1, key);
  }
  // What the n-th step sees: the events delivered by the presents before it.
  frameinput inputat(int step) const {
    std::array<bool, media::key::count> held{};
    for (const event& e : events_) {
      if (e.frame < step) held[size_t(e.key)] = e.down;
    }
    namespace key = media::key;
    frameinput in;
    in.player[1] = {held[key::up], held[key::down], held[key::left], held[key::right]};
    in.player[2] = {held[key::w], held[key::s], held[key::a], held[key::d]};
    in.knockout = held[key::digit4] && held[key::digit1];
    in.fallapart = held[key::digit1] && held[key::digit8];
    in.enter = held[key::enter];
    in.space = held[key::space];
    in.escape = held[key::escape];
    return in;
  }

 private:
  struct event {
    int frame, key;
    bool down;
  };
  void add(int frame, int key, bool down) {
    if (tomedia_) (down ? media::test::press : media::test::release)(frame, key);
    // Kept in delivery order: by frame, then in the order given.
    auto at = events_.end();
    while (at != events_.begin() && (at - 1)->frame > frame) --at;
    events_.insert(at, {frame, key, down});
  }
  bool tomedia_;
  std::vector<event> events_;
};

// Holds each key of a cycle in turn for `hold` frames.
void holdinturn(keyscript& keys, std::initializer_list<int> cycle, int hold, int offset = 0) {
  const std::vector<int> order(cycle);
  for (int k = 0; k * hold < matchframes + 200; ++k) {
    const int from = offset + k * hold + 1;
    keys.press(from, order[size_t(k) % order.size()]);
    keys.release(from + hold - 1, order[size_t(k) % order.size()]);
  }
}

struct scenario {
  const char* name;
  gamemode mode;
  int level;
  int seed;
  void (*script)(keyscript&);
  recording expected;
};

// Loads the music as start-up does and plays one match of the scenario for matchframes steps,
// through every state it reaches (the steps go on after the result).
recording play(const scenario& s) {
  media::test::reset();
  auto game = makegame();
  for (int t = 1; t <= 4; ++t) game->art.music[size_t(t)] = media::loadsound("music/tt" + std::to_string(t) + ".ogg");
  game->settings.soundsvolume = 6;
  game->settings.musicvolume = 6;
  keyscript keys(true);
  s.script(keys);
  media::seedrnd(s.seed);
  game->current.mode = s.mode;
  game->current.level = s.level;
  recording r;
  game->startmusic();
  game->beginmatch();
  size_t picture = 0;
  int steps = 0;
  // Tick by tick, until the last step's picture is shown. The script and the sounds count the
  // frames that show something new: the ticks a match holds still (a hit pause, a slowed frame's
  // second tick) keep the last picture and are not counted, as when the loop slept through them.
  while (steps < matchframes || game->held > 0) {
    const bool holding = game->held > 0;
    const int shows = holding ? steps : steps + 1;  // the step this tick draws or waits to show
    media::test::holdscript(holding);
    // Only the steps whose pictures are checked are drawn: the rest would cost nine tenths of
    // the run and show nothing.
    media::test::blind(picture == pictureframes.size() || shows != pictureframes[picture]);
    game->matchframe();
    if (!holding) ++steps;
    if (!holding && steps == 1) r.generator[0] = game->playing->rng.state();
    if (!holding && steps == 100) r.generator[1] = game->playing->rng.state();
    if (!holding && steps == 1000) r.generator[2] = game->playing->rng.state();
    if (picture < pictureframes.size() && shows == pictureframes[picture] && game->held == 0) {
      r.pictures[picture++] = pixelhash(media::test::presented());
    }
  }
  media::test::holdscript(false);
  r.state = statehash(*game->playing, game->current.score);
  r.cuecount = media::test::cues().size();
  r.cues = cuehash(media::test::cues());
  return r;
}

void arrows(keyscript& keys) { holdinturn(keys, {key::right, key::down, key::left, key::up}, 120); }
void arrowsandwasd(keyscript& keys) {
  holdinturn(keys, {key::right, key::up, key::left, key::down}, 90);
  holdinturn(keys, {key::a, key::w, key::d, key::s}, 70);
  // Every body falls apart for half a second.
  keys.press(500, key::digit1);
  keys.press(500, key::digit8);
  keys.release(530, key::digit1);
  keys.release(530, key::digit8);
}
void versuswithpause(keyscript& keys) {
  holdinturn(keys, {key::right, key::up, key::left, key::down}, 60);
  holdinturn(keys, {key::a, key::s, key::d, key::w}, 80, 20);
  keys.tap(700, key::p);
  keys.tap(740, key::p);
}
void robotwithshortcut(keyscript& keys) {
  holdinturn(keys, {key::left, key::up, key::right, key::down}, 100);
  // "4" and "1" end the fight late in the match.
  keys.press(3000, key::digit4);
  keys.press(3000, key::digit1);
}

// Frame 60 of the co-op and versus matches shows the P1 and P2 labels the application draws over
// the match in its first two seconds.
const scenario scenarios[] = {
    {"level 8, one player", gamemode::single, 8, 20261208, arrows,
     {0x70125d476dc9cf0aull, {1112905800, 836038762, 1986187776},
      {0xad644bc4e7eac47eull, 0xa417a3cdb0574a26ull, 0x7949a743f98c90deull, 0x8e9214dd4ec1cd27ull},
      37, 0x0cf99d04f9ab21f3ull}},
    {"level 3, co-op", gamemode::coop, 3, 777, arrowsandwasd,
     {0x92a583eea9bd29a6ull, {920815158, 1605796560, 1115369090},
      {0x8bc3570a42d2af61ull, 0x56b69470cf78e104ull, 0x7d77dad81fde3e0cull, 0x2c1f88af3277e964ull},
      43, 0x8e8ba01f5bbcff4full}},
    {"versus", gamemode::versus, 1, 31337, versuswithpause,
     {0x60d497788fd26ea1ull, {1429674569, 1602737735, 1775027994},
      {0x31a0c0e8ee845626ull, 0xd6e0dcd4cb908b08ull, 0x342faa1c259e3f39ull, 0xb3e2537a229d7d2dull},
      9, 0xd2d5df20f3e9493bull}},
    {"level 11, robot", gamemode::single, 11, 1, robotwithshortcut,
     {0x2461cb5e85697c65ull, {552976400, 697931135, 599658839},
      {0x9fe51f29673197f8ull, 0x895c707e2215d0ebull, 0x6dfae07f373ba2b2ull, 0xda7fedb9c8553bceull},
      12, 0xe9dd5368aebef4dbull}},
};

class goldentest : public gametest, public ::testing::WithParamInterface<int> {};

TEST_P(goldentest, ScriptedMatchPlaysAsRecorded) {
  const scenario& s = scenarios[GetParam()];
  const recording r = play(s);
  printrecording(s.name, r);
  EXPECT_EQ(r.generator, s.expected.generator) << "the random draws are no longer in the same order";
  EXPECT_EQ(r.state, s.expected.state);
  EXPECT_EQ(r.pictures, s.expected.pictures);
  EXPECT_EQ(r.cuecount, s.expected.cuecount);
  EXPECT_EQ(r.cues, s.expected.cues);
}

INSTANTIATE_TEST_SUITE_P(Matches, goldentest, ::testing::Range(0, 4));

// Steps a match of the scenario from its script's snapshots alone, with no key ever reaching the
// media layer, as far as the given step.
struct simulation {
  std::unique_ptr<match> m;
  int64_t score = 0;
  int steps = 0;
  void stepto(const keyscript& keys, int last) {
    while (steps < last) {
      const matchevents ev = m->step(keys.inputat(++steps));
      if (ev.won) score += ev.levelbonus;
    }
  }
};

simulation simulate(const scenario& s, const keyscript& keys, int steps) {
  simulation run{flopfist::testing::makematch(s.mode, s.level, s.seed)};
  run.stepto(keys, steps);
  return run;
}

class valuetest : public gametest {};

// The snapshot is the only way from the keys to the simulation: stepped from snapshots with no
// keyboard at all, each scenario without a pause reaches the state its keyboard run recorded.
TEST_F(valuetest, SnapshotsAloneReplayTheRecordedMatches) {
  for (int n : {0, 1, 3}) {
    const scenario& s = scenarios[n];
    SCOPED_TRACE(s.name);
    keyscript keys(false);
    s.script(keys);
    const simulation run = simulate(s, keys, matchframes);
    EXPECT_EQ(statehash(*run.m, run.score), s.expected.state);
  }
  EXPECT_EQ(media::test::frames(), 0);
}

// A match copied mid-fight plays on exactly like the original, and draws the same frame.
TEST_F(valuetest, ACopiedMatchPlaysAndDrawsLikeTheOriginal) {
  const scenario& s = scenarios[1];
  keyscript keys(false);
  s.script(keys);
  simulation first = simulate(s, keys, 600);
  simulation second{std::make_unique<match>(*first.m), first.score, first.steps};
  ASSERT_GT(first.m->combo + first.m->maxcombo, 0) << "the copy should be taken mid-fight";
  first.stepto(keys, 1200);
  second.stepto(keys, 1200);
  EXPECT_EQ(statehash(*first.m, first.score), statehash(*second.m, second.score));

  const assets art = flopfist::testing::openassets();
  media::cls();
  first.m->draw(art.images);
  const auto one = media::test::backbuffer();
  media::cls();
  second.m->draw(art.images);
  const auto two = media::test::backbuffer();
  EXPECT_TRUE(one.pixels == two.pixels);
}

}  // namespace
}  // namespace flopfist
