// The pads beside the keyboard: both pads read at once, the notes of pads coming and going, and
// the end of every frame that shows them.
#include <cstdio>

#include "app/fightgame.h"
#include "body/util.h"
#include "media/controls.h"
#include "media/desktop.h"

namespace flopfist {

namespace {
constexpr int noteframes = 180;  // three seconds
constexpr float notescale = 0.13f;
constexpr float notey = 736;
constexpr int pointeridlems = 2000;
}  // namespace

int padhits(int button) {
  return media::padhit(1, button) + media::padhit(2, button);  // both read every time
}

bool padsheld(int button) {
  return media::padheld(1, button) || media::padheld(2, button);
}

directions padsteer(int player) {
  namespace pad = media::pad;
  return {media::padheld(player, pad::up), media::padheld(player, pad::down),
          media::padheld(player, pad::left), media::padheld(player, pad::right)};
}

menuinput readmenu() {
  namespace key = media::key;
  namespace pad = media::pad;
  menuinput m;
  m.up = media::keyhit(key::up) + padhits(pad::up);
  m.down = media::keyhit(key::down) + padhits(pad::down);
  m.left = media::keyhit(key::left) + padhits(pad::left);
  m.right = media::keyhit(key::right) + padhits(pad::right);
  const int choose = media::keyhit(key::enter) + media::keyhit(key::space) + padhits(pad::a);
  const int back = media::keyhit(key::escape) + padhits(pad::b) + padhits(pad::back) +
                   media::mouseclicks(media::mouse::right) + media::mouseclicks(media::mouse::back);
  m.choose = choose != 0;
  m.back = back != 0;
  m.moved = media::mousemoved();
  m.clicked = media::mouseclicks(media::mouse::left) != 0;
  m.wheel = media::mousewheel();
  if (!media::mouseat(m.mousex, m.mousey)) m.mousex = m.mousey = -1;
  return m;
}

int pointedentry(const menuinput& in, const float* ys, int count, float height) {
  if (in.mousey < 0) return 0;
  for (int k = 0; k < count; ++k) {
    if (in.mousey >= ys[k] && in.mousey < ys[k] + height) return k + 1;
  }
  return 0;
}

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
    keepreplay();
  }
  media::endprogram(0);
}

}  // namespace flopfist
