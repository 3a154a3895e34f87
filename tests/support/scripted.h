// Scripted matches played through the game's own loop and recorder, as a player would play them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/fightgame.h"
#include "media/testing.h"

namespace flopfist::testing {

// A match of a series: keys held on a timeline, and a player's answer to the screens after the
// result (Enter on the summary, a name typed on GAME OVER), so it ends however the fight went.
struct scriptedmatch {
  const char* name;  // the committed replay's file name, without ".ffr"
  gamemode mode;
  int level;
  int seed;
  int64_t startscore;               // the series' score when it begins
  int ailevel;                      // the AI LEVEL option
  void (*timeline)(int firstframe);  // schedules the fight's keys from that present on
};
extern const std::array<scriptedmatch, 4> scriptedmatches;  // one player, versus, co-op, a lost level

// What a match showed, live or replayed: the hash after every step, the sounds asked for with the
// step they came in, and the scene's pixels every 500 steps and at the last.
struct shownmatch {
  std::vector<uint64_t> hashes;
  std::vector<media::test::cue> cues;  // frame: the step
  std::vector<uint64_t> pictures;
  result ending = result::left;
  std::string replayfile;  // live: the replay it left, empty when none was written
};

// A fresh game of the scenario's mode, level and seed, with the music loaded, SOUNDS VOLUME and
// MUSIC VOLUME 6, the score table at its defaults and the generator seeded.
std::unique_ptr<fightgame> scriptedgame(const scriptedmatch& s);
// Plays the match as fightgame::playmatch does, from the game's music start to its replay saved.
shownmatch playscripted(fightgame& game, const scriptedmatch& s);

// Takes note of a step just presented (the present count and, now and then, the scene's pixels).
class stepwatch {
 public:
  stepwatch() : first_(media::test::frames()) {}
  void presented(const match& m, bool last);
  // The sounds asked for since the watch began, each with the step whose frame asked for it.
  shownmatch result();

 private:
  int first_;
  std::vector<int> ends_;  // the present count after each step
  shownmatch shown_;
};

// A match of the game's current mode and level left with Escape after the given frames; its
// replay file.
std::string shortmatch(fightgame& game, int frames);

}  // namespace flopfist::testing
