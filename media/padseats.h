// Which player each connected pad steers: the first free seat, and a returning pad gets its own
// back.
#pragma once

#include <array>
#include <cstdint>

namespace media {

class padseats {
 public:
  // The player (1 or 2) a pad arriving now steers: the seat it left, when that seat is still
  // waiting for it; else the first seat no pad ever took; else the first seat whose pad went away
  // (so a replacement for a broken pad works). 0 when both seats hold a pad: the pad is ignored.
  int join(uint64_t identity, int instance);
  // The player whose pad this was, 0 for a pad without a seat. The seat waits for that pad.
  int leave(int instance);
  int waitingfor(uint64_t identity) const;  // the empty seat this pad left, 0 when none
  int playerof(int instance) const;         // 0 for a pad without a seat
  int instanceof (int player) const;        // -1 when the player has no pad now
  void clear() { seats_ = {}; }

 private:
  struct seat {
    int instance = -1;      // the pad in it now, -1 when empty
    uint64_t identity = 0;  // the pad that last sat in it
    bool taken = false;     // some pad has sat in it
  };
  std::array<seat, 3> seats_{};  // 1 and 2
};

}  // namespace media
