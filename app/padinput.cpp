// The pads beside the keyboard: both pads read at once, and the menus' input from keys, pads and mouse.
#include <cstdio>

#include "app/fightgame.h"
#include "body/util.h"
#include "media/controls.h"
#include "media/window.h"

namespace flopfist {

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

}  // namespace flopfist
