// natdriver: a headless player for the routers test. It meets the other player through the lobby
// over one UDP socket, plays a scripted versus match over the path found, and prints one line:
//   natdriver LOBBY[:PORT] host [--seed N] [--frames N]   prints "room code: XXXXX" first
//   natdriver LOBBY[:PORT] join CODE [--seed N] [--frames N]
// --trace also prints each step of the meeting with its time; --full-ttl sends even the first
// probes with the usual TTL.
// The exit status is 0 when the match was played to its end.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>

#include "match/version.h"
#include "net/packet.h"
#include "net/udp.h"
#include "tests/nat/natgame.h"

namespace {

using namespace flopfist;

constexpr uint16_t lobbyport = 27961;
constexpr uint32_t patiencems = 60'000;  // the whole meeting and match, at most
constexpr uint32_t lingerms = 300;       // after the end: the other side's last words still answered

uint32_t clockms() {
  using namespace std::chrono;
  return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

int usage() {
  std::fputs("usage: natdriver LOBBY[:PORT] host|join CODE [--seed N] [--frames N] [--full-ttl] [--trace]\n", stderr);
  return 2;
}

const char* phasename(net::meetphase p) {
  static const char* const names[] = {"asking", "waiting", "punching", "direct", "relayed", "refused", "failed"};
  return names[int(p)];
}

// The command line into the settings; false when it is not one.
bool parse(int argc, char** argv, nattest::natsettings& s, bool& trace) {
  if (argc < 3) return false;
  std::string name;
  uint16_t port = 0;
  if (!net::splitaddress(argv[1], name, port, lobbyport)) return false;
  if (const auto at = net::resolve(name, port)) s.lobby = *at;
  const std::string_view what = argv[2];
  int next = 3;
  if (what == "join" && argc > 3) {
    s.meet.side = net::role::guest;
    s.meet.code = argv[next++];
  } else if (what != "host") {
    return false;
  }
  for (; next < argc; ++next) {
    const std::string_view a = argv[next];
    if (a == "--trace") {
      trace = true;
      continue;
    }
    if (a == "--full-ttl") {  // every probe at the usual TTL: what the first low ones guard against
      s.meet.lowttlrounds = 0;
      continue;
    }
    if (next + 1 >= argc) return false;
    const std::string_view v = argv[++next];
    int value = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
    if (ec != std::errc() || end != v.data() + v.size() || value < 1) return false;
    if (a == "--seed") s.seed = uint32_t(value);
    else if (a == "--frames") s.mostframes = value;
    else return false;
  }
  return s.lobby.port != 0;
}

// Frames fall due 60 times a second from the match's start, none made up in a burst when the
// process fell far behind; between them the socket is looked at each millisecond.
struct pacer {
  std::optional<uint32_t> start;
  uint64_t frames = 0;
  bool due(uint32_t now) {
    if (!start) start = now;
    const uint64_t owed = uint64_t(now - *start) * 60 / 1000 + 1;
    if (owed > frames + 4) frames = owed - 1;
    if (frames >= owed) return false;
    ++frames;
    return true;
  }
  int waitms(uint32_t now) const {
    if (!start) return 10;
    const uint32_t next = *start + uint32_t((frames * 1000 + 59) / 60);
    return std::clamp(int(next - now), 0, 10);
  }
};

// With --trace, each word of the meeting as it goes or comes, until the match begins.
struct tracer {
  bool on = false;
  uint32_t began = 0;
  void note(const char* way, const net::address4& who, std::span<const uint8_t> bytes, uint32_t now,
            const nattest::natgame& g, uint8_t ttl = 0) const {
    if (!on || g.stage() != nattest::natstage::meeting) return;
    std::printf("%5u ms: %s %s word %d ttl %d\n", now - began, way, net::addresstext(who).c_str(),
                int(net::decodeword(bytes).kind), ttl);
  }
};

void sendall(net::datagrams& socket, nattest::natgame& g, const tracer& t, uint32_t now) {
  for (const net::meetdatagram& d : g.outbox()) {
    t.note("to", d.to, d.bytes.view(), now, g, d.ttl);
    socket.sendto(d.to, d.bytes.view(), d.ttl);
  }
  g.outbox().clear();
}

void takeall(net::datagrams& socket, nattest::natgame& g, const tracer& t, uint32_t now) {
  static net::datagram in;  // large: not on the stack each pass
  while (socket.receive(in)) {
    t.note("from", in.from, in.view(), now, g);
    g.receive(in.from, in.view(), now);
  }
}

// A millisecond's rest when no frame is due: the game's socket has nothing to wait on, so a
// datagram is taken at most a millisecond after it came.
void nap(int msuntilframe) {
  if (msuntilframe > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

int main(int argc, char** argv) {
  nattest::natsettings s;
  bool trace = false;
  if (!parse(argc, argv, s, trace)) return usage();
  std::string error;
  const std::unique_ptr<net::datagrams> opened = net::openudp(0, error);
  if (opened == nullptr) {
    std::fprintf(stderr, "natdriver: no UDP socket: %s\n", error.c_str());
    return 1;
  }
  net::datagrams& socket = *opened;
  s.meet.mine = {net::protocolversion, gameversion};
  for (net::address4 a : net::localaddresses()) {
    if (s.meet.lancount == net::mostlan) break;
    a.port = socket.port();
    s.meet.lan[s.meet.lancount++] = a;
  }
  std::printf("seed %u, %d frames at most\n", s.seed, s.mostframes);

  const uint32_t began = clockms();
  nattest::natgame g(s, began, std::random_device{}());
  const tracer t{trace, clockms()};  // from the first word to the lobby, the match made
  bool codeshown = false;
  net::meetphase shown = g.meeting().phase();
  pacer clock;
  std::optional<uint32_t> endedat;
  for (;;) {
    const uint32_t now = clockms();
    takeall(socket, g, t, now);
    g.poll(now);
    if (trace && g.meeting().phase() != shown) {
      shown = g.meeting().phase();
      std::printf("%5u ms: %s\n", now - t.began, phasename(shown));
    }
    if (!codeshown && s.meet.side == net::role::host && g.meeting().code().front() != '\0') {  // given
      std::printf("room code: %s\n", g.meeting().code().c_str());
      std::fflush(stdout);
      codeshown = true;
    }
    if (g.stage() != nattest::natstage::meeting && clock.due(now)) g.frame(now);
    if (g.stage() == nattest::natstage::ended && !endedat) endedat = now;
    sendall(socket, g, t, now);
    if (g.stage() == nattest::natstage::failed || now - began >= patiencems) {
      std::printf("FAILED %s\n", g.stage() == nattest::natstage::failed ? g.problem().c_str() : "no end in time");
      return 1;
    }
    if (endedat && now - *endedat >= lingerms) break;
    nap(clock.waitms(clockms()));
  }
  g.leave();
  sendall(socket, g, t, clockms());
  std::printf("%s\n", nattest::resultline(g).c_str());
  return 0;
}
