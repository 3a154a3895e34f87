// The end of every frame: the pads' news as a note, the frame presented, fullscreen switched, and
// the window's close request answered.
#include <cstdio>

#include "app/fightgame.h"
#include "body/util.h"
#include "media/controls.h"
#include "media/window.h"

namespace flopfist {

namespace {
constexpr int noteframes = 180;  // three seconds
constexpr float notescale = 0.13f;
constexpr float notey = 736;
constexpr int pointeridlems = 2000;
}  // namespace

int fightgame::takenotices() {
  int lost = 0;
  media::padnotice n;
  while (media::nextpadnotice(n)) {
    char* text = note.text.data();
    const size_t size = note.text.size();
    switch (n.what) {
      case media::padnotice::joined:
        std::snprintf(text, size, "GAMEPAD CONNECTED: PLAYER %d", n.player);
        break;
      case media::padnotice::returned:
        std::snprintf(text, size, "PLAYER %d'S GAMEPAD IS BACK", n.player);
        break;
      case media::padnotice::lost:
        std::snprintf(text, size, "PLAYER %d'S GAMEPAD WAS UNPLUGGED", n.player);
        lost = n.player;
        break;
      case media::padnotice::ignored:
        std::snprintf(text, size, "A THIRD GAMEPAD IS IGNORED: TWO AT MOST");
        break;
    }
    note.frames = noteframes;
  }
  return lost;
}

// A dark band across the foot of the screen with the note in white, whatever is under it.
void fightgame::drawnote() {
  if (note.frames <= 0 || art.font == nullptr) return;
  --note.frames;
  const int blend = media::getblend();
  const float alpha = media::getalpha();
  media::setblend(media::blend::alpha);
  media::setrotation(0);
  media::setscale(1, 1);
  media::setalpha(0.75f);
  media::setcolor(0, 0, 0);
  media::drawrect(0, notey - 4, 1024, 768 - notey + 4);
  media::setalpha(1);
  media::setcolor(255, 255, 255);
  drawcentred(note.text.data(), notescale, notey);
  media::setscale(1, 1);
  media::setalpha(alpha);
  media::setblend(blend);
}

int fightgame::present() {
  drawnote();
  media::flip(-1);
  return aftershow();
}

int fightgame::keeppicture() {
  media::repeatframe();
  return aftershow();
}

// What every tick answers after its present, whatever it showed.
int fightgame::aftershow() {
  closecheck();
  fullscreencheck();
  media::pointerrule(inmatch, pointeridlems);  // hidden in a match and when left still
  return takenotices();
}

// F11 or Alt+Enter at any moment: the window goes fullscreen or back, and the option follows.
void fightgame::fullscreencheck() {
  if (!media::fullscreenasked()) return;
  settings.fullscreen = media::fullscreen() ? 0 : 1;
  media::setfullscreen(settings.fullscreen == 1);
  saveprefs();
}

// Closing the window mid-match keeps its replay as if Escape had left it: one more step with
// Escape, recorded like any other, so the replay plays to the same end.
void fightgame::closecheck() {
  if (!media::terminaterequest()) return;
  if (inmatch && playing && playing->state != matchstate::end) {
    frameinput in;
    in.escape = true;
    taping.add(in);
    playing->step(in);
    taping.stepped(*playing);
    keepreplay(*playing);
  }
  media::endprogram(0);
}

}  // namespace flopfist
