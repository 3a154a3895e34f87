// A game with its assets loaded and the headless test frame open, for the benchmarks.
#include "bench/benchgame.h"

#include <unistd.h>

#include "media/media.h"
#include "media/testing.h"

std::unique_ptr<flopfist::fightgame> benchgame(int seed) {
  if (chdir(FLOPFIST_ASSET_DIR) != 0) return nullptr;
  media::test::reset();
  auto game = std::make_unique<flopfist::fightgame>();
  media::setimageflags(7);
  auto& art = game->art;
  art.images.limb = media::loadimage("images/quad280.png");
  media::midhandle(art.images.limb);
  art.images.joint = media::loadimage("images/ballimage280.png");
  media::midhandle(art.images.joint);
  art.blowsound = media::loadsound("sounds/blow.wav");
  art.blocksound = media::loadsound("sounds/block.wav");
  art.images.spark = media::loadimage("images/spark.png");
  media::opengraphics(1024, 768, 0, 60);
  art.font = media::loadfont("images/font.ttf", 200, 4);
  media::setfont(art.font);
  media::setblend(media::blend::alpha);
  game->settings = flopfist::options{};
  media::seedrnd(seed);
  return game;
}
