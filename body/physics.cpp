// The fighter's physics step: per-ball motion and the link and joint relaxation.
#include "body/man.h"

namespace flopfist {

void man::saveposition() {}
void man::applygravity(int) {}
void man::move(float) {}
void man::updatevelocity(float) {}
void man::keepinarena(float, float) {}
void man::tickflash() {}
linkmove man::linkcorrection(const ball&, const ball&) { return {}; }
jointmove man::jointcorrection(const ball&, const ball&, const ball&, float, float, float, int) {
  return {};
}
void man::relaxlinks() {}
void man::relaxjoints(float, int) {}
void man::relax(float, int) {}

}  // namespace flopfist
