// The simulated link with the lobby's relay in the middle: each side's datagram goes wrapped in a
// relay word over one leg to the lobby's real rooms (the token check and the rate limit), which
// forward it over the other leg. Each leg carries half the round trip, the full jitter, and loss
// such that the two legs together lose what the direct link would, so a row of the table compares
// with the direct one of the same round trip and loss: what is left is the hop itself.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "lobby/rooms.h"
#include "net/rendezvousclient.h"
#include "tests/net/duel.h"

namespace flopfist::nettest {

class relayhop {
 public:
  explicit relayhop(const linkconfig& c);
  void send(int from, std::span<const uint8_t> bytes, uint32_t now);
  std::vector<std::vector<uint8_t>> arrived(int to, uint32_t now);
  bool cut = false;
  bool paired() const { return paired_; }
  uint64_t relayed() const { return rooms_.relayed(); }
  uint64_t overlimit() const { return rooms_.dropped(); }  // dropped by the relay's rate limit

 private:
  static linkconfig leg(const linkconfig& c, int which);
  void pump(uint32_t now);  // what reached the lobby, through its rooms

  lobby::rooms rooms_;
  std::array<memorylink, 2> legs_;  // side k's leg: k is its end 0, the lobby its end 1
  std::array<std::unique_ptr<net::meeting>, 2> players_;
  bool paired_ = false;
};

}  // namespace flopfist::nettest
