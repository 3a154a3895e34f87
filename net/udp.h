// The desktop's transport: one plain non-blocking UDP socket, used for the lobby, the punching and
// the match alike. Only this file and its source know the datagrams are UDP; the game hosts and
// joins through net/games.h.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/datagrams.h"
#include "net/games.h"

namespace flopfist::net {

// A socket on the port (0: any free one), or nothing with the reason in error.
std::unique_ptr<datagrams> openudp(uint16_t port, std::string& error);
// A name or dotted address as an IPv4 address; nothing when it cannot be found.
std::optional<address4> resolve(const std::string& name, uint16_t port);
// The broadcast addresses on the discovery port for beacons to go to.
std::vector<address4> beacontargets(lanbeacons where);

}  // namespace flopfist::net
