// The soak's use of the game: set-up, one match frame, and every number a frame leaves behind.
#include "soak/game.h"

#include <cmath>
#include <memory>

#include "app/fightgame.h"
#include "media/media.h"

namespace soak {

namespace {
std::unique_ptr<flopfist::fightgame> game;

media::image* needimage(const char* path) {
  media::image* img = media::loadimage(path);
  if (img == nullptr) media::missingfile(path);
  return img;
}
}  // namespace

void opengame() {
  game = std::make_unique<flopfist::fightgame>();
  auto& g = *game;
  media::setimageflags(media::imageflag::masked | media::imageflag::filtered |
                       media::imageflag::mipmapped);
  g.limbimage = needimage("images/quad280.png");
  media::midhandle(g.limbimage);
  g.jointimage = needimage("images/ballimage280.png");
  media::midhandle(g.jointimage);
  g.splashimage = needimage("images/205275.png");
  g.sparkimage = needimage("images/spark.png");
  g.blowsound = media::loadsound("sounds/blow.wav");
  g.blocksound = media::loadsound("sounds/block.wav");
  media::opengraphics(1024, 768, 0, 60);
  g.gamefont = media::loadfont("images/font.ttf", 200, 4);
  if (g.gamefont == nullptr) media::missingfile("images/font.ttf");
  media::setfont(g.gamefont);
  media::setblend(media::blend::alpha);
  g.resetoptions();
  g.defaultscores();
}

void startmatch(int level, const options& o) {
  auto& g = *game;
  g.blood = o.blood;
  g.flexibility = o.flexibility;
  g.gravity = o.gravity;
  g.ailevel = o.ailevel;
  g.gamemode = "2coop";
  g.level = level;
  g.setupmatch();
}

bool playframe() {
  game->matchframe();
  return game->matchstate != "end";
}

std::string firstnonfinite() {
  const auto& g = *game;
  const auto bad = [](float v) { return !std::isfinite(v); };
  if (bad(g.camerax) || bad(g.cameray) || bad(g.zoom) || bad(g.dt) || bad(g.slowmotimer))
    return "the camera, the zoom or the time step";
  for (int n = 1; n <= g.fightercount; ++n) {
    const auto& f = *g.fighters[n];
    if (bad(f.energy)) return "fighter " + std::to_string(n) + "'s energy";
    for (int b = 1; b <= 26; ++b) {
      const auto& p = f.balls[b];
      if (bad(p.x) || bad(p.y) || bad(p.oldx) || bad(p.oldy) || bad(p.vx) || bad(p.vy))
        return "fighter " + std::to_string(n) + ", ball " + std::to_string(b);
    }
  }
  for (size_t k = 1; k < g.bursts.size(); ++k) {
    const auto& d = g.bursts[k];
    if (bad(d.alpha) || bad(d.size)) return "burst " + std::to_string(k);
    for (int i = 1; i <= d.count && i < int(d.x.size()); ++i) {
      if (bad(d.x[i]) || bad(d.y[i]) || bad(d.vx[i]) || bad(d.vy[i]))
        return "burst " + std::to_string(k) + ", dot " + std::to_string(i);
    }
  }
  return {};
}

}  // namespace soak
