// A match on a frame clock of ticks: the hit pause and slow motion are ticks in which the match holds
// still, so two machines hold the same ticks; and the rule for the match that follows one.
#pragma once

#include <cstdint>

#include "match/match.h"

namespace flopfist {

// A hit pause holds 200 ms: 12 ticks of the 60 a second. A slowed frame is shown for two ticks.
constexpr int hitpauseticks = 12;
constexpr int slowticks = 2;

// The ticks a step holds the match still after it: a hit pause for each it made, and the second
// tick of a slowed frame. Every loop that shows a match waits them out in ticks, never sleeping.
int heldticks(const matchevents& ev, const match& after);

struct timeline {
  explicit timeline(const matchsetup& setup) : now(setup) {}

  // One tick: the match steps on the input, or holds still for a pause it made (the input unused).
  matchevents step(const frameinput& in);
  // The match's hash with the ticks it still holds.
  uint64_t hash() const;

  match now;
  int hold = 0;  // ticks left before the match steps again
  // A versus series: when a match ends, the next begins on the following tick from what it left
  // and the score with its result, so both machines pass from match to match on the same tick.
  bool series = false;
  int played = 0;  // matches finished before this one
};

// The match that follows a finished one in a series: the score with its result, and the generator,
// palette and counters it left.
matchsetup nextmatch(const match& finished);
// A versus score (slots 1 and 2) with a match's result counted in.
void countresult(std::array<int, 3>& wins, result r);

}  // namespace flopfist
