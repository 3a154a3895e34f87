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
  auto& art = game->art;
  media::setimageflags(media::imageflag::masked | media::imageflag::filtered |
                       media::imageflag::mipmapped);
  art.images.limb = needimage("images/quad280.png");
  media::midhandle(art.images.limb);
  art.images.joint = needimage("images/ballimage280.png");
  media::midhandle(art.images.joint);
  art.splash = needimage("images/205275.png");
  art.images.spark = needimage("images/spark.png");
  art.blowsound = media::loadsound("sounds/blow.wav");
  art.blocksound = media::loadsound("sounds/block.wav");
  media::opengraphics(1024, 768, 0, 60);
  art.font = media::loadfont("images/font.ttf", 200, 4);
  if (art.font == nullptr) media::missingfile("images/font.ttf");
  media::setfont(art.font);
  media::setblend(media::blend::alpha);
  game->settings = flopfist::options{};
  game->scores.defaults();
}

void startmatch(int level, const options& o) {
  auto& g = *game;
  g.settings.blood = o.blood;
  g.settings.flexibility = o.flexibility;
  g.settings.gravity = o.gravity;
  g.settings.ailevel = o.ailevel;
  g.current.mode = flopfist::gamemode::coop;
  g.current.level = level;
  g.beginmatch();
}

bool playframe() {
  game->matchframe();
  if (game->playing->state != flopfist::matchstate::end || game->held > 0) return true;
  game->endmatch();
  return false;
}

std::string firstnonfinite() {
  const auto& g = *game->playing;
  const auto bad = [](float v) { return !std::isfinite(v); };
  if (bad(g.camera.x) || bad(g.camera.y) || bad(g.camera.zoom) || bad(g.dt) || bad(g.slowmotimer))
    return "the camera, the zoom or the time step";
  for (int n = 1; n <= g.fightercount; ++n) {
    const auto& f = g.fighters[size_t(n)];
    if (bad(f.energy)) return "fighter " + std::to_string(n) + "'s energy";
    for (int b = 1; b <= 26; ++b) {
      const auto& p = f.balls[size_t(b)];
      if (bad(p.x) || bad(p.y) || bad(p.oldx) || bad(p.oldy) || bad(p.vx) || bad(p.vy))
        return "fighter " + std::to_string(n) + ", ball " + std::to_string(b);
    }
  }
  for (int k = 1; k <= flopfist::particlering::slots; ++k) {
    const auto& d = g.bursts[k];
    if (bad(d.alpha) || bad(d.size)) return "burst " + std::to_string(k);
    for (size_t i = 1; i <= size_t(d.count) && i < d.x.size(); ++i) {
      if (bad(d.x[i]) || bad(d.y[i]) || bad(d.vx[i]) || bad(d.vy[i]))
        return "burst " + std::to_string(k) + ", dot " + std::to_string(i);
    }
  }
  return {};
}

}  // namespace soak
