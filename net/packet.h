// The messages two machines exchange, as bounded byte strings: encoded here, decoded with every field checked.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace flopfist::net {

// The wire layout's own number, raised when any message is laid out differently.
constexpr uint16_t protocolversion = 2;
// No message is longer: a datagram of this size passes every link without being split.
constexpr size_t maxpacket = 256;
// Inputs one message carries at most, oldest first; the session never has more unacknowledged.
constexpr int maxinputs = 64;
// Confirmed-frame hashes one message carries at most: the latest, so each goes out that often and
// a lost message costs no frame its check.
constexpr int maxhashes = 8;

enum class messagekind : uint8_t { none = 0, hello = 1, welcome = 2, refuse = 3, inputs = 4, quit = 5 };
enum class refusal : uint8_t { versions = 1, full = 2 };

// A joiner's first message, and the host's answer with its own versions.
struct hellomessage {
  uint16_t protocol = protocolversion;
  uint32_t game = 0;
};
struct refusemessage {
  refusal why = refusal::versions;
  uint16_t protocol = protocolversion;
  uint32_t game = 0;
};

// Sent every frame (and, with the frame the match ends at, as the last words of a side that leaves): the sender's inputs the other side has not acknowledged, what the sender has
// received, where its frame clock stands, and hashes of frames it has confirmed.
struct inputmessage {
  uint32_t sent = 0;     // the sender's clock, ms
  uint32_t echo = 0;     // the last `sent` the sender received
  uint16_t echoage = 0;  // how long the sender held that echo, ms: the round trip is now - echo - age
  int32_t frame = 0;     // the sender's next frame to step
  int8_t advantage = 0;  // how many frames the sender thinks it runs ahead
  int32_t ack = 0;       // the sender has every input of the receiver's before this frame
  int32_t first = 0;     // the frame of inputs[0]
  uint8_t count = 0;
  std::array<uint16_t, maxinputs> inputs{};
  int32_t hashfirst = 0;  // the frame of hashes[0]; the others follow frame by frame
  uint8_t hashcount = 0;
  std::array<uint32_t, maxhashes> hashes{};
  int32_t end = 0;  // a quit message's: the match ends before this frame, the sender's inputs up to it enclosed
};

struct message {
  messagekind kind = messagekind::none;  // none: malformed, to be dropped
  hellomessage hello;                    // hello and welcome
  refusemessage refuse;
  inputmessage inputs;
};

// A message as bytes; the returned size is at most maxpacket.
struct packet {
  std::array<uint8_t, maxpacket> bytes{};
  size_t size = 0;
  std::span<const uint8_t> view() const { return {bytes.data(), size}; }
};

packet encode(const message& m);
// Anything but a well-formed message of a known kind, with its exact length, gives kind none.
message decode(std::span<const uint8_t> bytes);

}  // namespace flopfist::net
