// Carrying out a session's requests on a game: the ring of saved states, restore, advance and the
// checksums. Online play, the sync test and the test driver of two sessions all step their games so.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <type_traits>
#include <vector>

#include "match/match.h"
#include "net/session.h"

namespace flopfist::net {

// States a session may restore or hash: the frames it steps past the last confirmed one, the
// delay before a local input is stepped, and as many again for the checksums of confirmed frames
// that trail them.
constexpr int savedstates(const sessionconfig& c) { return 2 * (c.window + c.delay); }

// `game` is copyable and has step(const frameinput&) and hash(). `source` is the session or the
// sync test: it is told the hashes its checksum requests ask for.
template <typename game>
class rollback {
 public:
  rollback(const game& start, int slots) : live(start), saves_(size_t(slots), start) {}

  // Carries the requests out in order. Each advance steps the live game with both sides' inputs
  // merged; stepped(request, events) hears of it, with what the step returned.
  template <typename source, typename onstep>
  void carry(source& s, std::span<const request> requests, onstep&& stepped) {
    for (const request& r : requests) {
      game& slot = saves_[size_t(r.frame) % saves_.size()];
      switch (r.kind) {
        case requestkind::save:
          slot = live;
          break;
        case requestkind::checksum:
          s.saved(r.frame, slot.hash());
          break;
        case requestkind::restore:
          live = slot;
          break;
        case requestkind::advance:
          if constexpr (std::is_void_v<decltype(live.step(mergeinputs(r.inputs)))>) {
            live.step(mergeinputs(r.inputs));
            stepped(r, matchevents{});
          } else {
            stepped(r, live.step(mergeinputs(r.inputs)));
          }
          break;
      }
    }
  }

  // The state kept for a frame, while its slot has not been reused.
  const game& savedfor(int frame) const { return saves_[size_t(frame) % saves_.size()]; }

  game live;

 private:
  std::vector<game> saves_;
};

}  // namespace flopfist::net
