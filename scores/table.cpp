// The high-score table and its file "scores.txt".
#include "app/fightgame.h"

namespace flopfist {

void fightgame::defaultscores() {}
void fightgame::loadscores() {}
void fightgame::savescores() {}
void fightgame::sortscores() {}
void fightgame::addscore(const std::string&, int64_t) {}
int fightgame::lowestscore() { return 0; }

}  // namespace flopfist
