// Drawing a fighter: limbs and balls in a fixed order, wrist links in the damage colour.
#include "body/man.h"

namespace flopfist {

const std::array<int, 51> drawsequence{};

void man::draw(float, float) {}
void man::drawlimb(int, const std::array<int, 4>&, float) {}

}  // namespace flopfist
