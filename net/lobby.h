// The words around the matches, sent whole and in order: the players' names, the match's set-up,
// and after a series the offer of a rematch or the leave back to the menu.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace flopfist::net {

enum class lobbykind : uint8_t {
  none = 0,     // malformed, to be dropped
  name = 1,     // the joiner's name, its first words
  setup = 2,    // the host's name and the match to start from: a new series
  rematch = 3,  // after a series: this side would play another
  leave = 4,    // after a series: this side goes back to its menu
};

constexpr size_t namelength = 10;
constexpr size_t mostsetup = size_t(1) << 15;

struct lobbymessage {
  lobbykind kind = lobbykind::none;
  std::string name;   // name and setup
  std::string setup;  // setup: the match as a replay of one frame
};

std::string encode(const lobbymessage& m);
// Anything but a well-formed message, with a name as players may type one, gives kind none.
lobbymessage decodelobby(std::string_view bytes);

// A character a name may hold: a capital letter, a digit, a space, '-' or '.'.
bool namechar(char c);
// What a player typed as a name: letters (made capitals), digits, spaces, '-' and '.', without
// leading or trailing spaces, at most namelength of them; whatever else was typed is left out.
std::string cleanname(std::string_view typed);

}  // namespace flopfist::net
