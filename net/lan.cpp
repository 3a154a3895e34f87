// Beacons to and from bytes, the list of games they make, and the host's link that sends them.
// A beacon: the mark "Fb", the layout, the protocol and game versions, the host's number, then the
// name and the room code each behind its length; little-endian, every byte accounted for.
#include "net/lan.h"

#include <algorithm>

#include "net/bytes.h"
#include "net/lobby.h"

namespace flopfist::net {

namespace {

constexpr uint8_t mark0 = 'F', mark1 = 'b';

void puttext(bytewriter<beaconbytes>& w, std::string_view text) {
  w.u8(uint8_t(text.size()));
  for (char c : text) w.u8(uint8_t(c));
}

// A text behind its length, of at most `most` characters.
bool gettext(bytereader& r, std::string& into, size_t most) {
  uint8_t length = 0;
  if (!r.u8(length) || length > most || r.left() < length) return false;
  into.clear();
  for (uint8_t k = 0, c = 0; k < length && r.u8(c); ++k) into.push_back(char(c));
  return true;
}

class listener final : public lanlistener {
 public:
  listener(std::unique_ptr<datagrams> socket, versions mine) : socket_(std::move(socket)), list_(mine) {}
  void poll(uint32_t now) override {
    while (socket_->receive(in_)) list_.heard(in_.from, in_.view(), now);
    list_.expire(now);
  }
  const std::vector<langame>& games() const override { return list_.games(); }

 private:
  std::unique_ptr<datagrams> socket_;
  lanlist list_;
  datagram in_;
};

class shared final : public datagrams {
 public:
  explicit shared(std::shared_ptr<datagrams> socket) : socket_(std::move(socket)) {}
  void sendto(const address4& to, std::span<const uint8_t> bytes, uint8_t ttl) override {
    socket_->sendto(to, bytes, ttl);
  }
  bool receive(datagram& into) override { return socket_->receive(into); }
  uint16_t port() const override { return socket_->port(); }

 private:
  std::shared_ptr<datagrams> socket_;
};

class beaconer final : public transport {
 public:
  beaconer(std::unique_ptr<transport> link, std::shared_ptr<datagrams> socket, std::vector<address4> to,
           beacon b)
      : link_(std::move(link)), socket_(std::move(socket)), to_(std::move(to)), beacon_(std::move(b)) {}
  void poll(uint32_t now) override {
    link_->poll(now);
    if (link_->phase() != linkphase::waiting || (sent_ && now - last_ < beaconms)) return;
    sent_ = true;
    last_ = now;
    beacon_.code = link_->code();
    const beaconbytes bytes = encode(beacon_);
    for (const address4& a : to_) socket_->sendto(a, bytes.view());
  }
  linkphase phase() const override { return link_->phase(); }
  void send(std::span<const uint8_t> bytes) override { link_->send(bytes); }
  bool next(packet& into) override { return link_->next(into); }
  void sendwhole(std::string_view bytes) override { link_->sendwhole(bytes); }
  bool nextwhole(std::string& into) override { return link_->nextwhole(into); }
  std::string problem() const override { return link_->problem(); }
  uint16_t port() const override { return link_->port(); }
  linkpath path() const override { return link_->path(); }
  std::string code() const override { return link_->code(); }
  std::string lobbyproblem() const override { return link_->lobbyproblem(); }

 private:
  std::unique_ptr<transport> link_;
  std::shared_ptr<datagrams> socket_;
  std::vector<address4> to_;
  beacon beacon_;
  bool sent_ = false;
  uint32_t last_ = 0;
};

}  // namespace

beaconbytes encode(const beacon& b) {
  beaconbytes out;
  bytewriter w(out);
  w.u8(mark0);
  w.u8(mark1);
  w.u8(beaconlayout);
  w.u16(b.mine.protocol);
  w.u32(b.mine.game);
  w.u32(b.host);
  puttext(w, cleanname(b.name));
  puttext(w, validcode(b.code) ? b.code : std::string_view());
  return out;
}

bool decodebeacon(std::span<const uint8_t> bytes, beacon& into) {
  if (bytes.size() > mostbeacon) return false;
  bytereader r(bytes);
  uint8_t m0 = 0, m1 = 0, layout = 0;
  beacon b;
  if (!r.u8(m0) || !r.u8(m1) || !r.u8(layout) || m0 != mark0 || m1 != mark1 || layout != beaconlayout)
    return false;
  if (!r.u16(b.mine.protocol) || !r.u32(b.mine.game) || !r.u32(b.host)) return false;
  if (!gettext(r, b.name, namelength) || !gettext(r, b.code, codelength) || !r.done()) return false;
  if (cleanname(b.name) != b.name || (!b.code.empty() && !validcode(b.code))) return false;
  into = std::move(b);
  return true;
}

void lanlist::heard(const address4& from, std::span<const uint8_t> bytes, uint32_t now) {
  beacon b;
  if (!decodebeacon(bytes, b) || from.port == 0) return;
  auto at = std::find_if(games_.begin(), games_.end(), [&](const langame& g) { return g.host == b.host; });
  if (at == games_.end()) {
    if (games_.size() == mostlangames) {
      games_.erase(std::min_element(games_.begin(), games_.end(), [&](const langame& x, const langame& y) {
        return now - x.heard > now - y.heard;
      }));
    }
    at = games_.insert(games_.end(), langame{});
  }
  *at = {from, std::move(b.name), std::move(b.code), b.mine == mine_, b.host, now};
}

void lanlist::expire(uint32_t now) {
  std::erase_if(games_, [&](const langame& g) { return now - g.heard > lanlastms; });
}

std::unique_ptr<lanlistener> listenon(std::unique_ptr<datagrams> socket, versions mine) {
  return std::make_unique<listener>(std::move(socket), mine);
}

std::unique_ptr<datagrams> shareof(std::shared_ptr<datagrams> socket) {
  return std::make_unique<shared>(std::move(socket));
}

std::unique_ptr<transport> beaconing(std::unique_ptr<transport> link, std::shared_ptr<datagrams> socket,
                                     std::vector<address4> to, std::string_view name, versions mine,
                                     uint32_t host) {
  return std::make_unique<beaconer>(std::move(link), std::move(socket), std::move(to),
                                    beacon{mine, host, std::string(name), ""});
}

}  // namespace flopfist::net
