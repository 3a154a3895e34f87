// The TEST KEYS screen: both players' keys lit while held, their pads beside them, and how many
// keys the keyboard reports held at once, so players can find the keys it drops before they fight.
#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <tuple>

#include "app/fightgame.h"
#include "body/util.h"
#include "media/controls.h"
#include "media/media.h"

namespace flopfist {

namespace {

constexpr float boxw = 130, boxh = 62;

// A key as a box: lit white while held, dark otherwise, with what it does above its name.
void drawkey(float x, float y, std::string_view label, const std::string& name, bool held) {
  media::setscale(1, 1);
  if (held) {
    media::setcolor(240, 240, 240);
  } else {
    media::setcolor(55, 55, 55);
  }
  media::drawrect(x, y, boxw, boxh);
  const int ink = held ? 0 : 170;
  media::setcolor(ink, ink, ink);
  for (auto [text, scale, dy] :
       {std::tuple{std::string(label), 0.08f, 4.0f}, {name, 0.12f, 24.0f}}) {
    float s = scale;
    const float width = media::textwidth(text) * s;
    if (width > boxw - 8) s *= (boxw - 8) / width;
    media::setscale(s, s);
    media::drawtext(text, x + (boxw - media::textwidth(text) * s) / 2, y + dy);
  }
  media::setscale(1, 1);
}

// A player's four keys as a cross centred on cx.
void drawplayerkeys(const keybindings& keys, int player, float cx, float y) {
  const size_t first = player == 2 ? 4 : 0;
  constexpr std::array<std::string_view, 4> labels{"UP", "DOWN", "LEFT", "RIGHT"};
  const std::array<std::pair<float, float>, 4> at{{{cx - boxw / 2, y},
                                                   {cx - boxw / 2, y + 72},
                                                   {cx - boxw / 2 - 140, y + 72},
                                                   {cx + boxw / 2 + 10, y + 72}}};
  for (size_t k = 0; k < 4; ++k) {
    const int place = keys.places[first + k];
    drawkey(at[k].first, at[k].second, labels[k], keyname(place), media::placedown(place));
  }
}

// The player's pad: its name, then each button the game reads, lit while held.
void drawpad(int player, float cx, float y) {
  namespace pad = media::pad;
  if (!media::padconnected(player)) {
    media::setcolor(100, 100, 100);
    media::setscale(0.13f, 0.13f);
    media::drawtext("NO GAMEPAD", cx - media::textwidth("NO GAMEPAD") * 0.13f / 2, y);
    media::setscale(1, 1);
    return;
  }
  std::string name = "GAMEPAD: " + media::padname(player);
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return char(std::toupper(c)); });
  media::setcolor(200, 200, 200);
  float s = 0.13f;
  s = std::min(s, 440 / std::max(1.0f, media::textwidth(name)));
  media::setscale(s, s);
  media::drawtext(name, cx - media::textwidth(name) * s / 2, y);
  constexpr std::array<std::pair<int, std::string_view>, 8> buttons{{{pad::up, "UP"},
                                                                     {pad::down, "DOWN"},
                                                                     {pad::left, "LEFT"},
                                                                     {pad::right, "RIGHT"},
                                                                     {pad::a, "A"},
                                                                     {pad::b, "B"},
                                                                     {pad::back, "BACK"},
                                                                     {pad::start, "START"}}};
  float x = cx - 220;
  media::setscale(0.1f, 0.1f);
  for (auto [button, label] : buttons) {
    if (media::padheld(player, button)) {
      media::setcolor(240, 240, 240);
    } else {
      media::setcolor(70, 70, 70);
    }
    media::drawtext(label, x, y + 36);
    x += media::textwidth(label) * 0.1f + 18;
  }
  media::setscale(1, 1);
}

}  // namespace

void fightgame::testkeysscreen() {
  flushmenukeys();
  int most = 0;
  for (;;) {
    media::cls();
    cyclecolours();
    colours.use(1);
    drawcentred("TEST KEYS", 0.3f, 20);
    media::setcolor(200, 200, 200);
    drawcentred("HOLD THE KEYS YOU WILL PRESS TOGETHER: EACH ONE SHOULD LIGHT UP", 0.12f, 92);
    const int held = keysheld(keys);
    for (int player = 1; player <= 2; ++player) {
      const float cx = player == 1 ? 256 : 768;
      colours.use(1);
      media::setscale(0.2f, 0.2f);
      const std::string title = "PLAYER " + std::to_string(player);
      media::drawtext(title, cx - media::textwidth(title) * 0.2f / 2, 140);
      drawplayerkeys(keys, player, cx, 200);
      drawpad(player, cx, 360);
    }
    const int pause = keys.of(action::pause);
    drawkey(512 - boxw / 2, 450, "PAUSE", keyname(pause), media::placedown(pause));
    most = std::max(most, held);
    media::setcolor(255, 255, 255);
    drawcentred("KEYS HELD AT ONCE: " + std::to_string(held), 0.25f, 545);
    media::setcolor(200, 200, 200);
    drawcentred("MOST AT ONCE SO FAR: " + std::to_string(most), 0.15f, 612);
    media::setcolor(150, 150, 150);
    drawcentred("ESCAPE OR BACK ON A GAMEPAD: LEAVE", 0.11f, 690);
    media::setscale(1, 1);
    present();
    // B is shown here like any other button, so only Back leaves among the pad's buttons.
    const int leave = media::keyhit(media::key::escape) + padhits(media::pad::back);
    if (leave != 0) break;
  }
  flushmenukeys();
}

}  // namespace flopfist
