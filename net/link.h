// The link between two games over a datagram socket, with no sockets of its own: the handshake (a
// joiner's hello, the host's welcome or refusal), the match's datagrams, whole messages resent
// until acknowledged, keepalives and a goodbye. With a lobby, the same socket first meets there: a
// host asks for a room and shows its code, a joiner comes by the code, and the two settle on a path
// (straight, punched or the lobby's relay) before the hello.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/datagrams.h"
#include "net/rendezvousclient.h"
#include "net/transport.h"
#include "net/wholes.h"

namespace flopfist::net {

struct linksettings {
  bool hosting = true;
  address4 host;                  // a joiner by address: the host's
  std::optional<address4> lobby;  // where the lobby is, for a host's room or a joiner's code
  meetsettings meet;              // with a lobby: the meeting's (its side follows hosting)
  uint32_t patiencems = 5000;  // a joiner not welcomed this long after it knew where to go gives up
  uint32_t silencems = 30000;  // nothing heard from the other side this long: it is gone
  uint32_t hellosms = 100;     // a joiner's hello goes again this often until answered
  uint32_t keepalivems = 500;  // a quiet link sends a ping this often
  uint32_t resendms = 100;     // a whole message's pieces go again this often
  std::string lobbyproblem;    // a host whose lobby was not found: told, and hosting by address
  std::string failure;         // a joiner that cannot even start (no such address): failed with it
};

std::unique_ptr<transport> makelink(std::unique_ptr<datagrams> socket, const linksettings& settings,
                                    uint32_t now, uint32_t nonce);

}  // namespace flopfist::net
