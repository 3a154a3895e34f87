// What the application draws over a match frame: the banners of a paused match and the players' labels.
#include "app/fightgame.h"
#include "body/man.h"
#include "body/util.h"
#include "scores/screens.h"

namespace flopfist {

namespace {
constexpr int labelframes = 120;  // two seconds of steps
constexpr float labelscale = 0.14f;
}  // namespace

// The frozen match drawn again as it was presented, so the banner is the only change.
void fightgame::drawbanner(std::string_view title, std::string_view keysline) {
  const match& m = *playing;
  media::cls();
  m.draw(art.images);
  if (m.overlaycount() > 0 && m.overlayat(0).state == matchstate::levelcompleted) {
    drawlevelsummary(m, current, m.overlayat(0).elapsed, m.overlayat(0).colours);
  }
  drawlabels();
  const int blend = media::getblend();
  media::setblend(media::blend::alpha);
  media::setrotation(0);
  media::setscale(1, 1);
  media::setalpha(0.75f);
  media::setcolor(0, 0, 0);
  media::drawrect(0, 290, 1024, 150);
  media::setalpha(1);
  // White: the palette starts a match near black and would hide it.
  media::setcolor(255, 255, 255);
  drawcentred(title, 0.3f, 300);
  media::setcolor(210, 210, 210);
  drawcentred(keysline, 0.13f, 390);
  media::setscale(1, 1);
  media::setblend(blend);
}

bool fightgame::labelsshown() const {
  return playing.has_value() && playing->mode != gamemode::single &&
         playing->state == matchstate::game && playing->framecount < labelframes;
}

// "P1" and "P2" just above each player's head, black-edged so any background leaves them legible.
void fightgame::drawlabels() {
  const match& m = *playing;
  if (m.mode == gamemode::single || m.fightercount < 2) return;
  const int blend = media::getblend();
  media::setblend(media::blend::alpha);
  media::setrotation(0);
  media::setalpha(1);
  media::setscale(labelscale, labelscale);
  for (int p = 1; p <= 2; ++p) {
    const man& f = m.fighters[size_t(p)];
    const ball& h = f.balls[size_t(bodyball::head)];
    const char* text = p == 1 ? "P1" : "P2";
    const float w = media::textwidth(text) * labelscale;
    const float tall = media::textheight(text) * labelscale;
    const float x = screenx(h.x, m.camera) - w / 2;
    const float y = screeny(h.y, m.camera) - f.headradius * m.camera.zoom - tall - 6;
    media::setcolor(0, 0, 0);
    for (const auto& [dx, dy] : {std::pair{-2, 0}, {2, 0}, {0, -2}, {0, 2}}) {
      media::drawtext(text, x + float(dx), y + float(dy));
    }
    media::setcolor(255, 255, 255);
    media::drawtext(text, x, y);
  }
  media::setscale(1, 1);
  media::setblend(blend);
}

}  // namespace flopfist
