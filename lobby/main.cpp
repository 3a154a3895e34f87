// flopfist-lobby: rooms, rendezvous and relay for Flopfist's online play.
#include <cstdio>

#include "lobby/options.h"
#include "lobby/server.h"

int main(int argc, char** argv) {
  namespace lobby = flopfist::lobby;
  const lobby::options o = lobby::parseoptions(argc, argv);
  if (o.help) {
    std::fputs(lobby::usage().c_str(), stdout);
    return 0;
  }
  if (!o.error.empty()) {
    std::fprintf(stderr, "flopfist-lobby: %s\n\n%s", o.error.c_str(), lobby::usage().c_str());
    return 2;
  }
  return lobby::serve(o);
}
