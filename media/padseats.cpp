// The seats of the pads: which player a pad arriving or leaving belongs to.
#include "media/padseats.h"

#include <cstddef>

namespace media {

int padseats::join(uint64_t identity, int instance) {
  if (const int known = playerof(instance)) return known;
  int chosen = waitingfor(identity);
  for (int p = 1; p <= 2 && chosen == 0; ++p) {
    if (!seats_[std::size_t(p)].taken) chosen = p;
  }
  for (int p = 1; p <= 2 && chosen == 0; ++p) {
    if (seats_[std::size_t(p)].instance < 0) chosen = p;
  }
  if (chosen != 0) seats_[std::size_t(chosen)] = {instance, identity, true};
  return chosen;
}

int padseats::leave(int instance) {
  const int p = playerof(instance);
  if (p != 0) seats_[std::size_t(p)].instance = -1;
  return p;
}

int padseats::waitingfor(uint64_t identity) const {
  for (int p = 1; p <= 2; ++p) {
    const seat& s = seats_[std::size_t(p)];
    if (s.instance < 0 && s.taken && s.identity == identity) return p;
  }
  return 0;
}

int padseats::playerof(int instance) const {
  if (instance < 0) return 0;
  for (int p = 1; p <= 2; ++p) {
    if (seats_[std::size_t(p)].instance == instance) return p;
  }
  return 0;
}

int padseats:: instanceof (int player) const {
  return player == 1 || player == 2 ? seats_[std::size_t(player)].instance : -1;
}

}  // namespace media
