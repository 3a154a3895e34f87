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
#include "net/lan.h"
#include "net/transport.h"

namespace flopfist::net {

// A socket on the port (0: any free one), or nothing with the reason in error.
std::unique_ptr<datagrams> openudp(uint16_t port, std::string& error);
// A name or dotted address as an IPv4 address; nothing when it cannot be found.
std::optional<address4> resolve(const std::string& name, uint16_t port);
// This machine's IPv4 addresses other than the loopback, for the host to show and the lobby to pass
// on.
std::vector<address4> localaddresses();

// Where a waiting host's beacons go: nowhere, this machine only (two games on it, and the tests),
// or every LAN this machine is on (which this machine hears too).
enum class lanbeacons { none, local, all };
// The broadcast addresses on the discovery port for beacons to go to.
std::vector<address4> beacontargets(lanbeacons where);
// A listener on the discovery port, shared with any other game on this machine listening there;
// nothing, with the reason in error, when the port cannot be had.
std::unique_ptr<lanlistener> listenlan(std::string& error);

// A host listens on the port; with a lobby ("ADDRESS[:PORT]", empty: none) it also holds a room
// there. While it waits it beacons its name as `beacons` says.
std::unique_ptr<transport> hostgame(uint16_t port, std::string& error, std::string_view lobby = "",
                                    uint32_t now = 0, lanbeacons beacons = lanbeacons::none,
                                    std::string_view name = "");
// A joiner gives up on a host that has not welcomed it within `patiencems`; the problem says why it
// failed at once (no such address).
std::unique_ptr<transport> joingame(std::string_view address, uint16_t port, uint32_t now,
                                    uint32_t patiencems = 5000);
// A joiner by room code through the lobby; nothing, with the reason in error, when the lobby's
// address cannot be found.
std::unique_ptr<transport> joinbycode(std::string_view code, std::string_view lobby, uint32_t now,
                                      std::string& error);

}  // namespace flopfist::net
