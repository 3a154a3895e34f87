// Lobby messages to and from bytes: a mark, the kind, the name's length and letters, then the set-up.
#include "net/lobby.h"

namespace flopfist::net {

namespace {
constexpr char mark0 = 'F', mark1 = 'l';
}  // namespace

bool namechar(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' || c == '-' || c == '.'; }

std::string cleanname(std::string_view typed) {
  std::string name;
  for (char c : typed) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    if (!namechar(c) || (c == ' ' && name.empty())) continue;
    if (name.size() < namelength) name.push_back(c);
  }
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

std::string encode(const lobbymessage& m) {
  std::string bytes{mark0, mark1, char(m.kind)};
  const std::string name = cleanname(m.name);
  bytes.push_back(char(name.size()));
  bytes += name;
  if (m.kind == lobbykind::setup) bytes += m.setup;
  return bytes;
}

lobbymessage decodelobby(std::string_view bytes) {
  if (bytes.size() < 4 || bytes[0] != mark0 || bytes[1] != mark1) return {};
  lobbymessage m;
  const auto kind = lobbykind(uint8_t(bytes[2]));
  const size_t length = uint8_t(bytes[3]);
  if (kind == lobbykind::none || uint8_t(kind) > uint8_t(lobbykind::leave)) return {};
  if (length > namelength || bytes.size() < 4 + length) return {};
  m.name = std::string(bytes.substr(4, length));
  m.setup = std::string(bytes.substr(4 + length));
  if (cleanname(m.name) != m.name) return {};
  if (kind == lobbykind::setup ? m.setup.empty() || m.setup.size() > mostsetup : !m.setup.empty()) return {};
  m.kind = kind;
  return m;
}

}  // namespace flopfist::net
