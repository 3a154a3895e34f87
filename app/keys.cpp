// The players' key bindings: defaults, names, who holds a key, and binding with refusals.
#include "app/keys.h"

#include <cctype>

#include "media/controls.h"

namespace flopfist {

namespace place = media::place;

namespace {
constexpr std::array<int, actioncount> defaultplaces{place::up,    place::down, place::left,
                                                     place::right, place::w,    place::s,
                                                     place::a,     place::d,    place::p};

constexpr std::array<std::string_view, actioncount> actionnames{
    "PLAYER 1 UP",   "PLAYER 1 DOWN", "PLAYER 1 LEFT",  "PLAYER 1 RIGHT", "PLAYER 2 UP",
    "PLAYER 2 DOWN", "PLAYER 2 LEFT", "PLAYER 2 RIGHT", "PAUSE"};
}  // namespace

keybindings::keybindings() : places(defaultplaces) {}

int keybindings::holder(int p) const {
  for (int a = 0; a < actioncount; ++a) {
    if (places[size_t(a)] == p) return a;
  }
  return -1;
}

directions keybindings::held(int player) const {
  const size_t first = player == 2 ? 4 : 0;
  return {media::placedown(places[first]), media::placedown(places[first + 1]),
          media::placedown(places[first + 2]), media::placedown(places[first + 3])};
}

int keysheld(const keybindings& keys) {
  int n = 0;
  for (int p : keys.places) n += media::placedown(p) ? 1 : 0;
  return n;
}

std::string_view actionname(action a) {
  return actionnames[size_t(a)];
}

std::string keyname(int p) {
  std::string name = media::placename(p);
  if (name.empty()) return "?";
  for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
  return name;
}

bool reservedkey(int p) {
  return p == place::escape || p == place::enter || p == place::keypadenter;
}

std::string bindkey(keybindings& keys, action a, int p) {
  if (p == place::escape) return "ESCAPE IS RESERVED: IT LEAVES";
  if (reservedkey(p)) return keyname(p) + " IS RESERVED FOR THE MENUS";
  if (media::placename(p).empty()) return "THAT KEY HAS NO NAME: CHOOSE ANOTHER";
  const int holder = keys.holder(p);
  if (holder >= 0 && holder != int(a)) {
    return keyname(p) + " IS ALREADY " + std::string(actionname(action(holder)));
  }
  keys.places[size_t(a)] = p;
  return "";
}

}  // namespace flopfist
