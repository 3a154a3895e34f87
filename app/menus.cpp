// The main menu, the play-mode menu (with the way to the replays) and the HIGH SCORES screen.
#include <algorithm>
#include <array>
#include <string_view>

#include "app/fightgame.h"
#include "body/util.h"
#include "media/controls.h"
#include "media/window.h"
#include "media/media.h"
#include "scores/screens.h"

namespace flopfist {

namespace {

namespace pad = media::pad;

constexpr std::string_view title = "FLOPFIST";
constexpr float titlescale = 0.6075f;
constexpr float titley = 20;

struct entry {
  std::string_view text;
  float y;
};

constexpr std::array<entry, 5> mainentries{{
    {"PLAY", 180}, {"OPTIONS", 260}, {"CONTROLS", 340}, {"SCORES", 420}, {"QUIT", 500}}};

// ONLINE comes last, so the way to REPLAYS stays three steps down.
constexpr std::array<entry, 5> modeentries{{{"1 PLAYER", 180},
                                            {"2 PLAYERS VS", 340},
                                            {"2 PLAYERS CO-OP", 420},
                                            {"REPLAYS", 500},
                                            {"2 PLAYERS ONLINE", 580}}};
constexpr std::array<gamemode, 3> modes{gamemode::single, gamemode::versus, gamemode::coop};
constexpr int replaysentry = 4;
constexpr int onlineentry = 5;

// Up and Down hit in the same frame cancel out; the selection wraps within 1..count. The pads'
// directions move it too, repeating while held.
int moveselection(int selection, int count) {
  if (media::keyhit(media::key::up) + padhits(pad::up) != 0) --selection;
  if (media::keyhit(media::key::down) + padhits(pad::down) != 0) ++selection;
  if (selection < 1) selection = count;
  if (selection > count) selection = 1;
  return selection;
}

// The mouse over a menu's entries, each a band from its y down by height: pointing selects, and a
// left click on an entry chooses it (true). Read every frame, so a stale click cannot act later.
template <size_t n>
bool pointat(int& selection, const std::array<entry, n>& entries, float height) {
  const bool moved = media::mousemoved();
  const bool clicked = media::mouseclicks(media::mouse::left) != 0;
  float x = 0, y = 0;
  if (!media::mouseat(x, y)) return false;
  for (size_t k = 0; k < n; ++k) {
    if (y < entries[k].y || y >= entries[k].y + height) continue;
    if (moved || clicked) selection = int(k) + 1;
    return clicked;
  }
  return false;
}

// A right click or the mouse's back button.
bool mouseback() {
  return media::mouseclicks(media::mouse::right) + media::mouseclicks(media::mouse::back) != 0;
}

bool hit(int key) { return media::keyhit(key) != 0; }
bool padpressed(int button) { return padhits(button) != 0; }

}  // namespace

int& fightgame::menuplace(std::string_view menu, int count) {
  auto it = menuplaces.find(menu);
  if (it == menuplaces.end()) it = menuplaces.emplace(std::string(menu), 1).first;
  it->second = std::clamp(it->second, 1, std::max(count, 1));  // a menu may have lost entries
  return it->second;
}

menuchoice fightgame::mainmenu() {
  flushmenukeys();
  int& selection = menuplace("main", int(mainentries.size()));
  for (;;) {
    media::cls();
    cyclecolours();
    colours.use(1);
    drawcentred(title, titlescale, titley);
    for (int i = 1; i <= int(mainentries.size()); ++i) {
      if (i == selection) {
        colours.use(2);
      } else {
        media::setcolor(100, 100, 100);
      }
      drawcentred(mainentries[i - 1].text, 0.45f, mainentries[i - 1].y);
    }
    media::setscale(1, 1);
    selection = moveselection(selection, int(mainentries.size()));
    present();
    if (hit(media::key::escape)) media::endprogram(0);
    // Every key and button is read every frame so a stale hit of one cannot act later. B and the
    // right click have nowhere to go back to here: QUIT leaves the game.
    const bool enter = hit(media::key::enter);
    const bool space = hit(media::key::space);
    const bool a = padpressed(pad::a);
    const bool click = pointat(selection, mainentries, 80);
    padhits(pad::b);
    mouseback();
    if (enter || space || a || click) return menuchoice(selection);
  }
}

std::optional<gamemode> fightgame::playmodemenu() {
  media::flushkeys();
  int& selection = menuplace("play", int(modeentries.size()));
  for (;;) {
    media::cls();
    cyclecolours();
    for (int i = 1; i <= int(modeentries.size()); ++i) {
      if (i == selection) {
        colours.use(2);
      } else {
        media::setcolor(100, 100, 100);
      }
      drawcentred(modeentries[i - 1].text, 0.3f, modeentries[i - 1].y);
    }
    media::setscale(1, 1);
    selection = moveselection(selection, int(modeentries.size()));
    present();
    const bool click = pointat(selection, modeentries, 70);
    const bool enter = hit(media::key::enter) || click;
    const bool space = hit(media::key::space);
    const bool a = padpressed(pad::a);
    // Read in this order every frame; Escape wins over an Enter hit in the same frame.
    const bool escape = hit(media::key::escape) || mouseback();
    const bool b = padpressed(pad::b);
    if (escape || b) return std::nullopt;
    if ((enter || space || a) && selection == replaysentry) {
      replaysscreen();  // and back to this menu, REPLAYS still selected
      flushmenukeys();
    } else if ((enter || space || a) && selection == onlineentry) {
      onlinemenu();
      flushmenukeys();
    } else if (enter || space || a) {
      return modes[size_t(selection - 1)];
    }
  }
}

void fightgame::scorescreen() {
  flushmenukeys();
  int n = 0;
  for (;;) {
    media::cls();
    cyclecolours();
    ++n;
    drawscorerows(scores, n, colours);
    media::setscale(1, 1);
    present();
    if (media::keyhit(media::key::enter) > 0) break;
    if (media::keyhit(media::key::escape) > 0) break;
    if (media::keyhit(media::key::space) > 0) break;
    if (padhits(pad::a) + padhits(pad::b) > 0) break;
    if (media::mouseclicks(media::mouse::left) > 0 || mouseback()) break;
  }
}

}  // namespace flopfist
