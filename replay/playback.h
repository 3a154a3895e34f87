// A replay's match stepped again from its inputs and checked against the hashes it recorded.
#pragma once

#include <memory>

#include "replay/replay.h"

namespace flopfist {

class playback {
 public:
  // Reads the replay as it goes: it must outlive the playback, so a temporary is refused.
  explicit playback(const replay& r);
  explicit playback(const replay&& r) = delete;

  // The next recorded step; only while !finished().
  matchevents step();
  // The character the GAME OVER screen read in the last step's frame, 0 for none.
  int typedcode() const;

  const match& now() const { return *m_; }
  const replay& tape() const { return r_; }
  int steps() const { return steps_; }
  // Every step taken, or stopped at the step that failed its check.
  bool finished() const { return steps_ == r_.info.steps || strayed_ != 0; }
  int strayedat() const { return strayed_; }  // 0: it has kept to its record
  bool verified() const { return steps_ == r_.info.steps && strayed_ == 0; }

 private:
  void check();

  const replay& r_;
  std::unique_ptr<match> m_;  // large: the particle ring alone is half a megabyte
  size_t run_ = 0;
  int runstep_ = 0;
  size_t typed_ = 0;
  int steps_ = 0;
  int strayed_ = 0;
};

}  // namespace flopfist
