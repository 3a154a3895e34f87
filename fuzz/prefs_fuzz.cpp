// libFuzzer target for the prefs.qmx reader: any bytes load without a fault and leave every setting in range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/fightgame.h"
#include "media/media.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  flopfist::options o;
  media::infile in;
  in.openbytes(std::string(reinterpret_cast<const char*>(data), size));
  flopfist::readprefs(o, in);

  const auto within = [](int v, int low, int high) { return v >= low && v <= high; };
  const bool ok = within(o.gravity, 0, 10) && within(o.playersspeed, 1, 10) &&
                  within(o.flexibility, 1, 20) && within(o.blowpower, 1, 10) &&
                  within(o.ailevel, 1, 10) && within(o.slowmotion, 0, 10) &&
                  within(o.blood, 0, 30) && within(o.plasma, 0, 1) &&
                  within(o.fullscreen, 0, 1) && within(o.soundsvolume, 0, 10) &&
                  within(o.musicvolume, 0, 10) && within(o.spare2, 1, 7);
  if (!ok) std::abort();  // a setting out of range reaches the physics and the audio
  return 0;
}
