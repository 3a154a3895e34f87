// The link to the other player and the words said over it: hosting, joining, the series each
// begins, and the rematch served between series.
#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/fightgame.h"
#include "app/online.h"
#include "body/util.h"
#include "media/controls.h"
#include "media/media.h"
#include "media/random.h"
#include "net/lobby.h"
#include "net/games.h"
#include "replay/replay.h"

namespace flopfist {

namespace {

namespace pad = media::pad;

constexpr uint32_t patiencems = 3000;  // a joiner that says nothing for this long is gone

uint32_t clock() { return uint32_t(media::millisecs()); }

void say(net::transport& link, net::lobbykind kind, std::string_view name = "", std::string setup = "") {
  link.sendwhole(net::encode({kind, std::string(name), std::move(setup)}));
  link.poll(clock());
}

// Datagrams of a series that has ended are of no use to the next one.
void drain(net::transport& link) {
  net::packet p;
  while (link.next(p)) {
  }
}

// The match setup travels as a replay of one frame: its reader checks every field.
std::string setupbytes(const matchsetup& s, int musictrack) {
  replay r;
  r.setup = s;
  r.setup.rules = options{};
  for (auto field : matchrules) r.setup.rules.*field = s.rules.*field;
  r.info.mode = s.mode;
  r.info.level = s.level;
  r.info.steps = 1;
  r.musictrack = musictrack;
  r.inputs.push_back({0, 1});
  return encodereplay(r);
}

// The host's rules, generator, palette and counters make both sides' first match; the score is 0-0.
void hostseries(fightgame& g, openlink& open) {
  matchsetup setup = g.nextsetup();
  setup.mode = gamemode::versus;
  setup.level = 1;
  setup.wins = {};
  drain(*open.link);
  say(*open.link, net::lobbykind::setup, open.names[0], setupbytes(setup, g.music.track));
  open.asked = open.offered = false;
  open.news.clear();
  media::sharedgenerator() = playonline(g, open, setup);
}

// The joiner starts from the host's set-up, checked as any replay is.
void joinseries(fightgame& g, openlink& open, const net::lobbymessage& m) {
  const loadedreplay l = decodereplay(m.setup);
  if (l.problem != replayproblem::none) {
    closelink(open);
    g.messagescreen("CANNOT JOIN", "THE HOST'S MATCH COULD NOT BE READ: " + l.message);
    return;
  }
  matchsetup setup = l.data.setup;
  setup.mode = gamemode::versus;
  g.music.track = std::clamp(l.data.musictrack, 1, 4);
  drain(*open.link);
  open.names[0] = m.name.empty() ? "HOST" : m.name;
  open.asked = open.offered = false;
  open.news.clear();
  playonline(g, open, setup);
}

}  // namespace

// A screen of a title and lines under it; Escape, B or Back answer true.
bool drawwaiting(fightgame& g, std::string_view title, const std::vector<std::string>& lines) {
  media::cls();
  g.cyclecolours();
  g.colours.use(1);
  drawcentred(title, 0.3f, 200);
  media::setcolor(200, 200, 200);
  float y = 320;
  for (const std::string& l : lines) {
    drawfitted(l, 0.13f, y);
    y += 50;
  }
  media::setscale(1, 1);
  g.present();
  return media::keyhit(media::key::escape) + padhits(pad::b) + padhits(pad::back) != 0;
}

std::string ownname(const fightgame& g, int side) {
  return !g.onlinename.empty() ? g.onlinename : side == 0 ? "HOST" : "GUEST";
}

// Going back from an open link tells the other side, which then sees its rematch withdrawn.
void closelink(openlink& open) {
  if (open.link == nullptr) return;
  say(*open.link, net::lobbykind::leave);
  open.link.reset();
}

void offerrematch(openlink& open) {
  if (open.link == nullptr || open.asked) return;
  say(*open.link, net::lobbykind::rematch);
  open.asked = true;
}

// One menu frame's worth of the open link: the other side's words, a rematch begun when both
// sides want one, or the link's end told.
void servelink(fightgame& g, openlink& open) {
  if (open.link == nullptr) return;
  open.link->poll(clock());
  drain(*open.link);
  std::string bytes;
  while (open.link != nullptr && open.link->nextwhole(bytes)) {
    const net::lobbymessage m = net::decodelobby(bytes);
    if (m.kind == net::lobbykind::rematch) {
      open.offered = true;
      open.news = open.theirname() + " OFFERS A REMATCH";
    } else if (m.kind == net::lobbykind::leave) {
      open.news = open.theirname() + " WENT BACK";
      open.link.reset();
    } else if (m.kind == net::lobbykind::setup && open.side == 1 && open.asked) {
      joinseries(g, open, m);
    }
  }
  if (open.link == nullptr) return;
  if (open.link->phase() != net::linkphase::joined) {
    open.news = open.theirname() + " IS GONE";
    open.link.reset();
    return;
  }
  if (open.side == 0 && open.asked && open.offered) hostseries(g, open);
}

bool isroomcode(std::string_view typed) {
  return typed.find_first_of(".:") == std::string_view::npos && !net::cleancode(typed).empty();
}

namespace {

constexpr const char* nolobby = "NO LOBBY IS SET: CHOOSE LOBBY IN THE ONLINE MENU, OR START WITH --lobby ADDRESS[:PORT]";

// The host's waiting screen: where to reach it straight, and its room code as the lobby gives it.
std::vector<std::string> hostlines(const fightgame& g, const net::transport& link) {
  // A page has no port another game could reach: only its room code.
  std::vector<std::string> lines{link.port() != 0
                                     ? "WAITING FOR A PLAYER ON PORT " + std::to_string(link.port())
                                     : "WAITING FOR A PLAYER"};
  for (const net::address4& a : net::localaddresses()) {
    const std::string text = net::addresstext(a);
    lines.push_back("THIS MACHINE: " + text.substr(0, text.rfind(':')));
  }
  const std::string listed = "LISTED IN JOIN GAME AS " + ownname(g, 0);
  if (link.port() != 0 && g.announce == announcing::lan) lines.push_back(listed + " ON THIS NETWORK");
  if (link.port() != 0 && g.announce == announcing::machine) lines.push_back(listed + " ON THIS MACHINE");
  if (g.onlinelobby.empty()) {
    lines.push_back(nolobby);
  } else if (!link.code().empty()) {
    lines.push_back("ROOM CODE: " + link.code());
  } else if (!link.lobbyproblem().empty()) {
    lines.push_back("NO ROOM CODE: " + link.lobbyproblem());
  } else {
    lines.push_back("ASKING THE LOBBY " + g.onlinelobby + " FOR A ROOM CODE");
  }
  lines.push_back("ESCAPE: BACK");
  return lines;
}

}  // namespace

// Hosts on the port and waits for a joiner and its name; the link is empty when none came.
openlink host(fightgame& g, int port) {
  openlink open;
  std::string error;
  if (port == 0) port = net::defaultport;  // --host without a port
  const net::lanbeacons beacons = g.announce == announcing::lan       ? net::lanbeacons::all
                                  : g.announce == announcing::machine ? net::lanbeacons::local
                                                                      : net::lanbeacons::none;
  open.link = net::hostgame(uint16_t(std::clamp(port, 0, 65535)), error, g.onlinelobby, clock(), beacons,
                            g.onlinename);
  if (open.link == nullptr) {
    g.messagescreen("CANNOT HOST", error);
    return open;
  }
  flushmenukeys();
  open.names[0] = ownname(g, 0);
  std::optional<uint32_t> joined;  // when the joiner was welcomed
  std::string bytes, printed;
  for (;;) {
    open.link->poll(clock());
    if (g.printcode && printed.empty() && !open.link->code().empty()) {
      // For scripts and streamers: one line, at once.
      printed = open.link->code();
      std::printf("room code: %s\n", printed.c_str());
      std::fflush(stdout);
    }
    if (open.link->phase() == net::linkphase::joined && !joined) joined = clock();
    if (joined && open.link->nextwhole(bytes)) {
      const net::lobbymessage m = net::decodelobby(bytes);
      if (m.kind == net::lobbykind::name) {
        open.names[1] = m.name.empty() ? "GUEST" : m.name;
        break;
      }
    }
    if (open.link->phase() == net::linkphase::closed || (joined && clock() - *joined > patiencems)) {
      open.link.reset();
      g.messagescreen("HOST GAME", "THE PLAYER LEFT BEFORE THE MATCH");
      return open;
    }
    if (drawwaiting(g, "HOST GAME", hostlines(g, *open.link))) {
      open.link.reset();
      return open;
    }
  }
  hostseries(g, open);
  return open;
}

// Joins the host by room code or at "ADDRESS[:PORT]", says this side's name and plays the series it sends.
openlink join(fightgame& g, const std::string& where) {
  openlink open;
  open.side = 1;
  std::string address, waiting;
  uint16_t port = 0;
  std::string error;
  if (isroomcode(where)) {
    if (g.onlinelobby.empty()) {
      g.messagescreen("CANNOT JOIN BY CODE", nolobby);
      return open;
    }
    open.link = net::joinbycode(where, g.onlinelobby, clock(), error);
    if (open.link == nullptr) {
      g.messagescreen("CANNOT JOIN", error);
      return open;
    }
    waiting = "JOINING ROOM " + net::cleancode(where) + " THROUGH THE LOBBY " + g.onlinelobby;
  } else {
    if (!net::splitaddress(where, address, port)) {
      g.messagescreen("CANNOT JOIN", "\"" + where + "\" IS NOT A ROOM CODE OR AN ADDRESS[:PORT]");
      return open;
    }
    open.link = net::joingame(address, port, clock());
    if (open.link == nullptr) {
      g.messagescreen("CANNOT JOIN", "THE NETWORK COULD NOT START");
      return open;
    }
    waiting = "CONNECTING TO " + address + ":" + std::to_string(port);
  }
  open.names[1] = ownname(g, 1);
  flushmenukeys();
  std::string bytes;
  // A host that welcomed this machine but sends no match within the silence allowed is gone.
  uint32_t heard = clock();
  bool named = false;
  for (;;) {
    open.link->poll(clock());
    const net::linkphase phase = open.link->phase();
    if (phase == net::linkphase::joined && !named) {
      say(*open.link, net::lobbykind::name, g.onlinename);
      named = true;
    }
    if (phase != net::linkphase::joined) heard = clock();
    if (open.link->nextwhole(bytes)) {
      const net::lobbymessage m = net::decodelobby(bytes);
      if (m.kind == net::lobbykind::setup) {
        open.asked = true;
        joinseries(g, open, m);
        return open;
      }
    }
    if (phase == net::linkphase::refused || phase == net::linkphase::failed || phase == net::linkphase::closed) {
      const std::string why = phase == net::linkphase::closed ? "THE HOST IS GONE" : open.link->problem();
      open.link.reset();
      g.messagescreen("CANNOT JOIN", why);
      return open;
    }
    if (clock() - heard > patiencems) {
      open.link.reset();
      g.messagescreen("CANNOT JOIN", "THE HOST IS GONE");
      return open;
    }
    if (drawwaiting(g, "JOIN GAME", {waiting, "ESCAPE: BACK"})) {
      closelink(open);
      return open;
    }
  }
}

}  // namespace flopfist
