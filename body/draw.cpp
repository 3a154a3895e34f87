// Drawing a fighter: limbs and balls in a fixed order, wrist links in the damage colour.
#include <algorithm>
#include <cmath>

#include "body/man.h"
#include "body/util.h"
#include "media/media.h"

namespace flopfist {

namespace {
// Robot end pieces are squares turned with the limb they hang from.
bool endpiece(int index) {
  return index == 16 || index == 20 || index == 24 || index == bodyball::foota || index == bodyball::footb;
}

// The ball each end piece hangs from, so the square turns with its limb.
int endpiecebase(int index) {
  switch (index) {
    case 20: return 19;
    case 24: return 23;
    case bodyball::foota: return 1;
    case bodyball::footb: return 11;
    default: return 15;
  }
}
}  // namespace

// Limb roots and spine lowest, then neck and head, arm A, arm B, leg B and leg A on top.
// Positive: ball number; zero or negative: link number negated.
const std::array<int, 51> drawsequence{
    -19, -15, -10, -5, -4, 6,  -11, 12, -12, 13, -13, 14,  -14, 15,  16, -16, 17,
    -17, 18,  19,  20, -18, -20, 21, -21, 22, 23, 24,  -22, -6,  7,  -7,  8,  -8,
    9,   -9,  10,  11, 26, -24, -3, 5,   -2, 4,  -1, 3,   0,   2,   1,  25,  -23,
};

void man::draw(float alpha, const view& v, const sprites& images) const {
  const std::array<int, 4> tint =
      robot ? std::array<int, 4>{0, 255, 255, 0} : std::array<int, 4>{0, 255, 0, 0};
  // The wrist links fade toward the tint as energy is lost; a blow can take energy below zero,
  // and an unbuilt fighter has no maximum, so the lost fraction is kept within 0..1.
  float lost = maxenergy > 0 ? 1.0f - energy / maxenergy : 0.0f;
  lost = std::clamp(lost, 0.0f, 1.0f);
  std::array<int, 4> damage{};
  for (int c = 1; c <= 3; ++c) {
    const float k = float(colour[c]);
    damage[c] = int(k - k * lost + lost * float(tint[c]));
  }

  media::setalpha(alpha);
  for (const int item : drawsequence) {
    if (item > 0) {
      drawball(item, v, images);
    } else if (!dead) {
      const int k = -item;
      drawlimb(k, (k == 18 || k == 22) ? damage : colour, v, images);
    }
  }
  media::setalpha(1);
}

void man::drawlimb(int k, const std::array<int, 4>& c, const view& v, const sprites& images) const {
  media::setcolor(c[1], c[2], c[3]);
  const ball& a = balls[bodylinks[size_t(k)].a];
  const ball& b = balls[bodylinks[size_t(k)].b];
  const float dx = b.x - a.x, dy = b.y - a.y;
  const float len = std::sqrt(dx * dx + dy * dy);
  media::setrotation(atan2deg(dy, dx));
  // The quad image is 280 pixels square: stretched to the link's length and 4*limbwidth thick.
  media::setscale(len * v.zoom / 280.0f, limbwidth * v.zoom / 70.0f);
  const float mx = (screenx(a.x, v) + screenx(b.x, v)) / 2;
  const float my = (screeny(a.y, v) + screeny(b.y, v)) / 2;
  media::drawimage(images.limb, mx, my, 0);
  media::setscale(1, 1);
  media::setrotation(0);
}

// A ball in its colour, flashing toward the hit colour; a robot's end pieces are squares.
void man::drawball(int index, const view& v, const sprites& images) const {
  const ball& b = balls[size_t(index)];
  const std::array<int, 4> flashcolour =
      robot ? std::array<int, 4>{0, 255, 255, 0} : std::array<int, 4>{0, 222, 0, 0};
  std::array<int, 4> shown{};
  for (int c = 1; c <= 3; ++c) {
    const int k = colour[c];
    shown[c] = int(float(k - k * b.flash / 60) + float(b.flash * flashcolour[c]) / 60.0f);
  }
  media::setcolor(shown[1], shown[2], shown[3]);
  if (robot && endpiece(index)) {
    const ball& base = balls[size_t(endpiecebase(index))];
    media::setrotation(atan2deg(b.y - base.y, b.x - base.x));
    const float s = 0.886f * 2.0f * b.drawradius * v.zoom / 280.0f;  // same area as the round ball
    media::setscale(s, s);
    media::drawimage(images.limb, screenx(b.x, v), screeny(b.y, v), 0);
    media::setscale(1, 1);
    media::setrotation(0);
  } else {
    const float s = 2.0f * b.drawradius * v.zoom / 300.0f;
    media::setscale(s, s);
    media::drawimage(images.joint, screenx(b.x, v), screeny(b.y, v), 0);
    media::setscale(1, 1);
  }
  media::setcolor(255, 255, 255);
}

}  // namespace flopfist
