// The CONTROLS screen: the keys as bound now, the pads, the instructions, and the way on to
// CHANGE KEYS and TEST KEYS.
#include <array>
#include <string>
#include <string_view>

#include "app/fightgame.h"
#include "body/util.h"
#include "media/media.h"

namespace flopfist {

namespace {

struct line {
  std::string_view text;
  float scale;
  float y;
};

constexpr std::array<line, 14> fixedlines{{
    {"FLOPFIST", 0.6075f, 20},
    {"GAMEPADS: STICK OR D-PAD MOVES, START PAUSES, B OR BACK LEAVES", 0.13f, 280},
    {"IF EVERYTHING ELSE FAILS, READ THE INSTRUCTIONS:", 0.15f, 322},
    {"TO DEAL DAMAGE, YOU MUST HIT A DAMAGEABLE PART OF OPPONENT WITH A DAMAGING PART", 0.105f,
     380},
    {"DAMAGING PARTS ARE ARMS, LEGS AND HEAD", 0.105f, 406},
    {"DAMAGEABLE PARTS ARE BODY (EXCLUDED ARMS AND LEGS) AND HEAD", 0.105f, 432},
    {"HEAD IS BOTH DAMAGING AND DAMAGEABLE", 0.105f, 458},
    {"EVERY TIME YOU LAND A SUCCESFUL BLOW YOUR COMBO COUNTER INCREASES BY 1", 0.105f, 484},
    {"EVERY BLOW DEALS A DAMAGE EQUAL TO THE COMBO COUNTER", 0.105f, 510},
    {"YOUR COMBO COUNTER IS RESET TO 1 IF YOU GET HIT", 0.105f, 536},
    {"THROUGH COMBOS YOU WILL DO MORE DAMAGE AND ALSO GET A HIGHER SCORE", 0.105f, 562},
    {"THE REMAINING ENERGY OF EACH PLAYER IS INDICATED ON THE WRISTBANDS", 0.105f, 588},
    {"IT IS GENERALLY A BAD IDEA TO RUSH AGAINST THE OPPONENT", 0.105f, 614},
    {"IT IS A GOOD IDEA TO TRY TO HIT YOUR OPPONENT'S HEAD WITH YOUR LEGS", 0.105f, 640},
}};

// The entries across the foot of the screen, centred on these x positions.
enum class entry { changekeys = 0, testkeys = 1, back = 2 };
constexpr std::array<std::string_view, 3> entries{"CHANGE KEYS", "TEST KEYS", "BACK"};
constexpr std::array<float, 3> entryx{272, 512, 752};
constexpr float entryscale = 0.15f;
constexpr float entryy = 690;

std::string playerline(const keybindings& keys, int player) {
  const int first = player == 2 ? 4 : 0;
  std::string s = "PLAYER " + std::to_string(player) + "   ";
  constexpr std::array<const char*, 4> names{"UP: ", "   DOWN: ", "   LEFT: ", "   RIGHT: "};
  for (int k = 0; k < 4; ++k) s += names[size_t(k)] + keyname(keys.places[size_t(first + k)]);
  return s;
}

// Each player's keys by their names, so the screen always tells the bindings in use.
void drawbindings(const keybindings& keys, float y) {
  drawfitted(playerline(keys, 1), 0.2f, y);
  drawfitted(playerline(keys, 2), 0.2f, y + 40);
  drawfitted("PAUSE: " + keyname(keys.of(action::pause)) + "          QUIT: ESC", 0.2f, y + 82);
}

}  // namespace

void drawfitted(std::string_view text, float scale, float y) {
  const float width = media::textwidth(text) * scale;
  if (width > 1000) scale *= 1000 / width;
  drawcentred(text, scale, y);
}

void fightgame::controlsscreen() {
  flushmenukeys();
  int selection = int(entry::changekeys);
  for (;;) {
    media::cls();
    cyclecolours();
    colours.use(1);
    for (const line& l : fixedlines) drawcentred(l.text, l.scale, l.y);
    drawbindings(keys, 150);
    for (int i = 0; i < int(entries.size()); ++i) {
      if (i == selection) {
        colours.use(2);
      } else {
        media::setcolor(100, 100, 100);
      }
      const std::string_view text = entries[size_t(i)];
      media::setscale(entryscale, entryscale);
      media::drawtext(text, entryx[size_t(i)] - media::textwidth(text) * entryscale / 2, entryy);
    }
    media::setscale(1, 1);
    present();
    const menuinput in = readmenu();
    selection += in.right + in.down - in.left - in.up;
    selection = ((selection % 3) + 3) % 3;
    if (in.back) return;
    if (!in.choose) continue;
    switch (entry(selection)) {
      case entry::changekeys:
        keysscreen();
        break;
      case entry::testkeys:
        testkeysscreen();
        break;
      case entry::back:
        return;
    }
    flushmenukeys();
  }
}

}  // namespace flopfist
