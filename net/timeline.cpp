// Ticks held after a hit pause or a slowed frame.
#include "net/timeline.h"

namespace flopfist::net {

matchsetup nextmatch(const match& finished) {
  matchsetup next;
  next.mode = finished.mode;
  next.level = finished.level;
  next.wins = finished.wins;
  const result r = finished.ending();
  if (r == result::first) next.wins[1] += 1;
  if (r == result::second) next.wins[2] += 1;
  next.rules = finished.rules;
  next.carried = finished.leftover();
  next.rng = finished.rng;
  next.colours = finished.colours;
  return next;
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
  hold = ev.hitpauses * hitpauseticks;
  if (now.slowmotimer >= 0) hold += slowticks - 1;
  return ev;
}

uint64_t timeline::hash() const {
  return ((now.hash() ^ uint64_t(hold)) * 1099511628211ull ^ uint64_t(played)) * 1099511628211ull;
}

}  // namespace flopfist::net
