// Ticks held after a hit pause or a slowed frame.
#include "net/timeline.h"

namespace flopfist::net {

matchevents timeline::step(const frameinput& in) {
  if (hold > 0) {
    --hold;
    return {};
  }
  const matchevents ev = now.step(in);
  hold = ev.hitpauses * hitpauseticks;
  if (now.slowmotimer >= 0) hold += slowticks - 1;
  return ev;
}

uint64_t timeline::hash() const { return (now.hash() ^ uint64_t(hold)) * 1099511628211ull; }

}  // namespace flopfist::net
