// A game's side of the lobby, without sockets: it asks for a room (host) or joins one by its code
// (guest), learns the other player's addresses, probes them from the socket it used for the lobby,
// and settles on the first address that answers, or on the lobby's relay when none does in time.
// Time and datagrams come in; datagrams to send go out. The caller owns the one UDP socket (or,
// in a browser, the WebSocket to the lobby, where nothing is punched).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "net/rendezvous.h"

namespace flopfist::net {

enum class meetphase {
  asking,    // the lobby has not answered yet
  waiting,   // a host with its code, until a guest is paired
  punching,  // paired: probing the other player's addresses
  direct,    // a probe was answered: send straight to peer()
  relayed,   // no probe was answered in time, or a browser is in the room: send through the lobby
  refused,   // the lobby said no (problem() says why)
  failed,    // the lobby did not answer, or the other player left
};

struct meetsettings {
  role side = role::host;
  versions mine;
  std::string code;                        // a guest's: the room to join
  uint8_t lancount = 0;                    // this machine's LAN addresses, with the socket's port
  std::array<address4, mostlan> lan{};
  bool canpunch = true;                    // false in a browser: straight to the relay
  uint32_t retryms = 250;                  // a request not answered goes again after this
  uint32_t patiencems = 5000;              // no answer from the lobby at all for this long: failed
  uint32_t waitingkeepalivems = 1000;      // a host waiting for its guest asks this often (a lost peer word costs no more)
  uint32_t keepalivems = 10000;            // afterwards: holds the routers' mappings and the room
  uint32_t probems = 50;                   // probes go to every address of the other player this often
  uint32_t punchms = 3000;                 // and for this long before the relay is taken
  uint32_t gracems = 1000;                 // a probe from the other side adds this much, once: it is still punching
  int lowttlrounds = 2;                    // the first probes die past this machine's own router...
  uint8_t lowttl = 2;                      // ...so that they open its mapping without upsetting the far one
};

struct meetdatagram {
  address4 to;
  uint8_t ttl = 0;  // 0: the socket's usual
  wordbytes bytes;
};

class meeting {
 public:
  meeting(const meetsettings& s, address4 lobby, uint32_t now, uint32_t nonce);

  // A datagram that came to the socket; false when it is none of the meeting's (a match datagram
  // straight from the peer, say). A relayed match datagram is handed back in relayed(); a probe is
  // answered into out at once.
  bool receive(const address4& from, std::span<const uint8_t> bytes, uint32_t now, std::vector<meetdatagram>& out);
  // What to send now; call it every frame or so.
  void tick(uint32_t now, std::vector<meetdatagram>& out);
  // Tells the lobby this player is gone.
  void leave(std::vector<meetdatagram>& out);

  meetphase phase() const { return phase_; }
  std::string code() const { return std::string(code_.begin(), code_.end()); }  // once the lobby gave it
  address4 peer() const { return peer_; }  // direct: where the other player answered from
  pathkind path() const { return path_; }
  std::string problem() const { return problem_; }
  // A match datagram wrapped for the lobby's relay, and the payload the last receive() took from
  // a relay word (empty when that datagram was none); it points into that datagram's bytes.
  meetdatagram relayword(std::span<const uint8_t> payload) const;
  std::span<const uint8_t> relayed() const { return relayed_; }

 private:
  void lobbyword(const word& w, uint32_t now);
  void probeword(const address4& from, const word& w, uint32_t now, std::vector<meetdatagram>& out);
  void paired(const word& w, uint32_t now);
  void settle(meetphase p, uint32_t now);
  void send(std::vector<meetdatagram>& out, const address4& to, const word& w, uint8_t ttl = 0) const;

  meetsettings settings_;
  address4 lobby_;
  meetphase phase_ = meetphase::asking;
  uint32_t nonce_;
  uint64_t key_ = 0;      // the token, or a guest's ticket until it is paired
  bool seated_ = false;   // a guest has its ticket
  bool alive_ = false;    // the lobby answered a keepalive: a host's room is confirmed
  roomcode code_{};
  uint32_t heard_, lastsent_ = 0;
  bool sentonce_ = false;
  // Punching.
  std::vector<address4> targets_;
  address4 seen_;
  uint32_t punchend_ = 0, lastprobe_ = 0;
  int rounds_ = 0;
  bool extended_ = false, reported_ = false;
  uint16_t seq_ = 0;
  address4 peer_;
  pathkind path_ = pathkind::relayed;
  std::string problem_;
  std::span<const uint8_t> relayed_;
};

}  // namespace flopfist::net
