// The lobby's sockets and loop; it returns when SIGTERM or SIGINT arrives.
#pragma once

#include "lobby/options.h"

namespace flopfist::lobby {

// Listens as the options say, logs one line per room event on standard output, and returns the
// program's exit status.
int serve(const options& o);

}  // namespace flopfist::lobby
