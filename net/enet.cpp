// The transport over ENet: one host and one joiner, datagrams unsequenced on channel 0, the
// handshake reliable on channel 1. enet_host_service is always called with a timeout of 0.
#include <enet/enet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <arpa/inet.h>

#include <algorithm>
#include <deque>
#include <vector>

#include "net/handshake.h"
#include "net/transport.h"

namespace flopfist::net {

namespace {

constexpr int datachannel = 0, handshakechannel = 1, wholechannel = 2, channels = 3;
constexpr size_t mostwhole = 1 << 16;

bool started() {
  static const bool ok = enet_initialize() == 0;
  return ok;
}

class enetlink final : public transport {
 public:
  enetlink(ENetHost* h, bool hosting) : host_(h), hosting_(hosting) {
    phase_ = hosting ? linkphase::waiting : linkphase::connecting;
  }
  ~enetlink() override {
    if (peer_ != nullptr) enet_peer_disconnect_now(peer_, 0);
    enet_host_flush(host_);
    enet_host_destroy(host_);
  }

  void poll(uint32_t now) override;
  linkphase phase() const override { return phase_; }
  void send(std::span<const uint8_t> bytes) override {
    if (phase_ != linkphase::joined || peer_ == nullptr) return;
    ENetPacket* p = enet_packet_create(bytes.data(), bytes.size(), ENET_PACKET_FLAG_UNSEQUENCED);
    if (enet_peer_send(peer_, datachannel, p) != 0) enet_packet_destroy(p);
  }
  bool next(packet& into) override {
    if (inbox_.empty()) return false;
    into = inbox_.front();
    inbox_.pop_front();
    return true;
  }
  void sendwhole(std::string_view bytes) override {
    if (phase_ != linkphase::joined || peer_ == nullptr) return;
    ENetPacket* p = enet_packet_create(bytes.data(), bytes.size(), ENET_PACKET_FLAG_RELIABLE);
    if (enet_peer_send(peer_, wholechannel, p) != 0) enet_packet_destroy(p);
  }
  bool nextwhole(std::string& into) override {
    if (wholes_.empty()) return false;
    into = std::move(wholes_.front());
    wholes_.pop_front();
    return true;
  }
  std::string problem() const override { return problem_; }
  uint16_t port() const override { return host_->address.port; }

  ENetPeer* peer_ = nullptr;  // the joiner, or the host
  uint32_t deadline_ = 0;     // a joiner's: the time to give up waiting for a welcome

 private:
  void sendreliable(ENetPeer* to, const message& m) {
    const packet p = encode(m);
    ENetPacket* e = enet_packet_create(p.bytes.data(), p.size, ENET_PACKET_FLAG_RELIABLE);
    if (enet_peer_send(to, handshakechannel, e) != 0) enet_packet_destroy(e);
  }
  void handshake(ENetPeer* from, const message& m);
  void fail(linkphase p, std::string why) {
    if (phase_ != linkphase::waiting && phase_ != linkphase::connecting) return;
    phase_ = p;
    problem_ = std::move(why);
  }

