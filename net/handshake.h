// The first words between a joiner and a host: both versions offered, and the host's welcome or refusal.
#pragma once

#include <string>

#include "net/packet.h"

namespace flopfist::net {

// This machine's hello, with its game and protocol versions.
message hello();
// The host's answer to a message from a would-be joiner: welcome when both versions match, a
// refusal naming the host's versions otherwise, or when a player has already joined (full).
message answer(const message& from, bool full);
// A refusal in words for the screen, naming the host's versions and this machine's.
std::string refusaltext(const refusemessage& r);

}  // namespace flopfist::net
