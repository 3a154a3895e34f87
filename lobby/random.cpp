#include "lobby/random.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace flopfist::lobby {

void cryptorandom(std::span<uint8_t> into) {
  size_t filled = 0;
  while (filled < into.size()) {
    const ssize_t got = getrandom(into.data() + filled, into.size() - filled, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      // Guessable codes or tokens would let strangers into matches: better no lobby at all.
      std::perror("getrandom");
      std::abort();
    }
    filled += size_t(got);
  }
}

}  // namespace flopfist::lobby
