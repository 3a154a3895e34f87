// The handshake's messages and the words of a refusal.
#include "net/handshake.h"

#include "match/version.h"

namespace flopfist::net {

message hello() {
  message m;
  m.kind = messagekind::hello;
  m.hello = {protocolversion, gameversion};
  return m;
}

message answer(const message& from, bool full) {
  message m;
  const bool same = from.hello.protocol == protocolversion && from.hello.game == gameversion;
  if (from.kind != messagekind::hello) return m;
  if (same && !full) {
    m.kind = messagekind::welcome;
    m.hello = {protocolversion, gameversion};
    return m;
  }
  m.kind = messagekind::refuse;
  m.refuse = {same ? refusal::full : refusal::versions, protocolversion, gameversion};
  return m;
}

std::string refusaltext(const refusemessage& r) {
  if (r.why == refusal::full) return "THE HOST ALREADY HAS A PLAYER";
  return "THE HOST RUNS VERSION " + std::to_string(r.game) + " (PROTOCOL " + std::to_string(r.protocol) +
         "), THIS GAME VERSION " + std::to_string(gameversion) + " (PROTOCOL " +
         std::to_string(protocolversion) + ")";
}

}  // namespace flopfist::net
