// The side's steps. The meeting goes on under the match: it answers a late probe, keeps the
// routers' mappings and the room alive, and unwraps relayed datagrams.
#include "tests/nat/natgame.h"

#include <cinttypes>
#include <cstdio>

#include "tests/net/duel.h"

namespace flopfist::nattest {

// The match and its saved states are made before the meeting: making them takes long enough (a
// sixth of a second in a debug build) that a side doing it once met would leave the other's
// probes and first frames unanswered meanwhile.
natgame::natgame(const natsettings& s, uint32_t now, uint32_t nonce)
    : settings_(s), meet_(s.meet, s.lobby, now, nonce),
      live_(std::make_unique<net::rollback<match>>(match(nettest::versussetup(s.seed)), net::savedstates(config()))),
      tape_(std::make_unique<match>(live_->live)) {}

net::sessionconfig natgame::config() const {
  return {settings_.meet.side == net::role::host ? 0 : 1, settings_.delay, 8, 3000};
}

void natgame::fail(std::string why) {
  if (stage_ == natstage::failed) return;
  stage_ = natstage::failed;
  problem_ = std::move(why);
}

void natgame::receive(const net::address4& from, std::span<const uint8_t> bytes, uint32_t now) {
  if (meet_.receive(from, bytes, now, out_)) {
    notepaired(now);
    if (s_ && !meet_.relayed().empty()) s_->receive(meet_.relayed(), now);
    return;
  }
  // The match's own datagrams straight from the other game, from the address that answered and
  // from no other: a stranger who learns the address has nothing to inject.
  if (s_ && meet_.phase() == net::meetphase::direct && from == meet_.peer()) s_->receive(bytes, now);
}

void natgame::poll(uint32_t now) {
  if (!began_) began_ = now;  // the first tick asks the lobby: the JOIN goes out now
  meet_.tick(now, out_);
  notepaired(now);
  const net::meetphase p = meet_.phase();
  if (stage_ != natstage::meeting) return;
  if (p == net::meetphase::refused || p == net::meetphase::failed) return fail(meet_.problem());
  if (p == net::meetphase::direct || p == net::meetphase::relayed) start(now);
}

void natgame::notepaired(uint32_t now) {
  const net::meetphase p = meet_.phase();
  if (!paired_ && (p == net::meetphase::punching || p == net::meetphase::direct || p == net::meetphase::relayed)) {
    paired_ = now;
  }
}

int natgame::since(uint32_t now) const {
  const std::optional<uint32_t> from = settings_.meet.side == net::role::guest ? began_ : paired_;
  return int(now - from.value_or(now));
}

void natgame::start(uint32_t now) {
  s_.emplace(config(), now);
  stage_ = natstage::playing;
}

void natgame::send(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return;
  if (meet_.phase() == net::meetphase::direct) {
    net::meetdatagram d;
    d.to = meet_.peer();
    std::copy(bytes.begin(), bytes.end(), d.bytes.bytes.begin());
    d.bytes.size = bytes.size();
    out_.push_back(d);
  } else {
    out_.push_back(meet_.relayword(bytes));
  }
}

void natgame::frame(uint32_t now) {
  // Having left, the quit goes again each frame while the caller lingers: if every copy were
  // lost, the other side would wait for acknowledgements that never come.
  if (stage_ == natstage::ended && s_->state() == net::linkstate::left) send(s_->quitmessage());
  if (stage_ != natstage::playing) return;
  // Also once the other side has quit: its last inputs are stepped then.
  const int side = settings_.meet.side == net::role::host ? 0 : 1;
  const auto requests = s_->advance(nettest::scriptinput(settings_.seed, side, s_->frame()), now);
  live_->carry(*s_, requests, [&](const net::request& r, const matchevents&) { confirmed_.stepped(r); });
  if (firstframe_ < 0 && s_->frame() > 0) firstframe_ = since(now);
  send(s_->outgoing());
  follow(now);
}

// The tape steps each frame both sides agree on. Once it has seen the match's end, the other side
// has every input up to it too, so this side may leave: the session ends the link at a frame no
// earlier than the end, on both machines.
void natgame::follow(uint32_t now) {
  confirmed_.follow(*s_, [&](int f, std::array<uint16_t, 2> inputs) {
    if (endframe_ >= 0) return;
    const matchevents ev = tape_->step(mergeinputs(inputs));
    if (ev.finished || f + 1 >= settings_.mostframes) {
      endframe_ = f;
      endhash_ = tape_->hash();
    }
  });
  if (firstconfirmed_ < 0 && confirmed_.next() > 0) {
    firstconfirmed_ = since(now);
  }
  if (endframe_ >= 0) {
    if (s_->state() == net::linkstate::running) {
      live_->carry(*s_, s_->leave(now), [&](const net::request& r, const matchevents&) { confirmed_.stepped(r); });
      for (int k = 0; k < 3; ++k) send(s_->quitmessage());  // one may be lost
    }
    stage_ = natstage::ended;
    return;
  }
  switch (s_->state()) {
    case net::linkstate::running:
      return;
    case net::linkstate::desynced:
      return fail("the two games differ from frame " + std::to_string(s_->desyncframe()));
    case net::linkstate::disconnected:
      return fail("the link went silent at frame " + std::to_string(s_->frame()));
    case net::linkstate::peerquit:
    case net::linkstate::left:
      return fail("the link ended at frame " + std::to_string(confirmed_.next()) + ", before the match's end");
  }
}

void natgame::leave() { meet_.leave(out_); }

std::string pathname(net::pathkind p) {
  switch (p) {
    case net::pathkind::punched:
      return "PUNCHED";
    case net::pathkind::relayed:
      return "RELAYED";
    case net::pathkind::lan:
      return "LAN";
  }
  return "?";
}

std::string resultline(const natgame& g) {
  char line[200];
  std::snprintf(line, sizeof line,
                "%s first frame %d ms, first confirmed %d ms, ended at frame %d, match hash %016" PRIx64,
                pathname(g.meeting().path()).c_str(), g.firstframems(), g.firstconfirmedms(), g.endframe(),
                g.endhash());
  return line;
}

}  // namespace flopfist::nattest
