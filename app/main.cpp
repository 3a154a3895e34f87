// The program's entry: one application object, then its run.
#include <memory>

#include "app/fightgame.h"
#include "media/media.h"

int main() {
  media::init(false);
  auto game = std::make_unique<flopfist::fightgame>();
  game->run();
  media::shutdown();
  return 0;
}
