// The ONLINE menu: its rows (a rematch over a link left open, HOST GAME, JOIN GAME, NAME, INPUT
// DELAY, LOBBY, BACK), drawn and chosen; JOIN GAME's list of the games on this network; and the
// lines typed for a code, an address or a name.
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/fightgame.h"
#include "app/online.h"
#include "body/util.h"
#include "media/controls.h"
#include "media/media.h"
#include "net/games.h"
#include "net/lan.h"
#include "net/lobby.h"
#include "net/transport.h"

namespace flopfist {

namespace {

// A line typed on its own screen: Enter keeps it, Escape gives nothing back. A name takes only the
// characters a name may hold, small letters as capitals.
std::optional<std::string> typeline(fightgame& g, std::string_view title, std::string_view prompt,
                                    std::string typed, size_t most, bool name) {
  flushmenukeys();
  for (;;) {
    int c = media::nextchar();
    if (name && c >= 'a' && c <= 'z') c += 'A' - 'a';
    if (c == media::key::backspace && !typed.empty()) typed.pop_back();
    if (name && (c < 32 || c >= 127 || !net::namechar(char(c)))) c = 0;
    if (c >= (name ? 32 : 33) && c < 127 && typed.size() < most) typed.push_back(char(c));  // no space in an address
    if (media::keyhit(media::key::enter) != 0) return typed;
    if (drawwaiting(g, title, {std::string(prompt) + typed + "_", "ENTER: KEEP   ESCAPE: BACK"})) return std::nullopt;
  }
}

// JOIN GAME: the games heard on this network as rows to choose, and a row to type a room code or
// an address as before; the chosen game's address, what was typed, or nothing after Escape.
std::string gamerow(const net::langame& found) {
  std::string row = (found.name.empty() ? std::string("HOST") : found.name) + "  " + net::addresstext(found.at);
  if (!found.sameversion) row += "  OTHER VERSION";
  return row;
}

void drawjoin(fightgame& g, const std::vector<net::langame>& games, size_t selected) {
  media::cls();
  g.cyclecolours();
  g.colours.use(1);
  drawcentred("JOIN GAME", 0.3f, 60);
  float y = 150;
  media::setcolor(200, 200, 200);
  if (games.empty()) {
    drawfitted("NO GAMES FOUND ON THIS NETWORK YET", 0.13f, y);
    y += 64;
  }
  for (size_t i = 0; i <= games.size(); ++i, y += 64) {
    if (i == selected) {
      g.colours.use(2);
    } else if (i < games.size() && !games[i].sameversion) {
      media::setcolor(60, 60, 60);  // listed, but its host would turn this game away
    } else {
      media::setcolor(100, 100, 100);
    }
    drawfitted(i < games.size() ? gamerow(games[i]) : std::string("TYPE A ROOM CODE OR ADDRESS"), 0.22f, y);
  }
  media::setcolor(200, 200, 200);
  drawfitted("UP, DOWN: CHOOSE   ENTER: JOIN   ESCAPE: BACK", 0.13f, 720);
  media::setscale(1, 1);
  g.present();
}

std::optional<std::string> typedjoin(fightgame& g) {
  auto typed = typeline(g, "JOIN GAME", "ROOM CODE OR ADDRESS[:PORT] ", "", 60, false);
  if (typed && typed->empty()) return std::nullopt;
  return typed;
}

std::optional<std::string> choosejoin(fightgame& g) {
  std::string problem;
  const std::unique_ptr<net::lanlistener> lan = net::listenlan(problem);
  // Where nothing can be heard (a page hears no broadcast; the port may be taken) there is no list
  // to show: JOIN GAME is the typed line it always was.
  if (lan == nullptr) return typedjoin(g);
  // The host of the row chosen, which stays chosen as others come and go; none: the typing row.
  // Until the player moves, the first game heard is chosen, so that Enter joins it.
  std::optional<uint32_t> chosen;
  bool moved = false;
  size_t selected = 0;
  flushmenukeys();
  for (;;) {
    lan->poll(uint32_t(media::millisecs()));
    const std::vector<net::langame>& games = lan->games();
    if (!moved && !games.empty()) chosen = games.front().host;
    const auto at = std::find_if(games.begin(), games.end(), [&](const net::langame& f) { return f.host == chosen; });
    // A game gone leaves the row where it was chosen; the typing row is the last.
    selected = at != games.end() ? size_t(at - games.begin()) : chosen ? std::min(selected, games.size()) : games.size();
    drawjoin(g, games, selected);
    const menuinput in = readmenu();
    const int count = int(games.size() + 1);
    moved = moved || in.up + in.down != 0;
    selected = size_t((int(selected) + in.down - in.up + count * 8) % count);
    chosen = selected < games.size() ? std::optional<uint32_t>(games[selected].host) : std::nullopt;
    if (in.back) return std::nullopt;
    if (!in.choose) continue;
    if (selected < games.size()) {
      if (games[selected].sameversion) return net::addresstext(games[selected].at);
      continue;
    }
    if (const auto typed = typedjoin(g)) return typed;
    flushmenukeys();
  }
}

enum class onlinerow { rematch, host, join, name, delay, lobby, back };
struct menurow {
  onlinerow kind;
  std::string text;
};

std::vector<menurow> menurows(const fightgame& g, const openlink& open) {
  std::vector<menurow> rows;
  if (open.link != nullptr) {
    rows.push_back({onlinerow::rematch, open.asked ? "WAITING FOR " + open.theirname() : "REMATCH WITH " + open.theirname()});
  }
  rows.push_back({onlinerow::host, "HOST GAME"});
  rows.push_back({onlinerow::join, "JOIN GAME"});
  // Without a name typed the other side sees HOST or GUEST, which only a link settles.
  const std::string name = open.link != nullptr || !g.onlinename.empty() ? ownname(g, open.side) : "NOT TYPED";
  rows.push_back({onlinerow::name, "NAME: " + name});
  rows.push_back({onlinerow::delay, "INPUT DELAY: " + std::to_string(g.onlinedelay)});
  rows.push_back({onlinerow::lobby, "LOBBY: " + (g.onlinelobby.empty() ? std::string("NONE") : g.onlinelobby)});
  rows.push_back({onlinerow::back, "BACK"});
  return rows;
}

void drawmenu(fightgame& g, const std::vector<menurow>& rows, onlinerow selected, const openlink& open) {
  media::cls();
  g.cyclecolours();
  g.colours.use(1);
  drawcentred("2 PLAYERS ONLINE", 0.3f, 60);
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].kind == selected) {
      g.colours.use(2);
    } else {
      media::setcolor(100, 100, 100);
    }
    drawfitted(rows[i].text, 0.3f, 150.0f + 72.0f * float(i + (rows.size() < 7 ? 1 : 0)));
  }
  media::setcolor(200, 200, 200);
  if (!open.news.empty()) drawfitted(open.news, 0.13f, 720);
  // How the two games reach each other, while they do.
  if (open.link != nullptr) drawfitted(std::string("LINK: ") + net::pathname(open.link->path()), 0.13f, 680);
  media::setscale(1, 1);
  g.present();
}

}  // namespace

