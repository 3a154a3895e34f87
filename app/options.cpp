// The options screen and the preferences file "prefs.qmx".
#include "app/fightgame.h"

namespace flopfist {

void fightgame::resetoptions() {}
void fightgame::loadprefs() {}
void fightgame::saveprefs() {}
void fightgame::clampoptions() {}
void fightgame::optionsscreen() {}

}  // namespace flopfist
