// Test mode: reset, scripted input, the virtual clock and frame read-back.
#include "media/testing.h"

#include "media/internal.h"
#include "media/media.h"

namespace media::test {

void reset() {
  if (!media::testmode()) media::init(true);
  media::resetrandom();
  media::resetfiles();
}
int frames() { return 0; }
void press(int, int) {}
void release(int, int) {}
void tap(int, int) {}
void type(int, int) {}
void closewindow(int) {}
double clock() { return 0; }
frame presented() { return {}; }
frame backbuffer() { return {}; }
bool savepng(const frame&, const std::string&) { return false; }
void failnextsave() { media::setfailnextsave(); }

}  // namespace media::test
