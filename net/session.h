// A rollback session between two machines: local inputs, received messages and the time go in; the
// frames to save, restore and step come out. It holds no socket and reads no clock.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "net/packet.h"

namespace flopfist::net {

struct sessionconfig {
  int side = 0;            // 0: the host, player 1 (left); 1: the joiner, player 2
  int delay = 2;           // frames a local input waits before it is stepped, 0..4
  int window = 8;          // frames stepped past the last confirmed one before waiting
  uint32_t silencems = 3000;  // a peer heard from no longer is gone
};

enum class requestkind { save, restore, advance, checksum };
// save: keep the state before step `frame`. restore:
// go back to the state kept for `frame`. advance: step `frame` with one input per side (side 0
// first). checksum: tell saved() the hash of the state kept for `frame`, now final: every confirmed
// frame is hashed once, and never a state a rollback may still change.
struct request {
  requestkind kind = requestkind::advance;
  int frame = 0;
  std::array<uint16_t, 2> inputs{};
  bool fresh = false;  // advance: the frame's first step; its sounds play now and never again
};

// left: this side left; peerquit: the other did. Either way both end the match at the same frame.
enum class linkstate { running, disconnected, peerquit, left, desynced };

// Rollback depths 0..8 and deeper counted in the last slot.
constexpr int depthslots = 10;
struct linkstats {
  int rttms = 0;          // the latest round trip measured
  int stepped = 0;        // frames stepped forward for the first time
  int waited = 0;         // ticks spent waiting for the other side (window full)
  int slowed = 0;         // ticks left out to let the other side catch up
  int rollbacks = 0;
  int lastdepth = 0;
  std::array<int, depthslots> depths{};  // rollbacks by depth (frames re-stepped)
  int64_t bytessent = 0, packetssent = 0, bytesreceived = 0, packetsreceived = 0;
};

class session {
 public:
  session(const sessionconfig& config, uint32_t now);

  // A datagram from the peer; anything malformed, or a handshake message, is dropped without effect.
  void receive(std::span<const uint8_t> bytes, uint32_t now);
  // One tick of the frame clock: the local player's input for it. The requests come in the order to
  // carry them out, valid until the next call; none while waiting or once the link has ended.
  std::span<const request> advance(uint16_t local, uint32_t now);
  // The hash of a state kept, as a checksum request asked.
  void saved(int frame, uint64_t hash);
  // The message to send after each advance (empty when there is none).
  std::span<const uint8_t> outgoing() const { return out_.view(); }
  // This side leaves: the match ends at the last frame it has both sides' inputs for, which the
  // peer cannot have passed. The requests set right what a pending rollback would have and step
  // up to that end (carry them out as advance's); then send quitmessage(), a few times.
  std::span<const request> leave(uint32_t now);
  std::span<const uint8_t> quitmessage() const { return quit_.view(); }

  linkstate state() const { return state_; }
  // For a desync: the first frame whose confirmed hashes differed.
  int desyncframe() const { return desyncframe_; }
  int frame() const { return current_; }            // the next frame to step
  // Every input before it is known and stepped; once the link has ended, no later than its end.
  int confirmed() const { return end_ >= 0 ? std::min(confirmedframe(), end_) : confirmedframe(); }
  // Frames stepped with real inputs that the peer has confirmed too, as far as this side knows: a
  // replay recorded up to here holds what the peer's holds, wherever either side leaves.
  int agreed() const { return std::min({confirmed(), current_, end_ >= 0 ? end_ : peerack_}); }
  int delay() const { return cfg_.delay; }
  const linkstats& stats() const { return stats_; }

  static constexpr int ring = 128;  // frames of inputs and hashes kept

 private:
  int confirmedframe() const;
  uint16_t remoteinput(int frame) const;  // received, or predicted from the last received
  void takeinputs(const inputmessage& in);
  void rollback();  // re-steps from the earliest frame a received input proved wrongly predicted
  void finish(int end);  // the link has ended: the frames before `end` set right and stepped
  void pushchecksums();
  void comparehash(int frame);
  void buildmessage(uint32_t now);
  void push(requestkind kind, int frame);
  void pushstep(int frame, bool fresh);

  sessionconfig cfg_;
  linkstate state_ = linkstate::running;
  int current_ = 0;
  int remotenext_ = 0;   // every remote input before it has come
  int peerack_ = 0;      // the peer has every local input before it
  int firstwrong_ = -1;  // the earliest stepped frame whose prediction a received input proved wrong
  int hashedupto_ = 0;     // checksums asked for every frame before it
  int hashknown_ = 0;      // the frame after the latest one hashed
  int desyncframe_ = -1;
  int end_ = -1;              // the frame the match ended at, once the link has ended
  bool finishpending_ = false;  // the peer quit: its last inputs are still to be stepped

  std::array<uint16_t, ring> local_{};
  std::array<uint16_t, ring> remote_{};
  std::array<int32_t, ring> remoteslotframe_{};  // which frame each remote_ slot holds, -1 none
  std::array<uint16_t, ring> used_{};        // the remote input each stepped frame was given
  std::array<uint32_t, ring> localhash_{};   // confirmed frames' hashes
  std::array<int32_t, ring> localhashframe_{};
  std::array<uint32_t, ring> remotehash_{};
  std::array<int32_t, ring> remotehashframe_{};

  // Clocks, in the caller's ms.
  uint32_t lastheard_;
  uint32_t echo_ = 0, echoheard_ = 0;
  bool echoset_ = false;
  int peerframe_ = 0;         // the peer's frame as it last said
  int remoteadvantage_ = 0;
  int advantage16_ = 0;       // our advantage averaged, in 1/16 frames
  int slowcooldown_ = 0;

  std::array<request, 2 * ring + 4> requests_{};
  int requestcount_ = 0;
  packet out_;
  packet quit_;
  linkstats stats_;
};

}  // namespace flopfist::net
