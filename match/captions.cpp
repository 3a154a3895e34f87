// The large caption across the middle of the screen: opening captions, drawing and fading.
#include <cstdio>

#include "app/fightgame.h"
#include "media/media.h"

namespace flopfist {

namespace {
constexpr int openingtime = 80;
constexpr int fightframe = 100;
constexpr float captionwidth = 824;  // every caption spans x = 100 .. 924
}  // namespace

void fightgame::setcaptions() {
  char text[48];
  if (framecount == 1 && (gamemode == "1" || gamemode == "2coop")) {
    std::snprintf(text, sizeof text, "   LEVEL %d   ", level);
    message = text;
    messagetimer = openingtime;
  }
  if (framecount == 1 && gamemode == "2vs") {
    std::snprintf(text, sizeof text, "  %d - %d  ", wins[1], wins[2]);
    message = text;
    messagetimer = openingtime;
  }
  if (framecount == fightframe) {
    message = "FIGHT!";
    messagetimer = openingtime;
  }
}

void fightgame::drawcaption() {
  if (messagetimer >= 0) messagetimer -= 1;
  if (messagetimer >= 0 && !message.empty()) {
    media::setalpha(float(messagetimer) / 60.0f);
    const float w = media::textwidth(message);
    const float h = media::textheight(message);
    setpalettecolour(1);
    if (w > 0) {
      const float k = captionwidth / w;
      media::setscale(k, k);
      media::drawtext(message, 100, float(int(384 - h * k / 2)));
    }
  }
  media::setscale(1, 1);
  media::setalpha(1);
}

}  // namespace flopfist
