// The input snapshot packed into bits and back, for recorded matches, and merged from two machines' halves.
#include "match/match.h"

namespace flopfist {

namespace {
constexpr int playerbits = 4;
constexpr int knockoutbit = 8, fallapartbit = 9, enterbit = 10, spacebit = 11, escapebit = 12;

uint16_t bit(bool on, int n) { return on ? uint16_t(1u << n) : uint16_t(0); }
bool has(uint16_t bits, int n) { return (bits >> n & 1u) != 0; }
}  // namespace

uint16_t packinput(const frameinput& in) {
  uint16_t bits = 0;
  for (int p = 1; p <= 2; ++p) {
    const directions& d = in.player[size_t(p)];
    const int at = (p - 1) * playerbits;
    bits |= bit(d.up, at) | bit(d.down, at + 1) | bit(d.left, at + 2) | bit(d.right, at + 3);
  }
  bits |= bit(in.knockout, knockoutbit) | bit(in.fallapart, fallapartbit) | bit(in.enter, enterbit) |
          bit(in.space, spacebit) | bit(in.escape, escapebit);
  return bits;
}

uint16_t sidebits(int side, const directions& d, bool enter, bool space) {
  frameinput in;
  in.player[size_t(side + 1)] = d;
  in.enter = enter;
  in.space = space;
  return packinput(in);
}

frameinput mergeinputs(const std::array<uint16_t, 2>& sides) {
  constexpr uint16_t player1 = 0x0F, player2 = 0xF0;
  const uint16_t shared = bit(true, enterbit) | bit(true, spacebit);
  return unpackinput(uint16_t((sides[0] & player1) | (sides[1] & player2) | ((sides[0] | sides[1]) & shared)));
}

frameinput unpackinput(uint16_t bits) {
  frameinput in;
  for (int p = 1; p <= 2; ++p) {
    const int at = (p - 1) * playerbits;
    in.player[size_t(p)] = {has(bits, at), has(bits, at + 1), has(bits, at + 2), has(bits, at + 3)};
  }
  in.knockout = has(bits, knockoutbit);
  in.fallapart = has(bits, fallapartbit);
  in.enter = has(bits, enterbit);
  in.space = has(bits, spacebit);
  in.escape = has(bits, escapebit);
  return in;
}

}  // namespace flopfist
