// The HIGH SCORES screen, on its own and over a finished match.
#include <cstdio>
#include <string>

#include "app/fightgame.h"
#include "body/util.h"

namespace flopfist {

namespace {
constexpr float titlescale = 0.525f;
constexpr float rowscale = 0.15f;
constexpr int namex = 270;
constexpr int scoreright = 754;
}  // namespace

// The title from shown 1 on, and row k once shown passes 5k: one more row every 5 frames.
void fightgame::drawscorerows(int shown) {
  setpalettecolour(1);
  media::setscale(titlescale, titlescale);
  const int titlew = int(media::textwidth("HIGH SCORES") * titlescale);
  if (shown > 0) media::drawtext("HIGH SCORES", float((1024 - titlew) / 2), 20);

  media::setscale(rowscale, rowscale);
  // Reused between frames so that drawing a row does not allocate once it has grown.
  static std::string line;
  char number[24];
  int y = 100;
  int rank = 0;
  for (const auto& row : scoretable) {
    ++rank;
    if (shown <= 5 * rank) continue;
    y += 30;
    // The rank goes at the left edge and the colon one two-digit width further on, so the colons
    // of ranks 1 to 20 line up whatever the width of a blank is in the font.
    std::snprintf(number, sizeof number, "%d", rank);
    media::drawtext(number, float(namex), float(y));
    line.assign(": ");
    line += row.name;
    media::drawtext(line, namex + media::textwidth("00") * rowscale, float(y));
    std::snprintf(number, sizeof number, "%lld", static_cast<long long>(row.points));
    media::drawtext(number, float(scoreright - int(media::textwidth(number) * rowscale)), float(y));
  }
}

void fightgame::scorescreen() {
  flushmenukeys();
  int n = 0;
  for (;;) {
    media::cls();
    cyclecolours();
    ++n;
    drawscorerows(n);
    media::setscale(1, 1);
    media::flip(-1);
    quitcheck();
    if (media::keyhit(media::key::enter) > 0) break;
    if (media::keyhit(media::key::escape) > 0) break;
    if (media::keyhit(media::key::space) > 0) break;
  }
}

// Drawn over the match scene of the frame: no clear, no present, no key test.
void fightgame::drawscores(int elapsed) {
  flushmenukeys();
  cyclecolours();
  drawscorerows(elapsed);
  media::setscale(1, 1);
}

}  // namespace flopfist
