// The lobby's secrets (codes, tokens, tickets) come from the kernel's cryptographic source.
#pragma once

#include <cstdint>
#include <span>

namespace flopfist::lobby {

void cryptorandom(std::span<uint8_t> into);

}  // namespace flopfist::lobby
