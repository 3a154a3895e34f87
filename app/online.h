// Online versus inside the application: the link kept open between series, and a series over it.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/fightgame.h"
#include "media/random.h"
#include "net/session.h"
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
// link is dropped when it was lost; after a leave it stays open for a rematch. Gives back the
// generator where the series left it.
media::generator playonline(fightgame& g, openlink& open, const matchsetup& setup);

// This side's input for the next tick, from player 1's keys and pad as local play latches them.
uint16_t onlineinput(const fightgame& g, int side);
// What a side is told when a series ends this way; nothing when it left by its own choice.
std::string seriesending(net::linkstate end, int desyncframe, const std::string& theirname);

// Hosts on the port (0: the default) and waits for a joiner and its name, then plays the series;
// the link is empty when none came.
openlink host(fightgame& g, int port);
// Joins the host by room code or at "ADDRESS[:PORT]", says this side's name and plays the series it sends.
openlink join(fightgame& g, const std::string& where);
// One menu frame's worth of an open link: the other side's words, a rematch begun when both sides
// want one, or the link's end told.
void servelink(fightgame& g, openlink& open);
void offerrematch(openlink& open);
// Going back from an open link tells the other side, which then sees its rematch withdrawn.
void closelink(openlink& open);
// The name this side shows: as typed, else HOST or GUEST by its side.
std::string ownname(const fightgame& g, int side);
// A screen of a title and lines under it; Escape, B or Back answer true.
bool drawwaiting(fightgame& g, std::string_view title, const std::vector<std::string>& lines);

// The ONLINE menu, serving the link a series left open (or none) until the player goes back.
void onlinemenu(fightgame& g, openlink open);

// A lobby as typed: ADDRESS or ADDRESS:PORT without spaces; empty when it is not one.
std::string cleanlobby(std::string_view typed);
// A room code rather than an address: five letters and digits of the codes' own, dashes and spaces
// aside, with no dot or colon.
bool isroomcode(std::string_view typed);

// The input delay, the name and the lobby kept in online.cfg, a line each; prefs.qmx keeps its format.
void loadonline(fightgame& g);
void saveonline(const fightgame& g);

}  // namespace flopfist
