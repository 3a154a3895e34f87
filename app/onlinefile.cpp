// online.cfg: the input delay and the name, a line each.
#include <algorithm>
#include <string>

#include "app/fightgame.h"
#include "app/online.h"
#include "media/media.h"
#include "media/paths.h"
#include "net/lobby.h"

namespace flopfist {

namespace {
constexpr const char* onlinefile = "online.cfg";
}  // namespace

void loadonline(fightgame& g) {
  media::infile in;
  g.onlinedelay = 2;
  g.onlinename.clear();
  if (!openregular(in, media::settingspath(onlinefile))) return;
  g.onlinedelay = int(std::clamp<int64_t>(media::toint(in.readline()), 0, 4));
  g.onlinename = net::cleanname(in.readline());
}

void saveonline(const fightgame& g) {
  media::savefile(media::settingspath(onlinefile), std::to_string(g.onlinedelay) + "\n" + g.onlinename + "\n");
}

}  // namespace flopfist
