// Small drawing helpers shared by the text screens: palette colours and centred lines.
#include "app/fightgame.h"
#include "media/media.h"

namespace flopfist {

void fightgame::setpalettecolour(int c) { media::setcolor(colours[c][1], colours[c][2], colours[c][3]); }

// Centred on the 1024-pixel screen from the unscaled width; leaves the scale set for the caller.
void fightgame::drawcentred(std::string_view text, float scale, float y) {
  media::setscale(scale, scale);
  media::drawtext(text, (1024.0f - media::textwidth(text) * scale) / 2.0f, y);
}

}  // namespace flopfist
