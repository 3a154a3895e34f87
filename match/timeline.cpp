// Ticks held after a hit pause or a slowed frame.
#include "match/timeline.h"

namespace flopfist {

void countresult(std::array<int, 3>& wins, result r) {
  if (r == result::first) wins[1] += 1;
  if (r == result::second) wins[2] += 1;
}

matchsetup nextmatch(const match& finished) {
  matchsetup next;
  next.mode = finished.mode;
  next.level = finished.level;
  next.wins = finished.wins;
  countresult(next.wins, finished.ending());
  next.rules = finished.rules;
  next.carried = finished.leftover();
  next.rng = finished.rng;
  next.colours = finished.colours;
  return next;
}

int heldticks(const matchevents& ev, const match& after) {
  return ev.hitpauses * hitpauseticks + (after.slowmotimer >= 0 ? slowticks - 1 : 0);
}

matchevents timeline::step(const frameinput& in) {
  if (series && now.state == matchstate::end) {
    now = match(nextmatch(now));
    hold = 0;
    ++played;
    return {};
  }
  if (hold > 0) {
    --hold;
    return {};
  }
  const matchevents ev = now.step(in);
  hold = heldticks(ev, now);
  return ev;
}

uint64_t timeline::hash() const {
  return ((now.hash() ^ uint64_t(hold)) * 1099511628211ull ^ uint64_t(played)) * 1099511628211ull;
}

}  // namespace flopfist
