// A recorded match: what it was made from, the input of every step, the hashes it must reach; its file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "match/match.h"
#include "match/version.h"
#include "scores/scoreentry.h"

namespace flopfist {

// The file layout's own number, raised when the bytes are laid out differently. Format 1, without
// the players' names, is still read.
constexpr uint16_t replayformat = 2;
// A short check of the state every so many steps, so a replay that strays is stopped within a second.
constexpr int checkpointsteps = 60;

// What the list of replays shows.
struct replayinfo {
  gamemode mode = gamemode::single;
  int level = 1;
  result ending = result::left;
  int64_t date = 0;   // seconds since 1970
  int steps = 0;      // frames the match lasted
  int64_t score = 0;  // the series' score when it ended
};

// One snapshot held for a run of steps.
struct inputrun {
  uint16_t bits = 0;  // packinput
  int steps = 0;
};

// A character typed on the GAME OVER screen and the step whose frame read it.
struct typedkey {
  int step = 0;
  int code = 0;
};

struct replay {
  uint32_t version = gameversion;
  replayinfo info;
  matchsetup setup;  // the options that do not change the match are left at their defaults
  // The series, the score table and the music as the match began: the screens drawn over the match
  // and the track heard come from these.
  int64_t startscore = 0;
  int levelstartscore = 0;
  std::string name;
  // An online match's players, player 1 first, as each named themselves; empty for a match at home.
  std::array<std::string, 2> players;
  std::vector<scoreentry> table;
  int musictrack = 0;
  std::vector<inputrun> inputs;
  std::vector<typedkey> typed;
  std::vector<uint32_t> checkpoints;  // low half of the hash after steps 60, 120, ...
  uint64_t finalhash = 0;
};

// Why a file cannot be shown, in words for the screen.
enum class replayproblem { none, unreadable, empty, notareplay, cutshort, damaged, otherformat, otherversion };
struct loadedreplay {
  replayproblem problem = replayproblem::none;
  std::string message;
  replay data;
};

std::string encodereplay(const replay& r);
// A payload in the file's header, length and checksum (the fuzzer reaches the payload reader so).
std::string sealreplay(std::string_view payload, uint32_t version = gameversion);
loadedreplay decodereplay(std::string_view bytes);
loadedreplay loadreplay(const std::string& path);

// "1 PLAYER", "2 PLAYERS VS", "2 PLAYERS CO-OP"; "WON", "LOST", "LEFT", "PLAYER 2 WON", ...
std::string_view modename(gamemode mode);
std::string resultname(const replayinfo& info);
// As the REPLAYS list names a replay's mode and result: an online match by its players' names.
std::string modename(const replay& r);
std::string resultname(const replay& r);

}  // namespace flopfist
