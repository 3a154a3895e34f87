// libFuzzer target for the prefs.qmx reader: any bytes load without a fault and leave every setting in range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/fightgame.h"
#include "media/media.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static flopfist::fightgame game;
  game.resetoptions();
  media::infile in;
  in.openbytes(std::string(reinterpret_cast<const char*>(data), size));
  game.readprefs(in);

  const auto within = [](int v, int low, int high) { return v >= low && v <= high; };
  const bool ok = within(game.gravity, 0, 10) && within(game.playersspeed, 1, 10) &&
                  within(game.flexibility, 1, 20) && within(game.blowpower, 1, 10) &&
                  within(game.ailevel, 1, 10) && within(game.slowmotion, 0, 10) &&
                  within(game.blood, 0, 30) && within(game.plasma, 0, 1) &&
                  within(game.fullscreen, 0, 1) && within(game.soundsvolume, 0, 10) &&
                  within(game.musicvolume, 0, 10) && within(game.spare2, 1, 7);
  if (!ok) std::abort();  // a setting out of range reaches the physics and the audio
  return 0;
}
