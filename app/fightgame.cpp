// Construction of the application object.
#include "app/fightgame.h"

namespace flopfist {

fightgame::fightgame() {
  // Drawn before the generator is seeded, so every program start plays track 3 first.
  musictrack = int(media::rnd(1, 4));
  for (auto& b : bursts) b.game = this;
}

}  // namespace flopfist
