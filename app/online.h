// Online versus inside the application: the link kept open between series, and a series over it.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "app/fightgame.h"
#include "net/transport.h"

namespace flopfist {

// A link to the other player, open from the start of a series until either side goes back or
// the link is lost; between series it carries the rematch offers.
struct openlink {
  std::unique_ptr<net::transport> link;
  int side = 0;                       // 0: this machine hosts, player 1
  std::array<std::string, 2> names;  // the host's first, as shown and kept in the replays
  bool asked = false;                 // this side offered a rematch
  bool offered = false;               // the other side did
  std::string news;                   // what the other side did, shown in the ONLINE menu

  const std::string& theirname() const { return names[size_t(1 - side)]; }
};

// A versus series over the link from the host's set-up, until a side leaves or the link ends. The
// link is dropped when it was lost; after a leave it stays open for a rematch.
void playonline(fightgame& g, openlink& open, const matchsetup& setup);

// The ONLINE menu, serving the link a series left open (or none) until the player goes back.
void onlinemenu(fightgame& g, openlink open);

// The input delay and the name kept in online.cfg, a line each; prefs.qmx keeps its format.
void loadonline(fightgame& g);
void saveonline(const fightgame& g);

}  // namespace flopfist
