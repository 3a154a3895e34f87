// Hosting and joining, whatever carries the datagrams: on the desktop one UDP socket
// (net/udp.cpp), in a page one WebSocket to the lobby, whose relay carries the match
// (net/websocket.cpp). The game asks for a link here and never learns which it got.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "net/lan.h"
#include "net/rendezvous.h"
#include "net/transport.h"

namespace flopfist::net {

// This machine's IPv4 addresses other than the loopback, for the host to show and the lobby to pass
// on; none in a page, which has no address of its own to offer.
std::vector<address4> localaddresses();

// Where a waiting host's beacons go: nowhere, this machine only (two games on it, and the tests),
// or every LAN this machine is on (which this machine hears too).
enum class lanbeacons { none, local, all };
// A listener on the discovery port, shared with any other game on this machine listening there;
// nothing, with the reason in error, when the port cannot be had (or in a page, which hears no
// broadcast).
std::unique_ptr<lanlistener> listenlan(std::string& error);

// A host listens on the port; with a lobby ("ADDRESS[:PORT]", empty: none) it also holds a room
// there. While it waits it beacons its name as `beacons` says. A page holds only the room: its
// link's port() is 0, it beacons nothing, and with no lobby it cannot host.
std::unique_ptr<transport> hostgame(uint16_t port, std::string& error, std::string_view lobby = "",
                                    uint32_t now = 0, lanbeacons beacons = lanbeacons::none,
                                    std::string_view name = "");
// A joiner gives up on a host that has not welcomed it within `patiencems`; the problem says why it
// failed at once (no such address, or a page, which cannot reach an address).
std::unique_ptr<transport> joingame(std::string_view address, uint16_t port, uint32_t now,
                                    uint32_t patiencems = 5000);
// A joiner by room code through the lobby; nothing, with the reason in error, when the lobby's
// address cannot be found.
std::unique_ptr<transport> joinbycode(std::string_view code, std::string_view lobby, uint32_t now,
                                      std::string& error);

}  // namespace flopfist::net
