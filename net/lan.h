// Games hosted on the same LAN, found without typing: a host waiting for a joiner sends a beacon
// about once a second from its game socket to the discovery port, by broadcast, so the beacon's
// source is exactly where to join; the JOIN screen listens on that port and lists who it heard.
// The beacon word and the list are here, with no sockets: a desktop's sockets are in udp.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "net/datagrams.h"
#include "net/rendezvous.h"
#include "net/transport.h"

namespace flopfist::net {

constexpr uint16_t discoveryport = 27963;
constexpr uint32_t beaconms = 1000;  // a waiting host beacons this often
constexpr uint32_t lanlastms = 3000;  // a game not heard for this long has gone from the list
constexpr size_t mostlangames = 8;

// The beacon's own layout; a beacon of another layout is not read at all.
constexpr uint8_t beaconlayout = 1;
constexpr size_t mostbeacon = 64;

struct beacon {
  versions mine;     // the host's protocol and game
  uint32_t host = 0;  // the host's own random number: one game heard on two interfaces is one game
  std::string name;  // as players type one (may be empty)
  std::string code;  // the host's room code, empty before the lobby gave one or without a lobby
};

struct beaconbytes {
  std::array<uint8_t, mostbeacon> bytes{};
  size_t size = 0;
  std::span<const uint8_t> view() const { return {bytes.data(), size}; }
};

beaconbytes encode(const beacon& b);
// False for anything but a beacon of this layout with its exact length, a name as players may type
// one and a room code of the codes' own characters (or none).
bool decodebeacon(std::span<const uint8_t> bytes, beacon& into);

// A game heard on the LAN.
struct langame {
  address4 at;           // where to join it: the beacon's source
  std::string name;
  std::string code;
  bool sameversion = false;  // false: listed, but its link would refuse this game
  uint32_t host = 0;
  uint32_t heard = 0;  // the caller's clock at its latest beacon
};

// The games heard in the last lanlastms, in the order first heard so rows stay put while a player
// moves over them; the newest beacon of a game gives its address, name and code. At most
// mostlangames: a new game then takes the place of the one heard longest ago.
class lanlist {
 public:
  explicit lanlist(versions mine) : mine_(mine) {}
  void heard(const address4& from, std::span<const uint8_t> bytes, uint32_t now);
  void expire(uint32_t now);
  const std::vector<langame>& games() const { return games_; }

 private:
  versions mine_;
  std::vector<langame> games_;
};

// What the JOIN screen holds: poll each frame with the caller's clock, without waiting.
class lanlistener {
 public:
  virtual ~lanlistener() = default;
  virtual void poll(uint32_t now) = 0;
  virtual const std::vector<langame>& games() const = 0;
};

// A listener over any datagrams (a socket on the discovery port, or a test's memory).
std::unique_ptr<lanlistener> listenon(std::unique_ptr<datagrams> socket, versions mine);

// A datagram socket two owners share: the link holds one end, the beacons the other.
std::unique_ptr<datagrams> shareof(std::shared_ptr<datagrams> socket);

// The host's link, beaconing from its socket to each of `to` while it waits for a joiner (once at
// once, then each beaconms); every call goes through to the link. The name is as typed.
std::unique_ptr<transport> beaconing(std::unique_ptr<transport> link, std::shared_ptr<datagrams> socket,
                                     std::vector<address4> to, std::string_view name, versions mine,
                                     uint32_t host);

}  // namespace flopfist::net
