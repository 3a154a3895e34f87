// POSIX sockets, nothing more.
#include "tests/nat/udpsocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace flopfist::nattest {

namespace {

sockaddr_in sockaddrof(const net::address4& a) {
  sockaddr_in s{};
  s.sin_family = AF_INET;
  s.sin_addr.s_addr = htonl(a.ip);
  s.sin_port = htons(a.port);
  return s;
}

}  // namespace

udpsocket::udpsocket() {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  sockaddr_in any = sockaddrof({0, 0});
  socklen_t size = sizeof any;
  if (bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&any), &size) != 0) {
    close(fd);
    return;
  }
  socklen_t ttlsize = sizeof usualttl_;
  getsockopt(fd, IPPROTO_IP, IP_TTL, &usualttl_, &ttlsize);
  fd_ = fd;
  port_ = ntohs(any.sin_port);
}

udpsocket::~udpsocket() {
  if (fd_ >= 0) close(fd_);
}

void udpsocket::send(const net::address4& to, std::span<const uint8_t> bytes, uint8_t ttl) {
  if (ttl != ttl_) {
    const int value = ttl != 0 ? ttl : usualttl_;
    if (setsockopt(fd_, IPPROTO_IP, IP_TTL, &value, sizeof value) == 0) ttl_ = ttl;
  }
  const sockaddr_in s = sockaddrof(to);
  (void)sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&s), sizeof s);
}

int udpsocket::receive(net::address4& from, std::span<uint8_t> into) {
  for (;;) {
    sockaddr_in s{};
    socklen_t size = sizeof s;
    const ssize_t n = recvfrom(fd_, into.data(), into.size(), 0, reinterpret_cast<sockaddr*>(&s), &size);
    if (n >= 0) {
      from = {ntohl(s.sin_addr.s_addr), ntohs(s.sin_port)};
      return int(n);
    }
    if (errno != EINTR) return -1;
  }
}

void udpsocket::wait(int ms) const {
  pollfd p{fd_, POLLIN, 0};
  (void)poll(&p, 1, ms < 0 ? 0 : ms);
}

std::vector<net::address4> lanaddresses(uint16_t port) {
  std::vector<net::address4> found;
  ifaddrs* all = nullptr;
  if (getifaddrs(&all) != 0) return found;
  for (const ifaddrs* i = all; i != nullptr && found.size() < net::mostlan; i = i->ifa_next) {
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET) continue;
    const uint32_t ip = ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
    if ((ip >> 24) == 127) continue;
    found.push_back({ip, port});
  }
  freeifaddrs(all);
  return found;
}

net::address4 parseaddress(std::string_view text, uint16_t port) {
  const size_t colon = text.rfind(':');
  if (colon != std::string_view::npos) {
    const std::string_view digits = text.substr(colon + 1);
    unsigned p = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), p);
    if (ec != std::errc() || end != digits.data() + digits.size() || p == 0 || p > 65535) return {};
    port = uint16_t(p);
    text = text.substr(0, colon);
  }
  in_addr a{};
  if (inet_pton(AF_INET, std::string(text).c_str(), &a) != 1) return {};
  return {ntohl(a.s_addr), port};
}

}  // namespace flopfist::nattest
