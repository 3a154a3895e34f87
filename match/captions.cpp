// The large caption across the middle of the screen: the opening captions and their drawing.
#include <algorithm>
#include <cstdio>

#include "match/match.h"
#include "media/media.h"

namespace flopfist {

namespace {
constexpr int openingtime = 80;
constexpr int fightframe = 100;
constexpr float captionwidth = 824;  // every caption spans x = 100 .. 924
}  // namespace

void caption::set(std::string_view s, int frames) {
  const size_t n = std::min(s.size(), text.size() - 1);
  std::copy_n(s.begin(), n, text.begin());
  text[n] = '\0';
  timer = frames;
}

void match::setcaptions() {
  char text[48];
  if (framecount == 1 && mode != gamemode::versus) {
    std::snprintf(text, sizeof text, "   LEVEL %d   ", level);
    message.set(text, openingtime);
  }
  if (framecount == 1 && mode == gamemode::versus) {
    std::snprintf(text, sizeof text, "  %d - %d  ", wins[1], wins[2]);
    message.set(text, openingtime);
  }
  if (framecount == fightframe) message.set("FIGHT!", openingtime);
}

// Fades out over its last 60 frames, scaled to span the caption width.
void drawcaption(const caption& shown, const palette& colours) {
  if (shown.timer >= 0 && !shown.str().empty()) {
    media::setalpha(float(shown.timer) / 60.0f);
    const float w = media::textwidth(shown.str());
    const float h = media::textheight(shown.str());
    colours.use(1);
    if (w > 0) {
      const float k = captionwidth / w;
      media::setscale(k, k);
      media::drawtext(shown.str(), 100, float(int(384 - h * k / 2)));
    }
  }
  media::setscale(1, 1);
  media::setalpha(1);
}

}  // namespace flopfist
