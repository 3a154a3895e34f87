// One point mass: motion step, wall contacts, hit flash, bleeding and drawing.
#include "body/ball.h"

#include <cmath>

#include "app/fightgame.h"
#include "body/man.h"
#include "body/util.h"
#include "media/media.h"

namespace flopfist {

void ball::emitblood(float intensity) {
  const int count = int(std::floor(float(game->blood) * 10.0f * intensity));
  game->startburst(x, y, vx / 35.0f, vy / 35.0f, count, 0, 3.0f, owner->robot, int(radius));
}

void ball::tickflash() {
  if (flash > 0) --flash;
  // A fresh hit keeps bleeding, less each frame, for the first ten frames of the flash.
  if (flash > 50) emitblood(float(flash - 50) / 50.0f);
}

void ball::updatevelocity(float dt) {
  vx = (x - oldx) / dt;
  vy = (y - oldy) / dt;
}

void ball::saveposition() {
  oldx = x;
  oldy = y;
}

void ball::draw(const std::array<int, 4>& colour, float zoom) {
  const std::array<int, 4> flashcolour =
      owner->robot ? std::array<int, 4>{0, 255, 255, 0} : std::array<int, 4>{0, 222, 0, 0};
  std::array<int, 4> shown{};
  for (int c = 1; c <= 3; ++c) {
    const int k = colour[c];
    shown[c] = int(float(k - k * flash / 60) + float(flash * flashcolour[c]) / 60.0f);
  }
  media::setcolor(shown[1], shown[2], shown[3]);
  const bool endpiece = index == 16 || index == 20 || index == 24 || index == 25 || index == 26;
  if (owner->robot && endpiece) {
    drawendpiece(colour, zoom);
  } else {
    const float s = 2.0f * drawradius * zoom / 300.0f;
    media::setscale(s, s);
    media::drawimage(game->jointimage, screenx(x, game->camerax, zoom),
                     screeny(y, game->cameray, zoom), 0);
    media::setscale(1, 1);
  }
  media::setcolor(255, 255, 255);
}

void ball::drawendpiece(const std::array<int, 4>&, float zoom) {
  // The ball each end piece hangs from, so the square turns with its limb.
  int baseindex = 15;
  switch (index) {
    case 20: baseindex = 19; break;
    case 24: baseindex = 23; break;
    case 25: baseindex = 1; break;
    case 26: baseindex = 11; break;
    default: baseindex = 15; break;
  }
  const ball& base = owner->balls[baseindex];
  media::setrotation(atan2deg(y - base.y, x - base.x));
  const float s = 0.886f * 2.0f * drawradius * zoom / 280.0f;  // same area as the round ball
  media::setscale(s, s);
  media::drawimage(game->limbimage, screenx(x, game->camerax, zoom),
                   screeny(y, game->cameray, zoom), 0);
  media::setscale(1, 1);
  media::setrotation(0);
}

void ball::move(float dt) {
  x += dt * vx;
  y += dt * vy;
}

void ball::applygravity(int g) { vy += 0.04f * float(g); }

int ball::keepinarena() {
  const float r = drawradius;
  int code = 0;
  if (x > game->rightwall - r) {
    x = game->rightwall - r;
    vx = -0.5f * vx;
    vy = 0.5f * vy;
    code = 3;
  }
  if (x < game->leftwall + r) {
    x = game->leftwall + r;
    vx = -0.5f * vx;
    vy = 0.5f * vy;
    code = 4;
  }
  if (y > game->floory - r) {
    y = game->floory - r;
    vy = -0.5f * vy;
    vx = 0.5f * vx;
    code = 1;
  }
  if (y < game->ceilingy + r) {
    y = game->ceilingy + r;
    vy = -0.5f * vy;
    vx = 0.5f * vx;
    code = 2;
  }
  return code;
}

}  // namespace flopfist
