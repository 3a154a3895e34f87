// The HIGH SCORES screen, on its own and over a finished match.
#include "app/fightgame.h"

namespace flopfist {

void fightgame::scorescreen() {}
void fightgame::drawscores(int) {}
void fightgame::drawscorerows(int) {}

}  // namespace flopfist
