// One side of a versus match between two machines that find each other through the lobby: the
// meeting first, then a rollback session over the path it found (straight to the other game, or
// wrapped for the lobby's relay), each side's keys scripted from a seed, until the match ends on
// both. No socket and no clock: datagrams and the time come in, datagrams to send go out.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "match/match.h"
#include "net/confirmed.h"
#include "net/rendezvousclient.h"
#include "net/rollback.h"
#include "net/session.h"

namespace flopfist::nattest {

enum class natstage {
  meeting,  // with the lobby, until a path is found
  playing,
  ended,    // the match reached its end (or the frame limit) and both sides have its inputs
  failed,   // problem() says why
};

struct natsettings {
  net::meetsettings meet;
  net::address4 lobby;
  uint32_t seed = 1;        // the match and both sides' scripted keys
  int mostframes = 3600;    // a match not ended by then ends there, on both sides alike
  int delay = 2;
};

class natgame {
 public:
  natgame(const natsettings& s, uint32_t now, uint32_t nonce);

  // A datagram that came to the socket.
  void receive(const net::address4& from, std::span<const uint8_t> bytes, uint32_t now);
  // The meeting's words, probes and keepalives; call it whenever woken, frames or not.
  void poll(uint32_t now);
  // One tick of the match, 60 a second once met, and on after the end while the caller lingers.
  void frame(uint32_t now);
  // After the end: tells the lobby this player is gone.
  void leave();
  // Datagrams to send now; the caller sends and clears them.
  std::vector<net::meetdatagram>& outbox() { return out_; }

  natstage stage() const { return stage_; }
  const net::meeting& meeting() const { return meet_; }
  std::string problem() const { return problem_; }
  // ms from the start of the meeting (a guest's JOIN) or from the pairing (a host) to the first
  // frame stepped, and to the first frame both sides' inputs were known for; -1 before.
  int firstframems() const { return firstframe_; }
  int firstconfirmedms() const { return firstconfirmed_; }
  int endframe() const { return endframe_; }  // the frame the match ended at
  uint64_t endhash() const { return endhash_; }
  const net::linkstats* stats() const { return s_ ? &s_->stats() : nullptr; }

 private:
  net::sessionconfig config() const;
  void notepaired(uint32_t now);
  int since(uint32_t now) const;  // ms from what firstframems() counts from
  void start(uint32_t now);
  void send(std::span<const uint8_t> bytes);
  void follow(uint32_t now);
  void fail(std::string why);

  natsettings settings_;
  net::meeting meet_;
  natstage stage_ = natstage::meeting;
  std::string problem_;
  std::optional<uint32_t> began_;
  std::optional<uint32_t> paired_;
  std::optional<net::session> s_;
  std::unique_ptr<net::rollback<match>> live_;
  std::unique_ptr<match> tape_;  // follows the frames both sides agree on: what a replay records
  net::confirmedinputs confirmed_;
  int firstframe_ = -1, firstconfirmed_ = -1, endframe_ = -1;
  uint64_t endhash_ = 0;
  std::vector<net::meetdatagram> out_;
};

// The line the driver prints at the end: the path, the times and the match's final hash.
std::string pathname(net::pathkind p);
std::string resultline(const natgame& g);

}  // namespace flopfist::nattest
