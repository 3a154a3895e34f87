// Keys by their place on the keyboard and the gamepads: what the players' controls are read from.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace media {

// ---- Keys by place (USB scancodes: the same key on every keyboard layout) ----
namespace place {
constexpr int a = 4;
constexpr int d = 7;
constexpr int i = 12;
constexpr int p = 19;
constexpr int q = 20;
constexpr int s = 22;
constexpr int w = 26;
constexpr int enter = 40;
constexpr int escape = 41;
constexpr int space = 44;
constexpr int right = 79;
constexpr int left = 80;
constexpr int down = 81;
constexpr int up = 82;
constexpr int keypadenter = 88;
constexpr int count = 512;  // places are 1..511; 0 is no key
}  // namespace place

bool placedown(int place);  // held now
int placehit(int place);    // presses since the last call for that place; then 0
int nextplace();            // the next key pressed, by place, 0 when none waits; a small queue
void flushplaces();         // clears the hits and the queue, not what is held
// The key's name as SDL gives it for a US keyboard ("Up", "W", "Left Shift"); empty when it has
// none or when the name leads back to another place.
std::string placename(int place);
int placenamed(std::string_view name);  // the place of a name, any case; 0 when none

// ---- Gamepads: at most two, each steering one player ----
namespace pad {
constexpr int players = 2;
// Buttons as the game reads them; the directions are the d-pad or the left stick.
constexpr int up = 0, down = 1, left = 2, right = 3, a = 4, b = 5, back = 6, start = 7;
constexpr int count = 8;
// The left stick counts as pushed beyond a third of its travel, so a resting or worn stick
// does not steer.
constexpr int deadzone = 32767 / 3;
// A held direction hits again after the first delay and then every interval, like a held key.
constexpr int repeatdelayms = 400;
constexpr int repeatms = 120;
}  // namespace pad

bool padconnected(int player);
std::string padname(int player);  // the model's name, empty without a pad
bool padheld(int player, int button);
int padhit(int player, int button);  // presses (and repeats of held directions) since the last call
void flushpads();                    // clears every pad's hits, not what is held

// Pads arriving and leaving, for the game to tell the players.
struct padnotice {
  enum kind : uint8_t { joined, returned, lost, ignored };
  kind what = joined;
  int player = 0;  // 0 for an ignored pad
};
bool nextpadnotice(padnotice& n);  // false when none waits

}  // namespace media
