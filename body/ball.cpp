// One point mass: motion step, wall contacts, hit flash, bleeding and drawing.
#include "body/ball.h"

namespace flopfist {

void ball::emitblood(float) {}
void ball::tickflash() {}
void ball::updatevelocity(float) {}
void ball::saveposition() {}
void ball::draw(const std::array<int, 4>&, float) {}
void ball::drawendpiece(const std::array<int, 4>&, float) {}
void ball::move(float) {}
void ball::applygravity(int) {}
int ball::keepinarena() { return 0; }

}  // namespace flopfist
