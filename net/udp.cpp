// One non-blocking UDP socket behind the datagram interface, and the desktop's ways to host and
// join.
#include "net/udp.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>

#include "match/version.h"
#include "net/link.h"
#include "net/packet.h"

namespace flopfist::net {

namespace {

sockaddr_in sockaddrof(const address4& a) {
  sockaddr_in s{};
  s.sin_family = AF_INET;
  s.sin_addr.s_addr = htonl(a.ip);
  s.sin_port = htons(a.port);
  return s;
}

class udpsocket final : public datagrams {
 public:
  udpsocket(int fd, uint16_t port) : fd_(fd), port_(port) {}
  ~udpsocket() override { ::close(fd_); }
  void sendto(const address4& to, std::span<const uint8_t> bytes, uint8_t ttl) override {
    const sockaddr_in s = sockaddrof(to);
    if (ttl != 0) setttl(ttl);
    (void)::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&s),
                   sizeof s);
    if (ttl != 0) setttl(usualttl_);
  }
  bool receive(datagram& into) override {
    for (;;) {
      sockaddr_in s{};
      socklen_t length = sizeof s;
      const ssize_t n = ::recvfrom(fd_, into.bytes.data(), into.bytes.size(), MSG_TRUNC,
                                   reinterpret_cast<sockaddr*>(&s), &length);
      if (n < 0)
        return false;  // nothing waits (or the socket's error, as for a refused port: nothing)
      if (size_t(n) > into.bytes.size() || s.sin_family != AF_INET)
        continue;  // too long for any of ours
      into.size = size_t(n);
      into.from = {ntohl(s.sin_addr.s_addr), ntohs(s.sin_port)};
      return true;
    }
  }
  uint16_t port() const override { return port_; }

 private:
  void setttl(int ttl) { (void)setsockopt(fd_, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl); }
  int fd_;
  uint16_t port_;
  int usualttl_ = 64;
};

uint32_t newnonce() {
  return std::random_device{}();
}

// A lobby on this machine's loopback means both games are on this machine too: no LAN address is
// worth a probe then.
meetsettings meetingfor(const datagrams& socket, const std::optional<address4>& lobby) {
  meetsettings m;
  m.mine = {protocolversion, gameversion};
  if (!lobby || (lobby->ip >> 24) == 127) return m;
  for (address4 a : localaddresses()) {
    if (m.lancount == mostlan) break;
    a.port = socket.port();
    m.lan[m.lancount++] = a;
  }
  return m;
}

std::unique_ptr<datagrams> opensocket(uint16_t port, bool shared, std::string& error) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = "THE NETWORK COULD NOT START";
    return nullptr;
  }
  const int on = 1;
  (void)setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  // Every socket bound with this hears each broadcast to the port.
  if (shared) (void)setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in s = sockaddrof({INADDR_ANY, port});
  socklen_t length = sizeof s;
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&s), sizeof s) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&s), &length) != 0) {
    ::close(fd);
    error = "PORT " + std::to_string(port) + " IS IN USE";
    return nullptr;
  }
  return std::make_unique<udpsocket>(fd, ntohs(s.sin_port));
}

}  // namespace

std::unique_ptr<datagrams> openudp(uint16_t port, std::string& error) { return opensocket(port, false, error); }

std::unique_ptr<lanlistener> listenlan(std::string& error) {
  auto socket = opensocket(discoveryport, true, error);
  if (socket == nullptr) return nullptr;
  return listenon(std::move(socket), {protocolversion, gameversion});
}

std::vector<address4> beacontargets(lanbeacons where) {
  std::vector<address4> out;
  if (where == lanbeacons::local) out.push_back({0x7FFFFFFF, discoveryport});  // 127.255.255.255
  if (where != lanbeacons::all) return out;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) == 0) {
    for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
      if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET || (a->ifa_flags & IFF_BROADCAST) == 0 ||
          (a->ifa_flags & IFF_UP) == 0 || a->ifa_broadaddr == nullptr)
        continue;
      const uint32_t ip = ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_broadaddr)->sin_addr.s_addr);
      const address4 to{ip, discoveryport};
      if (ip != 0 && std::find(out.begin(), out.end(), to) == out.end()) out.push_back(to);
    }
    freeifaddrs(list);
  }
  // An interface with no broadcast address of its own still takes the limited broadcast.
  if (out.empty()) out.push_back({0xFFFFFFFF, discoveryport});
  return out;
}

std::optional<address4> resolve(const std::string& name, uint16_t port) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (name.empty() || getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr)
    return {};
  const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  const address4 a{ntohl(in->sin_addr.s_addr), port};
  freeaddrinfo(found);
  return a;
}

std::vector<address4> localaddresses() {
  std::vector<address4> out;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return out;
  for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
    if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) continue;
    const uint32_t ip = ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr);
    if ((ip >> 24) == 127) continue;
    out.push_back({ip, 0});
  }
  freeifaddrs(list);
  return out;
}

std::unique_ptr<transport> hostgame(uint16_t port, std::string& error, std::string_view lobby,
                                    uint32_t now, lanbeacons beacons, std::string_view name) {
  std::shared_ptr<datagrams> socket = openudp(port, error);
  if (socket == nullptr) return nullptr;
  linksettings s;
  s.hosting = true;
  if (!lobby.empty()) {
    std::string name;
    uint16_t lobbyport = 0;
    if (splitaddress(lobby, name, lobbyport, defaultlobbyport)) s.lobby = resolve(name, lobbyport);
    s.meet = meetingfor(*socket, s.lobby);
  }
  if (!lobby.empty() && !s.lobby)
    s.lobbyproblem = "THE LOBBY " + std::string(lobby) + " WAS NOT FOUND";
  auto link = makelink(shareof(socket), s, now, newnonce());
  if (beacons == lanbeacons::none) return link;
  return beaconing(std::move(link), socket, beacontargets(beacons), name, {protocolversion, gameversion},
                   newnonce());
}

std::unique_ptr<transport> joingame(std::string_view address, uint16_t port, uint32_t now,
                                    uint32_t patiencems) {
  std::string error;
  auto socket = openudp(0, error);
  if (socket == nullptr) return nullptr;
  linksettings s;
  s.hosting = false;
  s.patiencems = patiencems;
  const std::optional<address4> host = resolve(std::string(address), port);
  if (host) {
    s.host = *host;
  } else {
    s.failure = "NO SUCH ADDRESS";
  }
  return makelink(std::move(socket), s, now, newnonce());
}

std::unique_ptr<transport> joinbycode(std::string_view code, std::string_view lobby, uint32_t now,
                                      std::string& error) {
  std::string name;
  uint16_t lobbyport = 0;
  std::optional<address4> at;
  if (splitaddress(lobby, name, lobbyport, defaultlobbyport)) at = resolve(name, lobbyport);
  if (!at) {
    error = "THE LOBBY " + std::string(lobby) + " WAS NOT FOUND";
    return nullptr;
  }
  auto socket = openudp(0, error);
  if (socket == nullptr) return nullptr;
  linksettings s;
  s.hosting = false;
  s.lobby = at;
  s.meet = meetingfor(*socket, at);
  s.meet.code = std::string(code);
  return makelink(std::move(socket), s, now, newnonce());
}

}  // namespace flopfist::net
