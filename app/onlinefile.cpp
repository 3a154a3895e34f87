// online.cfg: the input delay, the name and the lobby, a line each (the lobby's only when one is set,
// so a file from before lobbies reads and writes the same).
#include <algorithm>
#include <string>

#include "app/fightgame.h"
#include "app/online.h"
#include "media/media.h"
#include "media/paths.h"
#include "net/lobby.h"
#include "net/transport.h"

namespace flopfist {

namespace {
constexpr const char* onlinefile = "online.cfg";
}  // namespace

std::string cleanlobby(std::string_view typed) {
  std::string address;
  uint16_t port = 0;
  const bool printable = std::all_of(typed.begin(), typed.end(), [](char c) { return c > ' ' && c < 127; });
  if (typed.empty() || typed.size() > 100 || !printable) return "";
  // A WebSocket address serves a page whose lobby sits behind a proxy.
  if (typed.starts_with("ws://") || typed.starts_with("wss://")) return std::string(typed);
  if (!net::splitaddress(typed, address, port, net::defaultlobbyport)) return "";
  return std::string(typed);
}

void loadonline(fightgame& g) {
  media::infile in;
  g.onlinedelay = 2;
  g.onlinename.clear();
  if (!openregular(in, media::settingspath(onlinefile))) return;
  g.onlinedelay = int(std::clamp<int64_t>(media::toint(in.readline()), 0, 4));
  g.onlinename = net::cleanname(in.readline());
  g.onlinelobby = cleanlobby(in.readline());
}

void saveonline(const fightgame& g) {
  std::string text = std::to_string(g.onlinedelay) + "\n" + g.onlinename + "\n";
  if (!g.onlinelobby.empty()) text += g.onlinelobby + "\n";
  media::savefile(media::settingspath(onlinefile), text);
}

}  // namespace flopfist
