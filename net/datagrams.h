// The thin interface every transport stands on: datagrams to and from addresses, nothing waiting.
// On the desktop it is one UDP socket; anything else that carries datagrams (a WebSocket to the
// lobby, a test's memory) can stand in for it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "net/rendezvous.h"

namespace flopfist::net {

// Larger than any datagram the game sends or the lobby relays.
constexpr size_t mostdatagram = mostword + mostrelay;

struct datagram {
  address4 from;
  std::array<uint8_t, mostdatagram> bytes{};
  size_t size = 0;
  std::span<const uint8_t> view() const { return {bytes.data(), size}; }
};

class datagrams {
 public:
  virtual ~datagrams() = default;
  // Sends at once or drops; ttl 0 is the usual, anything else the most routers it may cross.
  virtual void sendto(const address4& to, std::span<const uint8_t> bytes, uint8_t ttl = 0) = 0;
  // The next datagram that came, false when none waits.
  virtual bool receive(datagram& into) = 0;
  virtual uint16_t port() const = 0;  // this end's own port
};

}  // namespace flopfist::net
