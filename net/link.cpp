// The link's phases over datagrams. The other side is reached by a route: an address, or the
// lobby's relay behind the room's token. A host takes the route its joiner's hello came by; a
// joiner takes the address typed, or the path its meeting settled on.
#include "net/link.h"

#include <algorithm>

#include "net/handshake.h"

namespace flopfist::net {

const char* pathname(linkpath p) {
  switch (p) {
    case linkpath::punched:
      return "PUNCHED";
    case linkpath::relayed:
      return "RELAYED";
    case linkpath::direct:
      break;
  }
  return "DIRECT";
}

namespace {

constexpr int byes = 3;  // a goodbye is sent this often: one may be lost
constexpr size_t inboxsize = 256;

struct route {
  bool relayed = false;
  address4 to;  // when not relayed
  bool operator==(const route&) const = default;
};

class datagramlink final : public transport {
 public:
  datagramlink(std::unique_ptr<datagrams> socket, const linksettings& s, uint32_t now,
               uint32_t nonce)
      : socket_(std::move(socket)), settings_(s), wholes_(s.resendms), heard_(now), since_(now) {
    phase_ = s.hosting ? linkphase::waiting : linkphase::connecting;
    if (s.lobby) {
      meetsettings m = s.meet;
      m.side = s.hosting ? role::host : role::guest;
      meeting_ = std::make_unique<meeting>(m, *s.lobby, now, nonce);
      nonce_ = nonce;
    } else if (!s.hosting) {
      peer_ = route{false, s.host};
    }
    if (!s.failure.empty()) fail(linkphase::failed, s.failure);
    lobbyproblem_ = s.lobbyproblem;
    frames_.reserve(32);
    meetout_.reserve(16);
  }
  ~datagramlink() override {
    if (peer_ && (phase_ == linkphase::joined || phase_ == linkphase::connecting)) {
      const linkframe bye = frameof(framekind::bye);
      for (int k = 0; k < byes; ++k) sendpeer(bye.view());
    }
    if (meeting_) {
      meetout_.clear();
      meeting_->leave(meetout_);
      flushmeeting();
    }
  }

  void poll(uint32_t now) override;
  linkphase phase() const override { return phase_; }
  void send(std::span<const uint8_t> bytes) override {
    if (phase_ == linkphase::joined && !bytes.empty()) sendpeer(bytes);
  }
  bool next(packet& into) override {
    if (inboxcount_ == 0) return false;
    into = inbox_[inboxfirst_];
    inboxfirst_ = (inboxfirst_ + 1) % inboxsize;
    --inboxcount_;
    return true;
  }
  void sendwhole(std::string_view bytes) override {
    if (phase_ == linkphase::joined) wholes_.queue(bytes);
  }
  bool nextwhole(std::string& into) override {
    return phase_ == linkphase::joined && wholes_.next(into);
  }
  std::string problem() const override { return problem_; }
  uint16_t port() const override { return socket_->port(); }
  linkpath path() const override;
  std::string code() const override {
    if (!meeting_ || !settings_.hosting || meeting_->phase() == meetphase::asking) return "";
    if (meeting_->phase() == meetphase::refused || meeting_->phase() == meetphase::failed)
      return "";
    return meeting_->code();
  }
  std::string lobbyproblem() const override { return lobbyproblem_; }

 private:
  void take(const address4& from, std::span<const uint8_t> bytes, uint32_t now);
  void fromroute(const route& r, std::span<const uint8_t> bytes, uint32_t now);
  void handshake(const route& r, const message& m, uint32_t now);
  void linkword(const framefields& f, uint32_t now);
  void followmeeting(uint32_t now);
  void sendto(const route& r, std::span<const uint8_t> bytes) {
    if (!r.relayed) return socket_->sendto(r.to, bytes);
    if (!meeting_) return;
    const meetdatagram d = meeting_->relayword(bytes);
    socket_->sendto(d.to, d.bytes.view(), d.ttl);
  }
  void sendpeer(std::span<const uint8_t> bytes) {
    if (!peer_) return;
    sendto(*peer_, bytes);
    lastsent_ = lastnow_;
  }
  void flushmeeting() {
    for (const meetdatagram& d : meetout_) socket_->sendto(d.to, d.bytes.view(), d.ttl);
    meetout_.clear();
  }
  void fail(linkphase p, std::string why) {
    if (phase_ != linkphase::waiting && phase_ != linkphase::connecting) return;
    phase_ = p;
    problem_ = std::move(why);
  }
  void end() {
    if (phase_ == linkphase::joined) phase_ = linkphase::closed;
    fail(linkphase::failed, settings_.hosting ? "THE PLAYER LEFT" : "THE HOST IS GONE");
  }

