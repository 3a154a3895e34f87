// Start-up with the splash, the main loop, the series loops, the animated palette and the close check.
#include <string>

#include "app/fightgame.h"
#include "media/media.h"

namespace flopfist {

namespace {

constexpr const char* splashcaption = "www.flopfist.example";
constexpr int splashms = 2000;

// A game that cannot find its pictures or sounds cannot run: say which file is missing and stop.
media::image* needimage(const std::string& path) {
  media::image* img = media::loadimage(path);
  if (img == nullptr) media::missingfile(path);
  return img;
}

media::sound* needsound(const std::string& path) {
  media::sound* snd = media::loadsound(path, 0);
  if (snd == nullptr) media::missingfile(path);
  return snd;
}

// The splash frame: the picture, and the web address centred below it.
void drawsplash(fightgame& game) {
  media::setscale(1, 1);
  media::drawimage(game.splashimage, 409, 196);
  media::setcolor(255, 255, 255);
  game.drawcentred(splashcaption, 0.1875f, 500);
}

}  // namespace

void quitcheck() {
  if (media::terminaterequest()) media::endprogram(0);
}

void fightgame::run() {
  startup();
  mainloop();
}

void fightgame::startup() {
  media::settitle("Flopfist");
  for (auto& row : colourspeed) {
    for (float& speed : row) speed = 2.0f;
  }
  media::setimageflags(media::imageflag::masked | media::imageflag::filtered |
                       media::imageflag::mipmapped);
  limbimage = needimage("images/quad280.png");
  media::midhandle(limbimage);
  jointimage = needimage("images/ballimage280.png");
  media::midhandle(jointimage);
  blowsound = needsound("sounds/blow.wav");
  blocksound = needsound("sounds/block.wav");
  splashimage = needimage("images/205275.png");
  sparkimage = needimage("images/spark.png");
  defaultscores();
  loadscores();
  resetoptions();
  loadprefs();
  const int depth = fullscreen == 1 ? 32 : 0;
  media::seedrnd(media::millisecs());
  media::opengraphics(1024, 768, depth, 60);
  gamefont = media::loadfont("images/font.ttf", 200, 4);
  if (gamefont == nullptr) media::missingfile("images/font.ttf");
  media::setfont(gamefont);
  media::setblend(media::blend::alpha);
  if (fullscreen == 1) media::hidemouse();

  drawsplash(*this);
  media::flip(-1);
  quitcheck();

  // Taken before the music loads, so slow loading shortens the wait instead of adding to it.
  const int t0 = media::millisecs();
  for (int t = 1; t <= 4; ++t) {
    musictracks[t] = needsound("music/tt" + std::to_string(t) + ".ogg");
  }
  for (;;) {
    media::cls();
    drawsplash(*this);
    media::flip(-1);
    quitcheck();
    if (media::millisecs() - t0 > splashms) break;
    if (media::keydown(media::key::space) || media::keydown(media::key::enter) ||
        media::keydown(media::key::escape)) {
      break;
    }
  }
  media::setscale(1, 1);
}

void fightgame::mainloop() {
  for (;;) {
    switch (mainmenu()) {
      case menu::play:
        playmodemenu();
        playseries();
        break;
      case menu::options:
        optionsscreen();
        break;
      case menu::controls:
        controlsscreen();
        break;
      case menu::scores:
        scorescreen();
        break;
      case menu::quit:
        return;
      default:
        break;
    }
  }
}

void fightgame::playseries() {
  if (gamemode == "2vs") {
    level = 1;
    wins[1] = 0;
    wins[2] = 0;
    int r = 0;
    do {
      startmusic();
      r = playmatch();
      stopmusic();
      if (r == 1) wins[1] += 1;
      if (r == 2) wins[2] += 1;
    } while (r != 3);
  } else if (gamemode == "1" || gamemode == "2coop") {
    level = 1;
    score = 0;
    int r = 0;
    do {
      startmusic();
      r = playmatch();
      stopmusic();
      if (level >= 20) r = 2;
      level += 1;
    } while (r != 3 && r != 2);
  }
}

void fightgame::cyclecolours() {
  for (int c = 1; c <= colourcount; ++c) {
    for (int k = 1; k <= 3; ++k) {
      if (media::rnd(0, 1000) > 990) colourspeed[c][k] = -colourspeed[c][k];
      if (colours[c][k] > 253) colourspeed[c][k] = -2.0f;
      if (colours[c][k] < 2) colourspeed[c][k] = 2.0f;
      colours[c][k] = int(float(colours[c][k]) + colourspeed[c][k]);
    }
  }
}

}  // namespace flopfist
