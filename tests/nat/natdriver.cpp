// natdriver: a headless player for the routers test. It meets the other player through the lobby
// over one UDP socket, plays a scripted versus match over the path found, and prints one line:
//   natdriver LOBBY[:PORT] host [--seed N] [--frames N]   prints "room code: XXXXX" first
//   natdriver LOBBY[:PORT] join CODE [--seed N] [--frames N]
// --trace also prints each step of the meeting with its time.
// The exit status is 0 when the match was played to its end.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include "match/version.h"
#include "net/packet.h"
#include "tests/nat/natgame.h"
#include "tests/nat/udpsocket.h"

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
  std::fputs("usage: natdriver LOBBY[:PORT] host|join CODE [--seed N] [--frames N] [--trace]\n", stderr);
  return 2;
}

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

void sendall(nattest::udpsocket& socket, nattest::natgame& g, const tracer& t, uint32_t now) {
  for (const net::meetdatagram& d : g.outbox()) {
    t.note("to", d.to, d.bytes.view(), now, g, d.ttl);
    socket.send(d.to, d.bytes.view(), d.ttl);
  }
  g.outbox().clear();
}

void takeall(nattest::udpsocket& socket, nattest::natgame& g, const tracer& t, uint32_t now) {
  std::array<uint8_t, net::mostword + net::mostrelay> buffer;
  net::address4 from;
  for (int n; (n = socket.receive(from, buffer)) >= 0;) {
    t.note("from", from, {buffer.data(), size_t(n)}, now, g);
    g.receive(from, {buffer.data(), size_t(n)}, now);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  nattest::natsettings s;
  s.lobby = nattest::parseaddress(argv[1], lobbyport);
  const std::string_view what = argv[2];
  int next = 3;
  if (what == "join" && argc > 3) {
    s.meet.side = net::role::guest;
    s.meet.code = argv[next++];
  } else if (what != "host") {
    return usage();
  }
  bool trace = false;
  for (; next < argc; next += 2) {
    if (std::strcmp(argv[next], "--trace") == 0) {
      trace = true;
      --next;
      continue;
    }
    if (next + 1 >= argc) return usage();
    if (std::strcmp(argv[next], "--seed") == 0) s.seed = uint32_t(std::stoul(argv[next + 1]));
    else if (std::strcmp(argv[next], "--frames") == 0) s.mostframes = std::stoi(argv[next + 1]);
    else return usage();
  }
  if (next != argc || s.lobby.port == 0) return usage();

  nattest::udpsocket socket;
  if (!socket.ok()) {
    std::fprintf(stderr, "natdriver: no UDP socket\n");
    return 1;
  }
  const std::vector<net::address4> lan = nattest::lanaddresses(socket.port());
  s.meet.mine = {net::protocolversion, gameversion};
  s.meet.lancount = uint8_t(lan.size());
  std::copy(lan.begin(), lan.end(), s.meet.lan.begin());
  std::printf("seed %u, %d frames at most\n", s.seed, s.mostframes);

  const uint32_t began = clockms();
  nattest::natgame g(s, began, std::random_device{}());
  const tracer t{trace, began};
  bool codeshown = false;
  net::meetphase shown = g.meeting().phase();
  // Frames fall due 60 times a second from the meeting's end; the socket is waited on between them.
  uint64_t frames = 0;
  uint32_t startedat = 0, endedat = 0;
  for (;;) {
    const uint32_t now = clockms();
    takeall(socket, g, t, now);
    g.poll(now);
    if (trace && g.meeting().phase() != shown) {
      shown = g.meeting().phase();
      std::printf("%5u ms: meeting step %d\n", now - began, int(shown));
    }
    if (!codeshown && s.meet.side == net::role::host && !g.meeting().code().empty() &&
        g.meeting().code()[0] != '\0') {
      std::printf("room code: %s\n", g.meeting().code().c_str());
      std::fflush(stdout);
      codeshown = true;
    }
    if (g.stage() == nattest::natstage::playing || g.stage() == nattest::natstage::ended) {
      if (startedat == 0) startedat = now;
      const uint64_t due = uint64_t(now - startedat) * 60 / 1000 + 1;
      if (due > frames + 4) frames = due - 1;  // far behind: no burst of frames to catch up
      if (frames < due) {
        ++frames;
        g.frame(now);
      }
    }
    if (g.stage() == nattest::natstage::ended && endedat == 0) endedat = now;
    sendall(socket, g, t, now);
    if (g.stage() == nattest::natstage::failed) {
      std::printf("FAILED %s\n", g.problem().c_str());
      return 1;
    }
    if (endedat != 0 && now - endedat >= lingerms) break;
    if (now - began >= patiencems) {
      std::printf("FAILED no end within %u s\n", patiencems / 1000);
      return 1;
    }
    const uint32_t nextframe = startedat + uint32_t((frames * 1000 + 59) / 60);
    socket.wait(startedat == 0 ? 10 : std::min(10, int(nextframe - clockms())));
  }
  g.leave();
  sendall(socket, g, t, clockms());
  std::printf("%s\n", nattest::resultline(g).c_str());
  return 0;
}
