// Construction of the application object.
#include "app/fightgame.h"

namespace flopfist {

fightgame::fightgame() {
  // Drawn before the generator is seeded, so every program start plays track 3 first.
  music.track = int(media::rnd(1, 4));
}

// Only a regular file is read: a folder or a device of that name counts as a missing file.
bool openregular(media::infile& in, const std::string& path) {
  return media::fileexists(path) && in.open(path);
}

}  // namespace flopfist
