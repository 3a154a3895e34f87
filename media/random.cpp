// The generator the menus draw from; a match takes a copy and hands it back when it ends.
#include "media/media.h"
#include "media/random.h"

namespace media {

namespace {
generator shared;
}  // namespace

generator& sharedgenerator() { return shared; }

void resetrandom() { shared = generator{}; }
void seedrnd(int seed) { shared.reseed(seed); }
int rndstate() { return shared.state(); }
double rnd() { return shared.rnd(); }
double rnd(double min, double max) { return shared.rnd(min, max); }
int rndint(int min, int max) { return shared.rndint(min, max); }

}  // namespace media
