// The lobby's rooms without sockets: words come in from an endpoint at a time, words to send go out.
// A host opens a room and gets its code and token; a guest joins by the code, shows the ticket it
// got from the address it joined from, and is paired; the lobby then sends each the other's
// addresses and relays between the two, only them, behind the token.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "lobby/bucket.h"
#include "net/rendezvous.h"

namespace flopfist::lobby {

enum class transportkind : uint8_t { udp = 1, websocket = 2 };

// Where a word came from: a UDP address, or a WebSocket connection (which has no address to punch to).
struct endpoint {
  transportkind over = transportkind::udp;
  net::address4 address;  // udp: as seen; websocket: the peer's, for the log only
  uint64_t connection = 0;  // websocket: the server's number for the connection
  bool operator==(const endpoint& o) const {
    return over == o.over && (over == transportkind::udp ? address == o.address : connection == o.connection);
  }
};
std::string endpointtext(const endpoint& e);

struct endpointhash {
  size_t operator()(const endpoint& e) const {
    const uint64_t v = e.over == transportkind::udp ? (uint64_t(e.address.ip) << 16 | e.address.port)
                                                    : (e.connection | uint64_t(1) << 63);
    return std::hash<uint64_t>{}(v * 0x9E3779B97F4A7C15ull);
  }
};

// The lobby's own words are short; relayed words are never copied.
struct shortword {
  std::array<uint8_t, net::mostword> bytes{};
  size_t size = 0;
  std::span<const uint8_t> view() const { return {bytes.data(), size}; }
};

// A word to send: either its own bytes, or (forward) the very bytes of the relay word that came in.
struct outgoing {
  endpoint to;
  bool forward = false;
  shortword word;  // size 0 when forward
};

enum class eventkind { created, joined, punched, relayed, ended, refused };
struct roomevent {
  eventkind kind;
  std::string code;
  std::string detail;
};
std::string eventtext(const roomevent& e);

struct roomsettings {
  size_t mostrooms = 10000;
  uint32_t unjoinedms = 10 * 60 * 1000;  // a room nobody joined ends then
  uint32_t silentms = 40 * 1000;         // a player heard from by no word for this long is gone
  char prefix = 0;                       // every code starts with it (0: any): the code names its lobby
  uint32_t unconfirmedms = 10 * 1000;    // a host that never showed its token (a forged address) ends its room then
  size_t mostperaddress = 16;            // rooms not yet paired whose hosts share one IP address
};

// The relay's allowance per room, both directions together: about three times what a match sends,
// 60 datagrams a second each way of about 80 bytes, with a second of it to spend at once.
constexpr uint64_t gamepacketspersecond = 60;
constexpr uint64_t gamepacketbytes = 80;
constexpr uint64_t relaypacketspersecond = 3 * 2 * gamepacketspersecond;
constexpr uint64_t relaybytespersecond = 3 * 2 * gamepacketspersecond * (gamepacketbytes + net::relayoverhead);

// Fills bytes from a cryptographic source (the server: getrandom; tests: their own).
using randomsource = std::function<void(std::span<uint8_t>)>;

class rooms {
 public:
  rooms(roomsettings settings, randomsource random);

  // A word from `from` at time now (ms, any origin, never going back); what to send is appended to out.
  void receive(const endpoint& from, std::span<const uint8_t> bytes, uint64_t now, std::vector<outgoing>& out);
  // A WebSocket connection closed: its player is gone.
  void closed(const endpoint& from, uint64_t now, std::vector<outgoing>& out);
  // Ends the rooms whose time is up; call it about once a second.
  void tick(uint64_t now, std::vector<outgoing>& out);

  // One entry per room event, for the log; the caller takes them away.
  std::vector<roomevent>& events() { return events_; }
  size_t count() const { return rooms_.size(); }
  uint64_t relayed() const { return relayed_; }
  uint64_t dropped() const { return dropped_; }

 private:
  struct player {
    endpoint where;
    bool here = false;       // the host once it showed its token, the guest once paired
    uint64_t heard = 0;      // the time of its last word
    uint8_t lancount = 0;
    std::array<net::address4, net::mostlan> lan{};
  };
  struct candidate {
    player who;
    uint64_t ticket = 0;
    uint32_t nonce = 0;
  };
  struct room {
    net::roomcode code{};
    uint64_t token = 0;
    uint32_t nonce = 0;  // the host's open, answered again if it asks again
    net::versions host;
    uint64_t created = 0;
    player players[2];  // host, guest
    bool paired = false;
    bool relaying = false;
    std::array<candidate, 4> candidates{};  // guests that joined but have not shown their ticket
    bucket packets{relaypacketspersecond, relaypacketspersecond};
    bucket bytes{relaybytespersecond, relaybytespersecond};
  };

  void open(const endpoint& from, const net::word& w, uint64_t now, std::vector<outgoing>& out);
  void join(const endpoint& from, const net::word& w, uint64_t now, std::vector<outgoing>& out);
  void keepalive(const endpoint& from, const net::word& w, uint64_t now, std::vector<outgoing>& out);
  void relay(const endpoint& from, const net::word& w, uint64_t now, std::vector<outgoing>& out);
  void path(const endpoint& from, const net::word& w);
  void leave(const endpoint& from, uint64_t key, uint64_t now, std::vector<outgoing>& out);
  void pair(room& r, candidate c, uint64_t now, std::vector<outgoing>& out);
  void forgetcandidates(room& r);
  void unwait(const room& r);
  void sendpeers(const room& r, std::vector<outgoing>& out) const;
  void end(uint64_t token, const std::string& why, std::vector<outgoing>& out);
  void refuse(const endpoint& to, const net::word& w, net::refusereason why, const net::versions& host,
              std::vector<outgoing>& out);
  void log(eventkind k, const room& r, std::string detail);
  room* bytoken(uint64_t token);
  int seat(const room& r, const endpoint& e) const;  // 0 host, 1 guest, -1 neither
  net::roomcode newcode();
  uint64_t newkey();

  roomsettings settings_;
  randomsource random_;
  std::unordered_map<uint64_t, room> rooms_;            // by token
  std::unordered_map<std::string, uint64_t> codes_;     // code -> token
  std::unordered_map<uint32_t, size_t> waitingbyaddress_;  // an IP address -> its hosts' unpaired rooms
  std::unordered_map<uint64_t, uint64_t> tickets_;      // a waiting guest's ticket -> its room's token
  std::unordered_map<endpoint, uint64_t, endpointhash> hosts_;  // a host's endpoint -> its room's token
  std::vector<roomevent> events_;
  uint64_t relayed_ = 0, dropped_ = 0;
};

}  // namespace flopfist::lobby
