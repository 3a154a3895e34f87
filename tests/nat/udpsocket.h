// The driver's one UDP socket: the lobby, the probes and the match all go through it, as a game's
// must for its router's mapping to serve them all. Small on purpose, so that the game's own
// transport can take its place.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "net/rendezvous.h"

namespace flopfist::nattest {

class udpsocket {
 public:
  udpsocket();  // bound to every address, any free port, non-blocking; ok() says whether it worked
  ~udpsocket();
  udpsocket(const udpsocket&) = delete;
  udpsocket& operator=(const udpsocket&) = delete;

  bool ok() const { return fd_ >= 0; }
  uint16_t port() const { return port_; }
  // ttl 0: the system's usual. A datagram that cannot go is dropped, as the network would.
  void send(const net::address4& to, std::span<const uint8_t> bytes, uint8_t ttl = 0);
  // The next datagram waiting, its size into `into`; -1 when none. (A probe refused by a router
  // leaves no error here: an unconnected socket is not told.)
  int receive(net::address4& from, std::span<uint8_t> into);
  // Waits until a datagram comes or `ms` pass.
  void wait(int ms) const;

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
  uint8_t ttl_ = 0;  // the TTL set on the socket now, 0: the usual
  int usualttl_ = 64;
};

// This machine's IPv4 addresses other than the loopback, each with `port`, at most net::mostlan.
std::vector<net::address4> lanaddresses(uint16_t port);
// "A.B.C.D:PORT" (the port defaults to `port`); port 0 in the result when the text is not one.
net::address4 parseaddress(std::string_view text, uint16_t port);

}  // namespace flopfist::nattest
