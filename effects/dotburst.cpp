// One particle burst: start, colour cycle, motion, fading and drawing.
#include "effects/dotburst.h"

namespace flopfist {

void dotburst::cyclecolour() {}
void dotburst::start(float, float, float, float, int, int, float, fightgame*, int, int) {}
void dotburst::draw(float) {}
void dotburst::update(float) {}

}  // namespace flopfist
