// Steering fighters by their head ball: player keys and the computer opponent.
#include "app/fightgame.h"
#include "body/man.h"

namespace flopfist {

void pushdirection(ball&, int, int) {}
void man::steer(int, float, int, float, float, float, float) {}
void fightgame::player1control() {}
void fightgame::player2control() {}
int fightgame::choosetarget(const man&) const { return 1; }

}  // namespace flopfist
