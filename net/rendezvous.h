// The words between a game and the lobby, and between two games punching through their routers.
// Each word is one datagram (or one binary WebSocket message): a two-byte mark, a kind, then
// little-endian fields of fixed length. Nothing here knows the match: the lobby links only this.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace flopfist::net {

// A room code: five characters drawn from 31 that cannot be taken for one another (no 0/O, 1/I/L).
constexpr std::string_view codealphabet = "23456789ABCDEFGHJKMNPQRSTUVWXYZ";
constexpr size_t codelength = 5;
using roomcode = std::array<char, codelength>;
bool validcode(std::string_view code);
// What a player typed as a code: spaces and dashes left out, small letters made capitals. Empty
// when what is left is not a code.
std::string cleancode(std::string_view typed);

// A game's LAN addresses it reports, at most this many.
constexpr size_t mostlan = 4;
// The bytes a relayed word carries at most: more than any datagram the game sends.
constexpr size_t mostrelay = 1200;
// Each word's fixed part is at most this long; a relay word adds its payload.
constexpr size_t mostword = 64;

enum class wordkind : uint8_t {
  none = 0,        // malformed, to be dropped
  open = 1,        // game -> lobby: a host asks for a room
  room = 2,        // lobby -> host: its room's code and token
  join = 3,        // game -> lobby: a guest asks for the room of a code
  seat = 4,        // lobby -> guest: a ticket to show from the same address before it is paired
  refuse = 5,      // lobby -> game: no room (why, and both sides' versions)
  keepalive = 6,   // game -> lobby: the token (host, guest paired) or the ticket (guest not yet paired)
  alive = 7,       // lobby -> game: the answer to a keepalive before pairing
  peer = 8,        // lobby -> game: the room is paired; the token and the other player's addresses
  relay = 9,       // game -> lobby -> other game: a datagram of the match, behind the token
  probe = 10,      // game -> game: hole punching, sent from the socket that reached the lobby
  answer = 11,     // game -> game: a probe came through
  path = 12,       // game -> lobby: how the two games reach each other now
  leave = 13,      // game -> lobby: this player is gone
  gone = 14,       // lobby -> game: the other player is gone, the room has ended
};

enum class refusereason : uint8_t {
  versions = 1,  // the host's game or protocol differs from the guest's
  full = 2,      // the room already has its guest
  noroom = 3,    // no room has this code (never had, or ended)
  busy = 4,      // the lobby holds all the rooms it may
};

enum class pathkind : uint8_t { punched = 1, relayed = 2, lan = 3 };
enum class role : uint8_t { host = 1, guest = 2 };

// An IPv4 address and port, host order; port 0 means none (a browser has no address to punch to).
struct address4 {
  uint32_t ip = 0;
  uint16_t port = 0;
  bool operator==(const address4&) const = default;
};
std::string addresstext(const address4& a);

struct versions {
  uint16_t protocol = 0;  // the game's wire layout
  uint32_t game = 0;      // the simulation's version
  bool operator==(const versions&) const = default;
};

struct word {
  wordkind kind = wordkind::none;
  uint32_t nonce = 0;          // open, join and their answers: which request an answer is for
  roomcode code{};             // room, join
  uint64_t key = 0;            // room token (room, keepalive, alive, peer, relay, probe, answer, path, leave, gone) or ticket (seat, keepalive)
  versions mine;               // open, join: the sender's; refuse: the guest's
  versions host;               // refuse: the host's (zero when there is no host to compare)
  refusereason why = refusereason::versions;  // refuse
  role side = role::host;      // peer: the receiver's; probe, answer: the sender's
  address4 seen;               // peer: the other player's address as the lobby sees it
  uint8_t lancount = 0;        // open, join: the sender's; peer: the other player's
  std::array<address4, mostlan> lan{};
  uint16_t seq = 0;            // probe, answer
  pathkind how = pathkind::relayed;  // path
  std::span<const uint8_t> payload;  // relay: points into the decoded bytes
};

// A word as bytes: its fixed part, and for relay its payload after it.
struct wordbytes {
  std::array<uint8_t, mostword + mostrelay> bytes{};
  size_t size = 0;
  std::span<const uint8_t> view() const { return {bytes.data(), size}; }
};

wordbytes encode(const word& w);
// Anything but a well-formed word of a known kind, with its exact length and every field in range,
// gives kind none.
word decodeword(std::span<const uint8_t> bytes);
// True when the bytes begin as a word does: a transport that shares its socket tells words from
// its own datagrams by this.
bool wordmark(std::span<const uint8_t> bytes);

// The size of a relay word carrying `payload` bytes: what the game's datagram costs on the relay.
constexpr size_t relayoverhead = 2 + 1 + 8;

// The words a game shows for a refusal, naming both versions where they differ.
std::string refusewords(const word& refused);

}  // namespace flopfist::net
