// Start-up with the splash, the main loop, the series loops, the animated palette and the close check.
#include <cstdio>
#include <string>

#include "app/fightgame.h"
#include "media/controls.h"
#include "media/paths.h"
#include "media/window.h"
#include "media/media.h"
#include "media/random.h"
#include "body/util.h"
#include "match/timeline.h"

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
void drawsplash(const assets& art) {
  media::setscale(1, 1);
  media::drawimage(art.splash, 409, 196);
  media::setcolor(255, 255, 255);
  drawcentred(splashcaption, 0.1875f, 500);
}

}  // namespace

void quitcheck() {
  if (media::terminaterequest()) media::endprogram(0);
}

void flushmenukeys() {
  while (media::nextchar() != 0) {
  }
  for (int k : {media::key::p, media::key::enter, media::key::escape, media::key::space,
                media::key::left, media::key::right, media::key::up, media::key::down}) {
    while (media::keyhit(k) != 0) {
    }
  }
  media::flushplaces();  // the pause key, wherever it is bound
  media::flushpads();
  media::flushmouse();
  media::unlatch();
}

void fightgame::run() {
  startup();
  mainloop();
}

void fightgame::startup() {
  media::settitle("Flopfist");
  for (auto& row : colours.speeds) {
    for (float& speed : row) speed = 2.0f;
  }
  media::setimageflags(media::imageflag::masked | media::imageflag::filtered |
                       media::imageflag::mipmapped);
  art.images.limb = needimage("images/quad280.png");
  media::midhandle(art.images.limb);
  art.images.joint = needimage("images/ballimage280.png");
  media::midhandle(art.images.joint);
  art.blowsound = needsound("sounds/blow.wav");
  art.blocksound = needsound("sounds/block.wav");
  art.splash = needimage("images/205275.png");
  art.images.spark = needimage("images/spark.png");
  scores.defaults();
  loadscores();
  settings = options{};
  loadprefs();
  loadkeys();
  const int depth = settings.fullscreen == 1 ? 32 : 0;
  media::seedrnd(media::millisecs());
  media::opengraphics(1024, 768, depth, 60);
  art.font = media::loadfont("images/font.ttf", 200, 4);
  if (art.font == nullptr) media::missingfile("images/font.ttf");
  media::setfont(art.font);
  media::setblend(media::blend::alpha);
  // Shown at the foot of the menus: nothing the player changes could be kept.
  const std::string unwritable = media::folderproblem();
  if (!unwritable.empty()) {
    std::snprintf(note.text.data(), note.text.size(), "%s", unwritable.c_str());
    note.frames = 600;
  }

  drawsplash(art);
  media::flip(-1);
  quitcheck();

  // Taken before the music loads, so slow loading shortens the wait instead of adding to it. The
  // browser fetches the tracks after this first frame: a match starts its track once it is there.
  const int t0 = media::millisecs();
  for (int t = 1; t <= 4; ++t) {
    art.music[size_t(t)] = media::loadlatesound("music/tt" + std::to_string(t) + ".ogg");
  }
  for (;;) {
    media::cls();
    drawsplash(art);
    media::flip(-1);
    quitcheck();
    if (media::millisecs() - t0 > splashms) break;
    if (media::keydown(media::key::space) || media::keydown(media::key::enter) ||
        media::keydown(media::key::escape) || padsheld(media::pad::a) ||
        padsheld(media::pad::b) || padsheld(media::pad::start)) {
      break;
    }
  }
  media::setscale(1, 1);
}

void fightgame::mainloop() {
  for (;;) {
    switch (mainmenu()) {
      case menuchoice::play:
        if (const auto mode = playmodemenu()) {
          current.mode = *mode;
          playseries();
        }
        break;
      case menuchoice::options:
        optionsscreen();
        break;
      case menuchoice::controls:
        controlsscreen();
        break;
      case menuchoice::scores:
        scorescreen();
        break;
      case menuchoice::quit:
        return;
    }
  }
}

void fightgame::playseries() {
  if (current.mode == gamemode::versus) {
    current.level = 1;
    current.wins[1] = 0;
    current.wins[2] = 0;
    result r = result::left;
    do {
      startmusic();
      r = playmatch();
      stopmusic();
      countresult(current.wins, r);
    } while (r != result::left);
    return;
  }
  current.level = 1;
  current.score = 0;
  result r = result::left;
  do {
    startmusic();
    r = playmatch();
    stopmusic();
    if (current.level >= 20) r = result::second;
    current.level += 1;
  } while (r != result::left && r != result::second);
}

void fightgame::cyclecolours() { colours.cycle(media::sharedgenerator()); }

}  // namespace flopfist
