// The lobby's command line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace flopfist::lobby {

struct options {
  std::string address = "0.0.0.0";  // where both sockets listen
  uint16_t port = 27961;             // UDP, for desktop games (0: any free port, printed at start)
  uint16_t wsport = 27962;           // WebSocket, for browsers (0: any free port)
  size_t maxrooms = 10000;
  char prefix = 0;                   // every code starts with it, so a code names its lobby
  std::string cert, key;             // both given: the WebSocket port speaks TLS (wss://)
  bool help = false;
  std::string error;                 // not empty: the command line was wrong
};

options parseoptions(int argc, const char* const* argv);
std::string usage();

}  // namespace flopfist::lobby
