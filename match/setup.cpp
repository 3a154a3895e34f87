// Match set-up: counters, a fresh particle ring, the fighters of the mode and level, the arena.
#include "app/fightgame.h"

#include <algorithm>
#include <cstdint>

#include "body/util.h"

namespace flopfist {

namespace {
void setcolour(man& f, int r, int g, int b) { f.colour = {0, r, g, b}; }
}  // namespace

void fightgame::setupmatch() {
  matchresult = 0;
  flushmenukeys();
  matchstate = "game";

  maxcombo = 0;
  levelstartscore = int(uint32_t(score));  // the low 32 bits
  comboscore = 0;
  combo = 0;
  slowmoclock = media::millisecs();
  outcome = 0;
  framecount = 0;

  for (int i = 1; i <= 100; ++i) {
    bursts[i] = dotburst{};
    bursts[i].game = this;
  }

  const levelinfo& info = leveltable[std::clamp(level, 1, 20)];  // never index outside the table
  float arena = 0;
  if (gamemode == "2vs") {
    arena = leveltable[1].arenafactor;  // versus always fights in level 1's arena
    fightercount = 2;
  } else {
    arena = info.arenafactor;
    fightercount = info.fighters + (gamemode == "2coop" ? 1 : 0);
  }
  rightwall = arena * 1024 / 2;
  leftwall = -arena * 1024 / 2;
  ceilingy = -arena * 768 / 2;
  floory = arena * 768 / 2;

  for (int i = 1; i < int(fighters.size()); ++i) {
    if (i > fightercount) {
      fighters[i].reset();
      continue;
    }
    fighters[i] = std::make_unique<man>();
    fighters[i]->number = i;
    fighters[i]->game = this;
  }

  if (gamemode == "2vs") {
    for (int i = 1; i <= 2; ++i) fighters[i]->scale = 2.0f;
    fighters[1]->team = 1;
    fighters[2]->team = 0;
    for (int i = 1; i <= 2; ++i) fighters[i]->setup(2);
    setcolour(*fighters[1], 175, 175, 175);
    setcolour(*fighters[2], 65, 65, 65);
    return;
  }

  const int players = gamemode == "2coop" ? 2 : 1;
  for (int i = 1; i <= players; ++i) {
    fighters[i]->scale = 2.0f;
    fighters[i]->team = 1;
  }
  for (int i = players + 1; i <= fightercount; ++i) {
    fighters[i]->scale = info.opponentscale;
    if (level > 10) fighters[i]->robot = 1;
  }
  for (int i = 1; i <= fightercount; ++i) {
    setcolour(*fighters[i], 65, 65, 65);  // a robot's setup repaints it
    fighters[i]->setup(fightercount);
  }
  setcolour(*fighters[1], 175, 175, 175);
  if (players == 2) setcolour(*fighters[2], 255, 255, 255);
}

}  // namespace flopfist
