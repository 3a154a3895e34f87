// Match set-up: counters, a fresh particle ring, the fighters of the mode and level, the arena.
#include <algorithm>

#include "match/match.h"

namespace flopfist {

namespace {
void setcolour(man& f, int r, int g, int b) { f.colour = {0, r, g, b}; }
}  // namespace

match::match(const matchsetup& setup)
    : mode(setup.mode), level(setup.level), wins(setup.wins), rules(setup.rules), rng(setup.rng),
      colours(setup.colours) {
  const carryover& c = setup.carried;
  std::copy(&c.contactwait[0][0], &c.contactwait[0][0] + 100, &contactwait[0][0]);
  std::copy(&c.sparkwait[0][0], &c.sparkwait[0][0] + 100, &sparkwait[0][0]);
  std::copy(&c.blowwait[0][0], &c.blowwait[0][0] + 100, &blowwait[0][0]);
  slowmotimer = c.slowmotimer;
  message = c.message;
  camera = c.camera;
  bursts.setcursor(c.burstcursor);

  const levelinfo& info = leveltable[size_t(std::clamp(level, 1, 20))];  // never outside the table
  float size = 0;
  if (mode == gamemode::versus) {
    size = leveltable[1].arenafactor;  // versus always fights in level 1's arena
    fightercount = 2;
  } else {
    size = info.arenafactor;
    fightercount = info.fighters + (mode == gamemode::coop ? 1 : 0);
  }
  walls = {-size * 1024 / 2, size * 1024 / 2, -size * 768 / 2, size * 768 / 2};
  for (int i = 1; i <= fightercount; ++i) fighters[size_t(i)].number = i;

  if (mode == gamemode::versus) {
    for (int i = 1; i <= 2; ++i) fighters[size_t(i)].scale = 2.0f;
    fighters[1].team = 1;
    fighters[2].team = 0;
    for (int i = 1; i <= 2; ++i) fighters[size_t(i)].setup(2, rng);
    setcolour(fighters[1], 175, 175, 175);
    setcolour(fighters[2], 65, 65, 65);
    return;
  }

  const int playercount = mode == gamemode::coop ? 2 : 1;
  for (int i = 1; i <= playercount; ++i) {
    fighters[size_t(i)].scale = 2.0f;
    fighters[size_t(i)].team = 1;
  }
  for (int i = playercount + 1; i <= fightercount; ++i) {
    fighters[size_t(i)].scale = info.opponentscale;
    if (level > 10) fighters[size_t(i)].robot = 1;
  }
  for (int i = 1; i <= fightercount; ++i) {
    setcolour(fighters[size_t(i)], 65, 65, 65);  // a robot's setup repaints it
    fighters[size_t(i)].setup(fightercount, rng);
  }
  setcolour(fighters[1], 175, 175, 175);
  if (playercount == 2) setcolour(fighters[2], 255, 255, 255);
}

carryover match::leftover() const {
  carryover c;
  std::copy(&contactwait[0][0], &contactwait[0][0] + 100, &c.contactwait[0][0]);
  std::copy(&sparkwait[0][0], &sparkwait[0][0] + 100, &c.sparkwait[0][0]);
  std::copy(&blowwait[0][0], &blowwait[0][0] + 100, &c.blowwait[0][0]);
  c.slowmotimer = slowmotimer;
  c.message = message;
  c.burstcursor = bursts.cursor();
  c.camera = camera;
  return c;
}

}  // namespace flopfist
