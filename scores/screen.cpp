// The HIGH SCORES table as drawn on its own screen and over a finished match.
#include <cstdio>
#include <string>

#include "body/util.h"
#include "media/media.h"
#include "scores/screens.h"

namespace flopfist {

namespace {
constexpr float titlescale = 0.525f;
constexpr float rowscale = 0.15f;
constexpr int namex = 270;
constexpr int scoreright = 754;
}  // namespace

void drawscorerows(const scoretable& table, int shown, const palette& colours) {
  colours.use(1);
  media::setscale(titlescale, titlescale);
  const int titlew = int(media::textwidth("HIGH SCORES") * titlescale);
  if (shown > 0) media::drawtext("HIGH SCORES", float((1024 - titlew) / 2), 20);

  media::setscale(rowscale, rowscale);
  // Reused between frames so that drawing a row does not allocate once it has grown.
  static std::string line;
  char number[24];
  int y = 100;
  int rank = 0;
  for (const auto& row : table.rows) {
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
  media::setscale(1, 1);
}

}  // namespace flopfist