  std::unique_ptr<datagrams> socket_;
  linksettings settings_;
  std::unique_ptr<meeting> meeting_;
  linkphase phase_;
  std::string problem_, lobbyproblem_;
  std::optional<route> peer_;  // where the other side is, once known
  wholechannel wholes_;
  uint32_t heard_;  // the other side's last word, once joined
  uint32_t since_;  // a joiner: when it knew where the host is
  uint32_t lastsent_ = 0, lasthello_ = 0, lastnow_ = 0;
  bool helloonce_ = false;
  bool roomopen_ = false;  // a host's room was open (its guest may since have gone)
  uint32_t nonce_ = 0;
  std::array<packet, inboxsize> inbox_{};
  size_t inboxfirst_ = 0, inboxcount_ = 0;
  std::vector<linkframe> frames_;
  std::vector<meetdatagram> meetout_;
  datagram in_;
};

linkpath datagramlink::path() const {
  if (peer_ && peer_->relayed) return linkpath::relayed;
  if (!meeting_) return linkpath::direct;
  // Met in the lobby and reached straight: through the routers, unless both are on one LAN.
  const meetphase m = meeting_->phase();
  const bool paired = m == meetphase::punching || m == meetphase::direct || m == meetphase::relayed;
  if (!paired || (m == meetphase::direct && meeting_->path() == pathkind::lan))
    return linkpath::direct;
  return linkpath::punched;
}

void datagramlink::handshake(const route& r, const message& m, uint32_t now) {
  if (settings_.hosting) {
    // A second joiner is turned away; the match with the first goes on, and so does the menu after
    // it, where the two may agree on a rematch. A joiner's hello doubled is welcomed again.
    const bool again = phase_ == linkphase::joined && peer_ == r;
    const bool full = !again && phase_ != linkphase::waiting;
    const message reply = answer(m, full);
    if (reply.kind == messagekind::none) return;
    const packet p = encode(reply);
    sendto(r, p.view());
    if (reply.kind == messagekind::welcome && !again) {
      peer_ = r;
      phase_ = linkphase::joined;
      heard_ = now;
      // A joiner by address while the room waits: nobody else may come by the code now.
      if (meeting_ && meeting_->phase() == meetphase::waiting) {
        meeting_->leave(meetout_);
        flushmeeting();
      }
    }
    return;
  }
  if (!peer_ || !(r == *peer_)) return;
  if (m.kind == messagekind::welcome && phase_ == linkphase::connecting) {
    phase_ = linkphase::joined;
    heard_ = now;
  }
  if (m.kind == messagekind::refuse) fail(linkphase::refused, refusaltext(m.refuse));
}

void datagramlink::linkword(const framefields& f, uint32_t now) {
  if (f.kind == framekind::bye) return end();
  if (phase_ != linkphase::joined) return;
  heard_ = now;
  if (f.kind == framekind::piece || f.kind == framekind::ack) {
    wholes_.receive(f, frames_);
    for (const linkframe& out : frames_) sendpeer(out.view());
    frames_.clear();
  }
}

void datagramlink::fromroute(const route& r, std::span<const uint8_t> bytes, uint32_t now) {
  const message m = decode(bytes);
  if (m.kind == messagekind::hello || m.kind == messagekind::welcome ||
      m.kind == messagekind::refuse) {
    return handshake(r, m, now);
  }
  // Datagrams from anyone but the other side are a stranger's: dropped.
  if (!peer_ || !(r == *peer_)) return;
  const framefields f = readframe(bytes);
  if (f.kind != framekind::none) return linkword(f, now);
  if (phase_ != linkphase::joined || bytes.size() > maxpacket) return;
  heard_ = now;
  if (inboxcount_ == inboxsize) return;
  packet& p = inbox_[(inboxfirst_ + inboxcount_) % inboxsize];
  std::copy(bytes.begin(), bytes.end(), p.bytes.begin());
  p.size = bytes.size();
  ++inboxcount_;
}

void datagramlink::take(const address4& from, std::span<const uint8_t> bytes, uint32_t now) {
  if (meeting_ && wordmark(bytes)) {
    meeting_->receive(from, bytes, now, meetout_);
    flushmeeting();
    const std::span<const uint8_t> relayed = meeting_->relayed();
    if (!relayed.empty()) fromroute(route{true, {}}, relayed, now);
    return;
  }
  fromroute(route{false, from}, bytes, now);
}

// A joiner by code learns where to say hello once its meeting settles; a host's lobby trouble
// leaves it hosting by address.
void datagramlink::followmeeting(uint32_t now) {
  if (!meeting_) return;
  meeting_->tick(now, meetout_);
  flushmeeting();
  const meetphase m = meeting_->phase();
  if (settings_.hosting) {
    // A guest that came by the code and went before its hello ended the room: a new one, a new
    // code.
    if (m == meetphase::failed && phase_ == linkphase::waiting && roomopen_) {
      meetsettings again = settings_.meet;
      again.side = role::host;
      meeting_ = std::make_unique<meeting>(again, *settings_.lobby, now, ++nonce_);
      roomopen_ = false;
      return;
    }
    if (meeting_->phase() == meetphase::waiting) roomopen_ = true;
    if ((m == meetphase::refused || m == meetphase::failed) && phase_ == linkphase::waiting &&
        lobbyproblem_.empty()) {
      lobbyproblem_ = meeting_->problem();
    }
    if (m == meetphase::failed && peer_ && peer_->relayed) end();
    return;
  }
  if (m == meetphase::refused) return fail(linkphase::refused, meeting_->problem());
  if (m == meetphase::failed) {
    if (!peer_ || peer_->relayed) {
      if (phase_ == linkphase::joined) return end();
      return fail(linkphase::failed, meeting_->problem());
    }
    return;
  }
  if (peer_) return;
  if (m == meetphase::direct) peer_ = route{false, meeting_->peer()};
  if (m == meetphase::relayed) peer_ = route{true, {}};
  if (peer_) since_ = now;
}

void datagramlink::poll(uint32_t now) {
  lastnow_ = now;
  while (socket_->receive(in_)) take(in_.from, in_.view(), now);
  followmeeting(now);
  if (phase_ == linkphase::connecting && peer_) {
    if (!helloonce_ || now - lasthello_ >= settings_.hellosms) {
      const packet p = encode(hello());
      sendpeer(p.view());
      lasthello_ = now;
      helloonce_ = true;
    }
    if (now - since_ >= settings_.patiencems) fail(linkphase::failed, "NO HOST ANSWERED");
  }
  if (phase_ != linkphase::joined) return;
  if (now - heard_ >= settings_.silencems) return end();
  wholes_.tick(now, frames_);
  for (const linkframe& f : frames_) sendpeer(f.view());
  frames_.clear();
  if (now - lastsent_ >= settings_.keepalivems) sendpeer(frameof(framekind::ping).view());
}

}  // namespace

std::unique_ptr<transport> makelink(std::unique_ptr<datagrams> socket, const linksettings& settings,
                                    uint32_t now, uint32_t nonce) {
  return std::make_unique<datagramlink>(std::move(socket), settings, now, nonce);
}

bool splitaddress(std::string_view text, std::string& address, uint16_t& port, uint16_t fallback) {
  port = fallback;
  const size_t colon = text.rfind(':');
  if (colon == std::string_view::npos) {
    address = std::string(text);
    return !address.empty();
  }
  address = std::string(text.substr(0, colon));
  const std::string_view digits = text.substr(colon + 1);
  if (digits.empty() || digits.size() > 5 || address.empty()) return false;
  int v = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < 1 || v > 65535) return false;
  port = uint16_t(v);
  return true;
}

std::string lobbywebsocket(std::string_view lobby) {
  if (lobby.starts_with("ws://") || lobby.starts_with("wss://")) return std::string(lobby);
  std::string address;
  uint16_t port = 0;
  if (!splitaddress(lobby, address, port, defaultlobbyport) || port == 65535) return "";
  return address + ":" + std::to_string(port + 1);
}

}  // namespace flopfist::net
