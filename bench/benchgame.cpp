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
  game->limbimage = media::loadimage("images/quad280.png");
  media::midhandle(game->limbimage);
  game->jointimage = media::loadimage("images/ballimage280.png");
  media::midhandle(game->jointimage);
  game->blowsound = media::loadsound("sounds/blow.wav");
  game->blocksound = media::loadsound("sounds/block.wav");
  game->sparkimage = media::loadimage("images/spark.png");
  media::opengraphics(1024, 768, 0, 60);
  game->gamefont = media::loadfont("images/font.ttf", 200, 4);
  media::setfont(game->gamefont);
  media::setblend(media::blend::alpha);
  game->resetoptions();
  media::seedrnd(seed);
  return game;
}
