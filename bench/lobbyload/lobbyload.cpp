// The lobby's relay under load: N rooms, each a host and a guest on their own UDP sockets on
// 127.0.0.1, paired through a real flopfist-lobby, then each side sends a match's traffic (60
// datagrams a second of 80 bytes) through the relay for a fixed time. Reports the lobby's CPU, the
// rooms one core would carry at that rate, the time each datagram took end to end (p50, p99), the
// same traffic sent straight from socket to socket for comparison, and the bytes a relayed match
// costs the lobby. Loopback only; bounded in rooms and seconds.
//
//   flopfist_lobbyload [--rooms N] [--seconds S] [--lobby PROGRAM] [--direct] [--cpu C] [--realtime]
// --cpu C runs the lobby on core C and this program on the others. On a shared machine other work
// delays the lobby's wake-ups by milliseconds: --realtime (as root) runs the lobby, which sleeps
// between datagrams, under SCHED_FIFO; this program itself stays an ordinary process.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "net/rendezvous.h"

namespace {

namespace net = flopfist::net;

constexpr int mostrooms = 5000, mostseconds = 60;
constexpr double rate = 60.0;       // datagrams a second, each way
constexpr size_t gamebytes = 80;    // a match's datagram
constexpr int warmupseconds = 1;    // left out of the figures

uint64_t nowns() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return uint64_t(t.tv_sec) * 1'000'000'000ull + uint64_t(t.tv_nsec);
}

sockaddr_in loopback(uint16_t port, uint32_t ip = INADDR_LOOPBACK) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(ip);
  return a;
}

// Each player on an address of its own in 127.0.0.0/8, as players behind different routers are:
// the lobby holds only a few waiting rooms per address.
int udpsocket(uint32_t ip) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
  const sockaddr_in me = loopback(0, ip);
  if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&me), sizeof me) != 0) {
    std::perror("socket");
    std::exit(1);
  }
  return fd;
}

uint16_t portof(int fd) {
  sockaddr_in me{};
  socklen_t len = sizeof me;
  getsockname(fd, reinterpret_cast<sockaddr*>(&me), &len);
  return ntohs(me.sin_port);
}

