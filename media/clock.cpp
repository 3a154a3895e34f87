// Time: the monotonic millisecond counter and delay; virtual in test mode.
#include "media/internal.h"
#include "media/media.h"

namespace media {

int millisecs() { return 0; }
void delay(int) {}

}  // namespace media
