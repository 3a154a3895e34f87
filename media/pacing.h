// The frame-pacing rule of presenting with sync -1, as a pure calculation.
#pragma once

namespace media {

// Keeps a running target time advanced by one frame per present, measured from the first.
class pacer {
 public:
  // The milliseconds to wait before presenting at time now, at hz frames per second. Waits only
  // when 0 < remaining < 1000; otherwise the target re-synchronises to now (after a stall, or a
  // clock that went backwards) and nothing is waited.
  double wait(double now, double hz) {
    if (!started_) {
      target_ = now;
      started_ = true;
    }
    target_ += 1000.0 / hz;
    const double remaining = target_ - now;
    if (remaining > 0 && remaining < 1000) return remaining;
    target_ = now;
    return 0;
  }
  void restart() { started_ = false; }
  double target() const { return target_; }

 private:
  double target_ = 0;
  bool started_ = false;
};

}  // namespace media