  ENetHost* host_;
  bool hosting_;
  linkphase phase_;
  std::string problem_;
  std::deque<packet> inbox_;
  std::deque<std::string> wholes_;
};

void enetlink::handshake(ENetPeer* from, const message& m) {
  if (hosting_) {
    // A second joiner is turned away; the match with the first goes on, and so does the menu
    // after it, where the two may agree on a rematch.
    const bool full = phase_ != linkphase::waiting || (peer_ != nullptr && from != peer_);
    const message reply = answer(m, full);
    if (reply.kind == messagekind::none) return;
    sendreliable(from, reply);
    if (reply.kind == messagekind::welcome) {
      peer_ = from;
      phase_ = linkphase::joined;
    } else {
      enet_peer_disconnect_later(from, 0);
    }
    return;
  }
  if (from != peer_) return;
  if (m.kind == messagekind::welcome) phase_ = linkphase::joined;
  if (m.kind == messagekind::refuse) fail(linkphase::refused, refusaltext(m.refuse));
}

void enetlink::poll(uint32_t now) {
  ENetEvent ev;
  while (enet_host_service(host_, &ev, 0) > 0) {
    switch (ev.type) {
      case ENET_EVENT_TYPE_CONNECT:
        if (!hosting_ && ev.peer == peer_) sendreliable(peer_, hello());
        break;
      case ENET_EVENT_TYPE_RECEIVE: {
        const std::span<const uint8_t> bytes(ev.packet->data, ev.packet->dataLength);
        if (ev.channelID == handshakechannel) {
          handshake(ev.peer, decode(bytes));
        } else if (ev.channelID == wholechannel) {
          if (ev.peer == peer_ && phase_ == linkphase::joined && bytes.size() <= mostwhole && wholes_.size() < 8) {
            wholes_.emplace_back(bytes.begin(), bytes.end());
          }
        } else if (ev.peer == peer_ && phase_ == linkphase::joined && bytes.size() <= maxpacket) {
          // Datagrams from anyone but the peer are a stranger's: dropped.
          packet p;
          std::copy(bytes.begin(), bytes.end(), p.bytes.begin());
          p.size = bytes.size();
          if (inbox_.size() < 256) inbox_.push_back(p);
        }
        enet_packet_destroy(ev.packet);
        break;
      }
      case ENET_EVENT_TYPE_DISCONNECT:
        if (ev.peer == peer_) {
          peer_ = nullptr;
          if (phase_ == linkphase::joined) phase_ = linkphase::closed;
          fail(linkphase::failed, hosting_ ? "THE PLAYER LEFT" : "THE HOST IS GONE");
        }
        break;
      case ENET_EVENT_TYPE_NONE:
        break;
    }
  }
  if (!hosting_ && phase_ == linkphase::connecting && peer_ == nullptr) {
    fail(linkphase::failed, "NO SUCH ADDRESS");
  }
  if (!hosting_ && phase_ == linkphase::connecting && int32_t(now - deadline_) > 0) {
    fail(linkphase::failed, "NO HOST ANSWERED");
  }
  enet_host_flush(host_);
}

}  // namespace

std::unique_ptr<transport> hostgame(uint16_t port, std::string& error) {
  if (!started()) {
    error = "THE NETWORK COULD NOT START";
    return nullptr;
  }
  ENetAddress a{};
  a.host = ENET_HOST_ANY;
  a.port = port;
  // Room for the joiner and one more, so a third machine hears why it is turned away.
  ENetHost* h = enet_host_create(&a, 2, channels, 0, 0);
  if (h == nullptr) {
    error = "PORT " + std::to_string(port) + " IS IN USE";
    return nullptr;
  }
  return std::make_unique<enetlink>(h, true);
}

std::unique_ptr<transport> joingame(std::string_view address, uint16_t port, uint32_t now,
                                    uint32_t patiencems) {
  ENetHost* h = started() ? enet_host_create(nullptr, 1, channels, 0, 0) : nullptr;
  if (h == nullptr) return nullptr;
  auto link = std::make_unique<enetlink>(h, false);
  link->deadline_ = now + patiencems;
  ENetAddress a{};
  a.port = port;
  const std::string name(address);
  if (enet_address_set_host(&a, name.c_str()) == 0) link->peer_ = enet_host_connect(h, &a, channels, 0);
  return link;
}

std::vector<std::string> localaddresses() {
  std::vector<std::string> out;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return out;
  for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) continue;
    char text[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
    if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) == nullptr) continue;
    if (std::string_view(text).starts_with("127.")) continue;
    out.emplace_back(text);
  }
  freeifaddrs(list);
  return out;
}

bool splitaddress(std::string_view text, std::string& address, uint16_t& port) {
  port = defaultport;
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

}  // namespace flopfist::net
