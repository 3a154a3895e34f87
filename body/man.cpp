// The body tables and the construction of a fighter.
#include "body/man.h"

namespace flopfist {

const std::array<link, 25> bodylinks{};
const std::array<joint, 25> bodyjoints{};
const std::array<float, 25> bodyrestangles{};
const std::array<float, 25> bodystiffness{};
const std::array<float, 25> robotstiffness{};

void man::setup(int) {}
void man::fadestep() {}

}  // namespace flopfist
