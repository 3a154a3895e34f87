// Stepping a replay: the recorded snapshots run by run, a check after every checkpoint and the last.
#include "replay/playback.h"

namespace flopfist {

playback::playback(const replay& r) : r_(r), m_(std::make_unique<match>(r.setup)) {}

matchevents playback::step() {
  const inputrun& run = r_.inputs[run_];
  const matchevents ev = m_->step(unpackinput(run.bits));
  ++steps_;
  if (++runstep_ == run.steps) {
    ++run_;
    runstep_ = 0;
  }
  while (typed_ < r_.typed.size() && r_.typed[typed_].step < steps_) ++typed_;
  check();
  return ev;
}

int playback::typedcode() const {
  return typed_ < r_.typed.size() && r_.typed[typed_].step == steps_ ? r_.typed[typed_].code : 0;
}

// A match that strays from its record is stopped at once: it would show something never played.
void playback::check() {
  const bool checkpoint = steps_ % checkpointsteps == 0;
  const bool last = steps_ == r_.info.steps;
  if (!checkpoint && !last) return;
  const uint64_t h = m_->hash();
  if (checkpoint && uint32_t(h) != r_.checkpoints[size_t(steps_ / checkpointsteps - 1)]) strayed_ = steps_;
  // The recorded match ended with its last step; one that ends earlier or later is not the same.
  if (last && (h != r_.finalhash || m_->state != matchstate::end)) strayed_ = steps_;
  if (!last && m_->state == matchstate::end) strayed_ = steps_;
}

}  // namespace flopfist
