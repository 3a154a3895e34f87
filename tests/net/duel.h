// Two rollback sessions over a seeded in-memory link, each stepping its own copy of a game from
// scripted input, with what each confirmed and what it cost.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "match/match.h"
#include "net/confirmed.h"
#include "net/rollback.h"
#include "net/session.h"

namespace flopfist::nettest {

// A link both ways: each datagram is lost, doubled, or held for half the round trip give or take
// the jitter, so datagrams overtake each other whenever the jitter exceeds their spacing.
struct linkconfig {
  int rttms = 0;
  int jitterms = 20;
  double loss = 0;
  double duplicate = 0.02;
  uint32_t seed = 1;
};

class memorylink {
 public:
  explicit memorylink(const linkconfig& c) : c_(c), rng_(c.seed) {}
  void send(int from, std::span<const uint8_t> bytes, uint32_t now);
  // Datagrams that have reached side `to` by `now`, in the order they arrive.
  std::vector<std::vector<uint8_t>> arrived(int to, uint32_t now);
  bool cut = false;  // nothing gets through

 private:
  struct datagram {
    uint32_t due;
    int to;
    uint64_t order;
    std::vector<uint8_t> bytes;
  };
  linkconfig c_;
  std::mt19937 rng_;
  uint64_t sent_ = 0;
  std::vector<datagram> inflight_;
};

// A side's scripted keys: its player's four directions held in runs, from the seed alone, so the
// test knows every input the match was given whatever the link did.
uint16_t scriptinput(uint32_t seed, int side, int frame);
// A versus match at BLOOD 30, from a seed.
matchsetup versussetup(uint32_t seed);

// A small stand-in for a match when only the session's timing is measured.
struct foldgame {
  uint64_t h = 1469598103934665603ull;
  void step(const frameinput& in) { h = (h ^ packinput(in)) * 1099511628211ull + 7; }
  uint64_t hash() const { return h; }
};

struct dueloutcome {
  std::array<net::linkstate, 2> states{};
  std::array<int, 2> frames{}, confirmed{};
  int compared = 0;    // confirmed frames checked against the reference
  int differing = -1;  // the first confirmed frame whose hash differed from the reference, -1 none
  int desyncs = 0;     // sides that reported a desync
  int unevenfirsts = 0;  // frames stepped for the first time other than exactly once, both sides
  // The confirmed inputs each side followed (what its replay records), and where they first differed
  // from the inputs the scripts and the delay make, -1 for nowhere.
  std::array<int, 2> followed{};
  std::array<int, 2> wronginput{-1, -1};
  std::array<net::linkstats, 2> stats{};
  std::array<int, 2> checksums{};      // states each side hashed: every confirmed frame's, once
  std::array<uint64_t, 2> endhash{};  // each side's replay watched to its end: the final hash
};

// `carrier` is the link between the two sides: memorylink, or any type with its send, arrived and
// cut (the relay hop of bench/netlink, say).
template <typename game, typename carrier = memorylink>
class duel {
 public:
  duel(const game& start, const linkconfig& link, int delay, uint32_t scriptseed)
      : link_(link), seed_(scriptseed), delay_(delay),
        sides_{side{net::session(config(0, delay), 0), net::rollback<game>(start, net::savedstates(config(0, delay))), {}, {}, {}, {}, {}, 0},
               side{net::session(config(1, delay), 0), net::rollback<game>(start, net::savedstates(config(1, delay))), {}, {}, {}, {}, {}, 0}},
        reference_(start), start_(start) {}

  // Runs until both sides have stepped `frames` frames (or twice that time has passed); side 1's
  // clock starts `lagms` later, as the joiner's does.
  dueloutcome run(int frames, int lagms = 37);
  // Every tick: a hook that may change a side's game (to make a desync) before it ticks.
  std::function<void(int side, int frame, game& g)> meddle;
  // The side that leaves once it has stepped this many frames (-1: neither), as Escape would.
  int leaver = 0, leaveframe = -1;
  carrier& link() { return link_; }
  net::session& session(int s) { return sides_[size_t(s)].s; }

 private:
  struct side {
    net::session s;
    net::rollback<game> g;  // the live game and its saved states
    std::vector<uint64_t> lastsaved;  // by frame: the hash of the state last saved for it
    std::vector<int> firsts;          // by frame: its steps marked first (its sounds played)
    net::confirmedinputs confirmed;
    std::vector<std::array<uint16_t, 2>> followed;  // the replay's inputs, frame by frame
    std::vector<std::vector<uint8_t>> inbox;         // datagrams come since the last tick
    int checksums = 0;                               // states hashed as the session asked
  };
  std::array<uint16_t, 2> truth(int f) const {
    std::array<uint16_t, 2> in{};
    for (int s = 0; s < 2; ++s) in[size_t(s)] = f < delay_ ? 0 : scriptinput(seed_, s, f - delay_);
    return in;
  }
  static net::sessionconfig config(int side, int delay) { return {side, delay, 8, 3000}; }
  void carry(side& me, std::span<const net::request> requests);
  void tick(int s, uint32_t now);

