// Drawing a fighter: limbs and balls in a fixed order, wrist links in the damage colour.
#include <algorithm>
#include <cmath>

#include "app/fightgame.h"
#include "body/man.h"
#include "body/util.h"
#include "media/media.h"

namespace flopfist {

// Limb roots and spine lowest, then neck and head, arm A, arm B, leg B and leg A on top.
// Positive: ball number; zero or negative: link number negated.
const std::array<int, 51> drawsequence{
    -19, -15, -10, -5, -4, 6,  -11, 12, -12, 13, -13, 14,  -14, 15,  16, -16, 17,
    -17, 18,  19,  20, -18, -20, 21, -21, 22, 23, 24,  -22, -6,  7,  -7,  8,  -8,
    9,   -9,  10,  11, 26, -24, -3, 5,   -2, 4,  -1, 3,   0,   2,   1,  25,  -23,
};

void man::draw(float alpha, float zoom) {
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
      balls[item].draw(colour, zoom);
    } else if (!dead) {
      const int k = -item;
      drawlimb(k, (k == 18 || k == 22) ? damage : colour, zoom);
    }
  }
  media::setalpha(1);
}

void man::drawlimb(int k, const std::array<int, 4>& c, float zoom) {
  media::setcolor(c[1], c[2], c[3]);
  const ball& a = balls[links[k].a];
  const ball& b = balls[links[k].b];
  const float dx = b.x - a.x, dy = b.y - a.y;
  const float len = std::sqrt(dx * dx + dy * dy);
  media::setrotation(atan2deg(dy, dx));
  // The quad image is 280 pixels square: stretched to the link's length and 4*limbwidth thick.
  media::setscale(len * zoom / 280.0f, limbwidth * zoom / 70.0f);
  const float mx = (screenx(a.x, game->camerax, zoom) + screenx(b.x, game->camerax, zoom)) / 2;
  const float my = (screeny(a.y, game->cameray, zoom) + screeny(b.y, game->cameray, zoom)) / 2;
  media::drawimage(game->limbimage, mx, my, 0);
  media::setscale(1, 1);
  media::setrotation(0);
}

}  // namespace flopfist
