// The recorder: a match's replay gathered while it is played, without a heap allocation per frame.
#pragma once

#include "replay/replay.h"
#include "scores/series.h"
#include "scores/table.h"

namespace flopfist {

class recorder {
 public:
  // The match's start: its set-up, the series and table its screens are drawn from, the track
  // playing. Room for a long match is kept from one match to the next.
  void begin(const matchsetup& setup, const series& s, const scoretable& table, int musictrack);
  void add(const frameinput& in);  // the snapshot a step is about to take
  void stepped(const match& m);    // after the step: a checkpoint now and then
  void typed(int code);            // a character read on the GAME OVER screen this frame
  // An online match's players, player 1 first; begin() forgets them.
  void players(const std::array<std::string, 2>& names) { tape_.players = names; }
  void markbest() { best_ = true; }
  bool best() const { return best_; }
  int steps() const { return steps_; }
  // The match's end: the result, the final hash and the date complete the replay.
  const replay& finish(const match& m, int64_t score, int64_t date);

 private:
  replay tape_;
  int steps_ = 0;
  bool best_ = false;
};

}  // namespace flopfist