  carrier link_;
  uint32_t seed_;
  int delay_;
  std::array<side, 2> sides_;
  game reference_;
  game start_;
};

template <typename game, typename carrier>
void duel<game, carrier>::carry(side& me, std::span<const net::request> requests) {
  me.g.carry(me.s, requests, [&](const net::request& r, const matchevents&) {
    me.confirmed.stepped(r);
    if (me.firsts.size() <= size_t(r.frame)) me.firsts.resize(size_t(r.frame) + 1);
    me.firsts[size_t(r.frame)] += r.fresh ? 1 : 0;
  });
  // What each frame's state was when last saved (a rollback saves it again), and the states hashed.
  for (const net::request& r : requests) {
    if (r.kind == net::requestkind::checksum) ++me.checksums;
    if (r.kind != net::requestkind::save) continue;
    if (me.lastsaved.size() <= size_t(r.frame)) me.lastsaved.resize(size_t(r.frame) + 1);
    me.lastsaved[size_t(r.frame)] = me.g.savedfor(r.frame).hash();
  }
}

template <typename game, typename carrier>
void duel<game, carrier>::tick(int s, uint32_t now) {
  side& me = sides_[size_t(s)];
  // What came since the last tick, taken as the game takes it: all at once before the frame.
  for (const auto& d : me.inbox) me.s.receive(d, now);
  me.inbox.clear();
  if (meddle) meddle(s, me.s.frame(), me.g.live);
  if (s == leaver && me.s.frame() == leaveframe && me.s.state() == net::linkstate::running) {
    carry(me, me.s.leave(now));
    for (int k = 0; k < 3; ++k) link_.send(s, me.s.quitmessage(), now);
  }
  carry(me, me.s.advance(scriptinput(seed_, s, me.s.frame()), now));
  me.confirmed.follow(me.s, [&](int, std::array<uint16_t, 2> in) { me.followed.push_back(in); });
  if (!me.s.outgoing().empty()) link_.send(s, me.s.outgoing(), now);
}

template <typename game, typename carrier>
dueloutcome duel<game, carrier>::run(int frames, int lagms) {
  const uint32_t limit = uint32_t(frames) * 2 * 1000 / 60 + uint32_t(lagms) + 4000;
  std::array<int, 2> ticks{};
  for (uint32_t now = 0; now < limit; ++now) {
    for (int s = 0; s < 2; ++s) {
      for (auto& d : link_.arrived(s, now)) sides_[size_t(s)].inbox.push_back(std::move(d));
    }
    for (int s = 0; s < 2; ++s) {
      const uint32_t start = s == 0 ? 0 : uint32_t(lagms);
      // 60 ticks a second on each side's own clock.
      if (now >= start && (now - start) * 60 / 1000 >= uint32_t(ticks[size_t(s)])) {
        ++ticks[size_t(s)];
        tick(s, now);
      }
    }
    if (sides_[0].s.frame() >= frames && sides_[1].s.frame() >= frames) break;
    if (sides_[0].s.state() != net::linkstate::running && sides_[1].s.state() != net::linkstate::running) break;
  }
  dueloutcome o;
  for (int s = 0; s < 2; ++s) {
    const side& me = sides_[size_t(s)];
    o.states[size_t(s)] = me.s.state();
    o.frames[size_t(s)] = me.s.frame();
    o.confirmed[size_t(s)] = me.s.confirmed();
    o.stats[size_t(s)] = me.s.stats();
    if (me.s.state() == net::linkstate::desynced) ++o.desyncs;
    o.followed[size_t(s)] = int(me.followed.size());
    o.checksums[size_t(s)] = me.checksums;
    // The side's replay watched: its followed inputs stepped from the start.
    game watched = start_;
    for (const auto& in : me.followed) (void)watched.step(mergeinputs(in));
    o.endhash[size_t(s)] = watched.hash();
    for (size_t f = 0; f < me.followed.size() && o.wronginput[size_t(s)] < 0; ++f) {
      if (me.followed[f] != truth(int(f))) o.wronginput[size_t(s)] = int(f);
    }
    for (int f = 0; f < me.s.frame(); ++f) {
      if (size_t(f) >= me.firsts.size() || me.firsts[size_t(f)] != 1) ++o.unevenfirsts;
    }
  }
  // The reference: one game given every input as the scripts and the delay make it.
  const int upto = std::min({o.confirmed[0], o.confirmed[1], o.frames[0], o.frames[1]});
  for (int f = 0; f < upto; ++f) {
    const uint64_t h = reference_.hash();
    for (int s = 0; s < 2; ++s) {
      if (sides_[size_t(s)].lastsaved[size_t(f)] != h && o.differing < 0) o.differing = f;
    }
    ++o.compared;
    (void)reference_.step(mergeinputs(truth(f)));
  }
  return o;
}

// Percentile of rollback depths over every rollback of both sides.
int depthpercentile(const dueloutcome& o, double p);
std::string describe(const linkconfig& c, const dueloutcome& o);

}  // namespace flopfist::nettest
