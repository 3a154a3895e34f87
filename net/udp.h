// The desktop's transport: one plain non-blocking UDP socket, used for the lobby, the punching and
// the match alike. Only this file and its source know the datagrams are UDP.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/datagrams.h"
#include "net/transport.h"

namespace flopfist::net {

// A socket on the port (0: any free one), or nothing with the reason in error.
std::unique_ptr<datagrams> openudp(uint16_t port, std::string& error);
// A name or dotted address as an IPv4 address; nothing when it cannot be found.
std::optional<address4> resolve(const std::string& name, uint16_t port);
// This machine's IPv4 addresses other than the loopback, for the host to show and the lobby to pass
// on.
std::vector<address4> localaddresses();

// A host listens on the port; with a lobby ("ADDRESS[:PORT]", empty: none) it also holds a room
// there.
std::unique_ptr<transport> hostgame(uint16_t port, std::string& error, std::string_view lobby = "",
                                    uint32_t now = 0);
// A joiner gives up on a host that has not welcomed it within `patiencems`; the problem says why it
// failed at once (no such address).
std::unique_ptr<transport> joingame(std::string_view address, uint16_t port, uint32_t now,
                                    uint32_t patiencems = 5000);
// A joiner by room code through the lobby; nothing, with the reason in error, when the lobby's
// address cannot be found.
std::unique_ptr<transport> joinbycode(std::string_view code, std::string_view lobby, uint32_t now,
                                      std::string& error);

}  // namespace flopfist::net