void sendword(int fd, uint16_t port, const net::word& w) {
  const net::wordbytes b = net::encode(w);
  const sockaddr_in to = loopback(port);
  sendto(fd, b.bytes.data(), b.size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

// The next word on fd within 2 s.
net::word awaitword(int fd) {
  uint8_t buf[2048];
  const uint64_t until = nowns() + 2'000'000'000ull;
  while (nowns() < until) {
    const ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n > 0) return net::decodeword({buf, size_t(n)});
    usleep(50);
  }
  return {};
}

// The lobby started here, its output read until it names its port.
struct lobbyprocess {
  pid_t pid = -1;
  uint16_t port = 0;
};

lobbyprocess startlobby(const std::string& program, int cpu, bool realtime) {
  int out[2];
  if (pipe(out) != 0) std::exit(1);
  lobbyprocess l;
  l.pid = fork();
  if (l.pid == 0) {
    if (cpu >= 0) {
      cpu_set_t set;
      CPU_ZERO(&set);
      CPU_SET(cpu, &set);
      sched_setaffinity(0, sizeof set, &set);
    }
    if (realtime) {
      // The lobby sleeps until datagrams come; a real-time policy lets it run the moment they do,
      // as a dedicated machine would, instead of after whatever else shares the core.
      const sched_param p{10};
      if (sched_setscheduler(0, SCHED_FIFO, &p) != 0) std::perror("SCHED_FIFO (needs root)");
    }
    dup2(out[1], 1);
    close(out[0]);
    execl(program.c_str(), program.c_str(), "--address", "127.0.0.1", "--port", "0", "--ws-port", "0",
          "--max-rooms", "20000", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  FILE* f = fdopen(out[0], "r");
  char line[512];
  while (std::fgets(line, sizeof line, f) != nullptr) {
    const char* at = std::strstr(line, "udp port ");
    if (at != nullptr) {
      l.port = uint16_t(std::atoi(at + 9));
      break;
    }
  }
  // The rest of its log (a line per room) goes nowhere: a child reads and drops it.
  if (fork() == 0) {
    while (std::fgets(line, sizeof line, f) != nullptr) {
    }
    _exit(0);
  }
  std::fclose(f);
  return l;
}

// user + system time of a process, in seconds.
double cputime(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::vector<std::string> fields;
  size_t at = close + 2;
  while (at < text.size()) {
    const size_t end = text.find(' ', at);
    fields.push_back(text.substr(at, end - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  // Fields after the name: state is [0], utime [11], stime [12].
  return fields.size() > 12 ? double(std::stoull(fields[11]) + std::stoull(fields[12])) / double(sysconf(_SC_CLK_TCK))
                            : 0;
}

struct side {
  int fd = -1;
  uint32_t ip = INADDR_LOOPBACK;
  uint16_t to = 0;  // the lobby, or straight to the other side
  uint32_t toip = INADDR_LOOPBACK;
  uint64_t token = 0;
};

struct figures {
  uint64_t sent = 0, received = 0;
  std::vector<uint32_t> latencyus;  // after the warm-up
};

double percentile(std::vector<uint32_t>& v, double p) {
  if (v.empty()) return 0;
  const size_t k = std::min(v.size() - 1, size_t(p * double(v.size())));
  std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(k), v.end());
  return v[k];
}

// Pairs each room through the lobby; false when one did not pair.
bool pairrooms(std::vector<side>& sides, uint16_t lobby) {
  for (size_t r = 0; r < sides.size() / 2; ++r) {
    side& host = sides[2 * r];
    side& guest = sides[2 * r + 1];
    net::word w;
    w.kind = net::wordkind::open;
    w.nonce = uint32_t(r);
    sendword(host.fd, lobby, w);
    const net::word room = awaitword(host.fd);
    if (room.kind != net::wordkind::room) return false;
    net::word k;
    k.kind = net::wordkind::keepalive;
    k.key = room.key;
    sendword(host.fd, lobby, k);
    if (awaitword(host.fd).kind != net::wordkind::alive) return false;
    net::word j;
    j.kind = net::wordkind::join;
    j.code = room.code;
    sendword(guest.fd, lobby, j);
    const net::word seat = awaitword(guest.fd);
    if (seat.kind != net::wordkind::seat) return false;
    k.key = seat.key;
    sendword(guest.fd, lobby, k);
    if (awaitword(guest.fd).kind != net::wordkind::peer || awaitword(host.fd).kind != net::wordkind::peer) return false;
    host.token = guest.token = room.key;
    host.to = guest.to = lobby;
  }
  return true;
}

figures run(std::vector<side>& sides, bool relayed, int seconds) {
  figures f;
  const int ep = epoll_create1(0);
  for (size_t k = 0; k < sides.size(); ++k) {
    epoll_event e{};
    e.events = EPOLLIN;
    e.data.u64 = k;
    epoll_ctl(ep, EPOLL_CTL_ADD, sides[k].fd, &e);
  }
  const uint64_t period = uint64_t(1e9 / rate);
  const uint64_t start = nowns() + 10'000'000;
  const uint64_t warm = start + uint64_t(warmupseconds) * 1'000'000'000ull;
  const uint64_t end = start + uint64_t(seconds) * 1'000'000'000ull;
  // Side k sends at start + k/n of a period, then every period: the load is even, as many
  // independent matches' would be.
  const size_t n = sides.size();
  std::vector<uint64_t> due(n);
  for (size_t k = 0; k < n; ++k) due[k] = start + period * k / n;
  size_t next = 0;  // sides send in turn, so the earliest due is always `next`
  // Each side's datagram made once: only its time stamp changes.
  std::vector<std::vector<uint8_t>> datagrams(n);
  const size_t stampat = relayed ? net::relayoverhead : 0;
  for (size_t k = 0; k < n; ++k) {
    const std::vector<uint8_t> payload(gamebytes, 0x5A);
    net::word w;
    w.kind = net::wordkind::relay;
    w.key = sides[k].token;
    w.payload = payload;
    const net::wordbytes b = net::encode(w);
    datagrams[k] = relayed ? std::vector<uint8_t>(b.bytes.begin(), b.bytes.begin() + std::ptrdiff_t(b.size)) : payload;
  }
  std::vector<sockaddr_in> to(n);
  for (size_t k = 0; k < n; ++k) to[k] = loopback(sides[k].to, sides[k].toip);
  uint8_t buf[2048];
  std::vector<epoll_event> ready(256);
  f.latencyus.reserve(size_t(double(n) * rate * seconds));
  for (;;) {
    uint64_t t = nowns();
    while (due[next] <= t && due[next] < end) {
      std::vector<uint8_t>& d = datagrams[next];
      const uint64_t stamp = nowns();
      std::memcpy(d.data() + stampat, &stamp, sizeof stamp);
      sendto(sides[next].fd, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&to[next]), sizeof to[next]);
      if (stamp >= warm) ++f.sent;
      due[next] += period;
      next = (next + 1) % n;
    }
    if (t >= end + 200'000'000ull) break;  // a fifth of a second for the last ones to land
    const uint64_t wait = due[next] > t ? due[next] - t : 0;
    const int got = epoll_wait(ep, ready.data(), int(ready.size()), wait > 1'000'000 ? 1 : 0);
    for (int e = 0; e < got; ++e) {
      const int fd = sides[ready[size_t(e)].data.u64].fd;
      for (;;) {
        const ssize_t len = recv(fd, buf, sizeof buf, 0);
        if (len <= 0) break;
        if (size_t(len) < stampat + 8) continue;
        uint64_t stamp = 0;
        std::memcpy(&stamp, buf + stampat, sizeof stamp);
        if (stamp < warm || stamp >= end) continue;
        ++f.received;
        f.latencyus.push_back(uint32_t((nowns() - stamp) / 1000));
      }
    }
  }
  close(ep);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  int rooms = 1000, seconds = 10, cpu = -1;
  bool direct = false, realtime = false;
  std::string program = FLOPFIST_LOBBY_PROGRAM;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--rooms" && i + 1 < argc) {
      rooms = std::clamp(std::atoi(argv[++i]), 1, mostrooms);
    } else if (a == "--seconds" && i + 1 < argc) {
      seconds = std::clamp(std::atoi(argv[++i]), warmupseconds + 1, mostseconds);
    } else if (a == "--lobby" && i + 1 < argc) {
      program = argv[++i];
    } else if (a == "--cpu" && i + 1 < argc) {
      cpu = std::atoi(argv[++i]);
    } else if (a == "--direct") {
      direct = true;
    } else if (a == "--realtime") {
      realtime = true;
    } else {
      std::fprintf(stderr,
                   "usage: flopfist_lobbyload [--rooms N (1..%d)] [--seconds S (2..%d)] [--lobby PROGRAM] "
                   "[--cpu C: the lobby's core] [--direct: also the same traffic without the relay] "
                   "[--realtime: the lobby under SCHED_FIFO, as root]\n",
                   mostrooms, mostseconds);
      return 2;
    }
  }
  rlimit files{};
  getrlimit(RLIMIT_NOFILE, &files);
  files.rlim_cur = std::min<rlim_t>(files.rlim_max, rlim_t(2 * rooms + 64));
  setrlimit(RLIMIT_NOFILE, &files);
  signal(SIGPIPE, SIG_IGN);

  const lobbyprocess lobby = startlobby(program, cpu, realtime);
  if (cpu >= 0) {
    // The rooms' own side on another core than the lobby's, so that neither waits on the other.
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    cpu_set_t set;
    CPU_ZERO(&set);
    for (long c = 0; c < cores; ++c) {
      if (c != cpu) CPU_SET(c, &set);
    }
    if (cores > 1) sched_setaffinity(0, sizeof set, &set);
  }
  if (lobby.port == 0) {
    std::fprintf(stderr, "the lobby did not start\n");
    return 1;
  }
  std::vector<side> sides(size_t(2 * rooms));
  for (size_t k = 0; k < sides.size(); ++k) {
    sides[k].ip = 0x7F010000 + uint32_t(k) + 1;  // 127.1.0.1 on
    sides[k].fd = udpsocket(sides[k].ip);
  }
  if (!pairrooms(sides, lobby.port)) {
    std::fprintf(stderr, "a room did not pair\n");
    kill(lobby.pid, SIGTERM);
    return 1;
  }
  const double cpu0 = cputime(lobby.pid);
  const uint64_t t0 = nowns();
  figures relayed = run(sides, true, seconds);
  const double busy = (cputime(lobby.pid) - cpu0) / (double(nowns() - t0) / 1e9);
  kill(lobby.pid, SIGTERM);
  waitpid(lobby.pid, nullptr, 0);

  const double measured = seconds - warmupseconds;
  const double perroom = double(relayed.received) / measured / rooms;  // datagrams a room's two sides got, a second
  const double wordbytes = double(gamebytes + net::relayoverhead);
  std::printf("rooms %d, %d s (the first %d left out), %s%s\n", rooms, seconds, warmupseconds,
              cpu >= 0 ? ("lobby on core " + std::to_string(cpu)).c_str() : "lobby on any core",
              realtime ? ", lobby under SCHED_FIFO" : "");
  std::printf("relayed: %llu sent, %llu arrived (%.3f%% lost), %.0f datagrams/s through the lobby\n",
              static_cast<unsigned long long>(relayed.sent), static_cast<unsigned long long>(relayed.received),
              relayed.sent ? 100.0 * double(relayed.sent - std::min(relayed.sent, relayed.received)) / double(relayed.sent)
                           : 0.0,
              double(relayed.received) / measured);
  std::printf("lobby cpu: %.1f%% of one core -> %.0f relayed rooms per core at this rate\n", busy * 100,
              busy > 0 ? rooms / busy : 0.0);
  std::printf("end to end through the relay: p50 %.0f us, p99 %.0f us, p99.9 %.0f us\n",
              percentile(relayed.latencyus, 0.50), percentile(relayed.latencyus, 0.99),
              percentile(relayed.latencyus, 0.999));
  std::printf("a relayed match costs the lobby %.0f bytes/s in and as many out (%.0f with UDP and IP headers), "
              "%.1f datagrams/s each way\n",
              perroom * wordbytes, perroom * (wordbytes + 28), perroom);
  if (direct) {
    for (size_t r = 0; r < sides.size() / 2; ++r) {
      sides[2 * r].to = portof(sides[2 * r + 1].fd);
      sides[2 * r].toip = sides[2 * r + 1].ip;
      sides[2 * r + 1].to = portof(sides[2 * r].fd);
      sides[2 * r + 1].toip = sides[2 * r].ip;
    }
    figures straight = run(sides, false, seconds);
    std::printf("end to end socket to socket, no relay: p50 %.0f us, p99 %.0f us, p99.9 %.0f us\n",
                percentile(straight.latencyus, 0.50), percentile(straight.latencyus, 0.99),
                percentile(straight.latencyus, 0.999));
  }
  for (side& s : sides) close(s.fd);
  return 0;
}
