// lanfinder: a headless host or JOIN screen for the LAN test, on the game's own sockets.
//   lanfinder host NAME [--seconds N]   beacons on every LAN while it waits; "joined" once a
//                                       joiner came (exit 0), else "nobody joined" (exit 1)
//   lanfinder list [--seconds N] [--join]
//       prints "found NAME ADDRESS in N ms" for the first game heard (exit 0), or "found nothing in
//       N ms" (exit 1); with --join it then joins that address: "joined in N ms" (exit 0) or
//       "FAILED why" (exit 1).
// N is 5 seconds when left out.
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <thread>

#include "match/version.h"
#include "net/lan.h"
#include "net/udp.h"

namespace {

using namespace flopfist;

uint32_t clockms() {
  using namespace std::chrono;
  return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void nap() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

int host(std::string_view name, uint32_t patience) {
  std::string error;
  const uint32_t began = clockms();
  auto link = net::hostgame(0, error, "", began, net::lanbeacons::all, name);
  if (link == nullptr) {
    std::printf("FAILED %s\n", error.c_str());
    return 1;
  }
  std::printf("hosting on port %u\n", unsigned(link->port()));
  std::fflush(stdout);
  while (clockms() - began < patience) {
    link->poll(clockms());
    if (link->phase() == net::linkphase::joined) {
      // A moment more for the welcome to be heard again should the first be lost.
      for (const uint32_t at = clockms(); clockms() - at < 300; nap()) link->poll(clockms());
      std::printf("joined\n");
      return 0;
    }
    nap();
  }
  std::printf("nobody joined\n");
  return 1;
}

int list(uint32_t patience, bool join) {
  std::string error;
  auto lan = net::listenlan(error);
  if (lan == nullptr) {
    std::printf("FAILED %s\n", error.c_str());
    return 1;
  }
  const uint32_t began = clockms();
  while (lan->games().empty() && clockms() - began < patience) {
    nap();
    lan->poll(clockms());
  }
  if (lan->games().empty()) {
    std::printf("found nothing in %u ms\n", clockms() - began);
    return 1;
  }
  const net::langame found = lan->games().front();
  std::printf("found %s %s in %u ms\n", found.name.c_str(), net::addresstext(found.at).c_str(), clockms() - began);
  std::fflush(stdout);
  if (!join) return 0;
  const std::string text = net::addresstext(found.at);
  const uint32_t joining = clockms();
  auto link = net::joingame(text.substr(0, text.rfind(':')), found.at.port, joining);
  while (link != nullptr && link->phase() == net::linkphase::connecting) {
    nap();
    link->poll(clockms());
  }
  if (link == nullptr || link->phase() != net::linkphase::joined) {
    std::printf("FAILED %s\n", link == nullptr ? "no socket" : link->problem().c_str());
    return 1;
  }
  std::printf("joined in %u ms\n", clockms() - joining);
  return 0;
}

int usage() {
  std::fputs("usage: lanfinder host NAME [--seconds N] | lanfinder list [--seconds N] [--join]\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string_view what = argv[1];
  int next = what == "host" ? 3 : 2;
  if ((what != "host" && what != "list") || argc < next) return usage();
  uint32_t seconds = 5;
  bool join = false;
  for (; next < argc; ++next) {
    const std::string_view a = argv[next];
    if (a == "--join" && what == "list") {
      join = true;
    } else if (a == "--seconds" && next + 1 < argc) {
      seconds = uint32_t(std::stoul(argv[++next]));
    } else {
      return usage();
    }
  }
  return what == "host" ? host(argv[2], seconds * 1000) : list(seconds * 1000, join);
}
