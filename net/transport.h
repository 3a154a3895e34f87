// The way datagrams reach the other machine, behind a small interface: a host that takes one joiner,
// or a joiner; both say hello first. Nothing here waits: poll() takes what has come and returns.
// A host may also hold a room in a lobby, and a joiner may come by its code: the two games then
// reach each other straight, through their routers, or through the lobby's relay.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <span>
#include <vector>

#include "net/packet.h"

namespace flopfist::net {

enum class linkphase {
  waiting,     // the host, until a joiner with the same versions says hello
  connecting,  // the joiner, until the host welcomes it
  joined,      // both sides may send the match's messages
  closed,      // the other side left or went silent after joining
  refused,     // the host turned this joiner away (problem() says why)
  failed,      // no host answered, the host left before the start, or the port was taken
};

// How the two games reach each other: straight (an address typed, or the same LAN), through holes
// punched in their routers, or through the lobby's relay.
enum class linkpath { direct, punched, relayed };
const char* pathname(linkpath p);  // DIRECT, PUNCHED, RELAYED

class transport {
 public:
  virtual ~transport() = default;
  // Sends what is queued and takes what has come, without waiting; now is the caller's clock, ms.
  virtual void poll(uint32_t now) = 0;
  virtual linkphase phase() const = 0;
  // A datagram to the peer, once joined; it may be lost, doubled or overtaken.
  virtual void send(std::span<const uint8_t> bytes) = 0;
  // The next datagram from the peer, false when none waits.
  virtual bool next(packet& into) = 0;
  // A larger message that must arrive whole and once (the match's set-up), and the next one come.
  virtual void sendwhole(std::string_view bytes) = 0;
  virtual bool nextwhole(std::string& into) = 0;
  virtual std::string problem() const = 0;
  virtual uint16_t port() const = 0;  // the host's port
  virtual linkpath path() const { return linkpath::direct; }
  // A host's room code once the lobby gave it; empty without a lobby or before its answer.
  virtual std::string code() const { return ""; }
  // A host's: why its lobby gave no room (direct play goes on); empty otherwise.
  virtual std::string lobbyproblem() const { return ""; }
};

constexpr uint16_t defaultport = 27960;
constexpr uint16_t defaultlobbyport = 27961;

// "ADDRESS" or "ADDRESS:PORT" (the port defaults); false when the port is not a number in range.
bool splitaddress(std::string_view text, std::string& address, uint16_t& port, uint16_t fallback = defaultport);
// Where a page finds the lobby's WebSocket: a "ws://" or "wss://" address as typed (a proxy's, say),
// or ADDRESS[:PORT] on the port after its UDP one, as the lobby listens by default, left without a
// scheme for the page to choose as it was itself served. Empty when the text is neither.
std::string lobbywebsocket(std::string_view lobby);

}  // namespace flopfist::net
