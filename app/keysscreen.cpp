// The CHANGE KEYS screen: each action's key, changed one at a time by pressing the new key, and the
// way back to the defaults. Every change is saved at once.
#include <string>

#include "app/fightgame.h"
#include "body/util.h"
#include "media/controls.h"
#include "media/media.h"

namespace flopfist {

namespace {

constexpr int resetrow = actioncount;  // rows 0..8 are the actions
constexpr int backrow = actioncount + 1;
constexpr int rows = actioncount + 2;
constexpr float rowscale = 0.1875f;

float rowy(int row) {
  return 120 + 44 * float(row);
}

std::string rowtext(const keybindings& keys, int row, bool waiting) {
  if (row == resetrow) return "RESET TO DEFAULTS";
  if (row == backrow) return "BACK";
  const std::string name(actionname(action(row)));
  return name + ":  " + (waiting ? std::string("...") : keyname(keys.places[size_t(row)]));
}

}  // namespace

void fightgame::keysscreen() {
  namespace pad = media::pad;
  flushmenukeys();
  int selection = 0;
  int waiting = -1;  // the action waiting for its new key, -1 when none
  std::string message;
  bool refused = false;
  for (;;) {
    media::cls();
    cyclecolours();
    colours.use(1);
    drawcentred("CHANGE KEYS", 0.3f, 30);
    for (int r = 0; r < rows; ++r) {
      if (r == waiting) {
        media::setcolor(255, 255,
                        255);  // whatever the palette is doing, the row being changed shows
      } else if (r == selection) {
        colours.use(2);
      } else {
        media::setcolor(100, 100, 100);
      }
      drawcentred(rowtext(keys, r, r == waiting), rowscale, rowy(r));
    }
    if (waiting >= 0) {
      media::setcolor(255, 255, 255);
      drawfitted("PRESS A KEY FOR " + std::string(actionname(action(waiting))), 0.2f, 630);
    }
    if (!message.empty()) {
      if (refused) {
        media::setcolor(255, 90, 90);
      } else {
        media::setcolor(255, 255, 255);
      }
      drawfitted(message, 0.15f, waiting >= 0 ? 675 : 640);
    }
    media::setcolor(150, 150, 150);
    drawcentred(waiting >= 0 ? "ESCAPE OR B: KEEP THE KEY AS IT WAS"
                             : "ENTER OR A: CHANGE      ESCAPE OR B: BACK",
                0.11f, 720);
    media::setscale(1, 1);
    present();

    if (waiting >= 0) {
      const int place = media::nextplace();
      const bool cancel =
          padhits(pad::b) + padhits(pad::back) != 0 || place == media::place::escape;
      if (!cancel && place == 0) continue;
      const action a = action(waiting);
      if (cancel) {
        message = std::string(actionname(a)) + " STAYS " + keyname(keys.of(a));
        refused = false;
      } else {
        message = bindkey(keys, a, place);
        refused = !message.empty();
        if (refused) continue;  // nothing changed: the next key may do
        savekeys();
        message = std::string(actionname(a)) + " IS NOW " + keyname(place);
      }
      waiting = -1;
      flushmenukeys();  // the key just taken must not act on the menu
      continue;
    }

    const menuinput in = readmenu();
    selection += in.down - in.up;
    selection = ((selection % rows) + rows) % rows;
    if (in.back) break;
    if (!in.choose) continue;
    if (selection == backrow) break;
    if (selection == resetrow) {
      keys = keybindings{};
      savekeys();
      message = "EVERY KEY IS BACK TO ITS DEFAULT";
      refused = false;
      continue;
    }
    waiting = selection;
    message.clear();
    media::flushplaces();  // the key that chose the row is not the new key
  }
  flushmenukeys();
}

}  // namespace flopfist
