// The key bindings' file "controls.cfg": written whole and safely, read forgivingly.
#include <cctype>
#include <string>

#include "app/fightgame.h"
#include "app/keys.h"
#include "media/controls.h"
#include "media/paths.h"

namespace flopfist {

namespace {

constexpr const char* keysfile = "controls.cfg";

// The file's spelling of an action: "player 1 up", "pause".
std::string fileaction(action a) {
  std::string s(actionname(a));
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Lower case, outer blanks dropped and inner runs of blanks made one space.
std::string normalised(std::string_view text) {
  std::string s;
  for (char c : text) {
    const bool blank = c == ' ' || c == '\t';
    if (blank && (s.empty() || s.back() == ' ')) continue;
    s += blank ? ' ' : char(std::tolower(static_cast<unsigned char>(c)));
  }
  if (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// The action a line binds and the key it wants, or -1 when the line binds nothing usable.
int parseline(std::string_view line, int& place) {
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return -1;
  const std::string name = normalised(line.substr(0, eq));
  for (int a = 0; a < actioncount; ++a) {
    if (name != fileaction(action(a))) continue;
    place = media::placenamed(trimmed(line.substr(eq + 1)));
    const bool usable = place != 0 && !reservedkey(place) && !media::placename(place).empty();
    return usable ? a : -1;
  }
  return -1;
}

}  // namespace

std::string keystext(const keybindings& keys) {
  std::string text =
      "# Flopfist keys, by their place on the keyboard, named as on a US keyboard.\n";
  for (int a = 0; a < actioncount; ++a) {
    text += fileaction(action(a)) + " = " + media::placename(keys.places[size_t(a)]) + "\n";
  }
  return text;
}

keybindings readkeys(media::infile& in) {
  const keybindings defaults;
  keybindings keys;
  std::array<bool, actioncount> fromfile{};
  while (!in.eof()) {
    int place = 0;
    const int a = parseline(in.readline(), place);
    if (a < 0 || fromfile[size_t(a)]) continue;  // the first line for an action counts
    keys.places[size_t(a)] = place;
    fromfile[size_t(a)] = true;
  }
  // A key wanted twice: the later file line, or the file line against a default, goes back to its
  // default, until no key is wanted twice. Each round takes one action back to the defaults, which
  // differ from each other, so it ends.
  for (bool clash = true; clash;) {
    clash = false;
    for (size_t a = 1; a < size_t(actioncount) && !clash; ++a) {
      for (size_t b = 0; b < a && !clash; ++b) {
        if (keys.places[a] != keys.places[b]) continue;
        const size_t yields = fromfile[a] ? a : b;
        keys.places[yields] = defaults.places[yields];
        fromfile[yields] = false;
        clash = true;
      }
    }
  }
  return keys;
}

void fightgame::loadkeys() {
  media::infile in;
  if (!openregular(in, media::settingspath(keysfile))) {
    keys = keybindings{};  // written once the player changes a key
    return;
  }
  keys = readkeys(in);
  in.close();
}

void fightgame::savekeys() {
  media::savefile(media::settingspath(keysfile), keystext(keys));  // a failed save keeps the old file; nothing to report
}

}  // namespace flopfist