// The menu, with the link a series left open (if any) served every frame.
void onlinemenu(fightgame& g, openlink open) {
  loadonline(g);
  onlinerow selected = open.link != nullptr ? onlinerow::rematch : onlinerow::host;
  flushmenukeys();
  for (;;) {
    servelink(g, open);
    const std::vector<menurow> rows = menurows(g, open);
    auto at = std::find_if(rows.begin(), rows.end(), [&](const menurow& r) { return r.kind == selected; });
    if (at == rows.end()) at = rows.begin() + (rows.front().kind == onlinerow::rematch ? 1 : 0);
    drawmenu(g, rows, at->kind, open);
    // Read after the present, so a key acts in the frame it came, as in the other menus.
    const menuinput in = readmenu();
    const int count = int(rows.size());
    const int index = (int(at - rows.begin()) + in.down - in.up + count * 8) % count;
    selected = rows[size_t(index)].kind;
    if (selected == onlinerow::delay && in.left + in.right != 0) {
      g.onlinedelay = std::clamp(g.onlinedelay + in.right - in.left, 0, 4);
      saveonline(g);
    }
    if (in.back || (in.choose && selected == onlinerow::back)) {
      closelink(open);
      return;
    }
    if (!in.choose) continue;
    switch (selected) {
      case onlinerow::rematch:
        offerrematch(open);
        break;
      case onlinerow::host:
        closelink(open);
        open = host(g, net::defaultport);
        break;
      case onlinerow::join:
        if (const auto where = choosejoin(g)) {
          closelink(open);
          open = join(g, *where);
        }
        break;
      case onlinerow::name:
        if (const auto typed = typeline(g, "YOUR NAME", "NAME ", g.onlinename, net::namelength, true)) {
          g.onlinename = net::cleanname(*typed);
          saveonline(g);
        }
        break;
      case onlinerow::lobby:
        if (const auto typed = typeline(g, "LOBBY", "ADDRESS[:PORT] ", g.onlinelobby, 100, false)) {
          // Nothing typed sets none; anything not an address leaves the lobby as it was.
          if (typed->empty() || !cleanlobby(*typed).empty()) g.onlinelobby = cleanlobby(*typed);
          saveonline(g);
        }
        break;
      case onlinerow::delay:
      case onlinerow::back:
        break;
    }
    if (open.link != nullptr && selected != onlinerow::name && selected != onlinerow::lobby) selected = onlinerow::rematch;
    flushmenukeys();
  }
}

void fightgame::onlinemenu() { flopfist::onlinemenu(*this, {}); }

void fightgame::hostonline(int port) {
  loadonline(*this);
  printcode = true;
  flopfist::onlinemenu(*this, host(*this, port));
}

void fightgame::joinonline(const std::string& where) {
  loadonline(*this);
  flopfist::onlinemenu(*this, join(*this, where));
}

void fightgame::setlobby(const std::string& where) {
  loadonline(*this);
  onlinelobby = cleanlobby(where);
  saveonline(*this);
}

}  // namespace flopfist
