// The match loop: set-up, one match frame in its fixed order, and the pause.
#include "app/fightgame.h"

namespace flopfist {

namespace {

void steeragainst(fightgame& g, man& f, const man& target) {
  const ball& p = target.balls[6];  // computer fighters chase the pelvis
  f.steer(g.ailevel, g.dt, g.playersspeed, p.x, p.y, p.vx, p.vy);
}

// Player keys and computer opponents push their fighters' heads.
void controlfighters(fightgame& g) {
  if (g.gamemode == "1") {
    if (g.outcome != 2) g.player1control();
    for (int i = 2; i <= g.fightercount; ++i) {
      if (!g.fighters[i]->dead) steeragainst(g, *g.fighters[i], *g.fighters[1]);
    }
  } else if (g.gamemode == "2coop") {
    if (g.outcome != 2) {
      g.player1control();
      g.player2control();
    }
    for (int i = 3; i <= g.fightercount; ++i) {
      const int target = g.choosetarget(*g.fighters[i]);
      if (!g.fighters[i]->dead) steeragainst(g, *g.fighters[i], *g.fighters[target]);
    }
  } else if (g.gamemode == "2vs") {
    if (g.outcome != 2) g.player1control();
    if (g.outcome != 1) g.player2control();
  }
}

// Physics and drawing of every fighter; fighter 1 is drawn lowest.
void stepfighters(fightgame& g) {
  const float alpha = float(g.framecount) / 120;  // fade in over the first two seconds
  for (int i = 1; i <= g.fightercount; ++i) {
    man& f = *g.fighters[i];
    f.applygravity(g.gravity);
    f.move(g.dt);
    f.relax(g.dt, g.flexibility);
    f.updatevelocity(g.dt);
    f.keepinarena(g.dt, g.zoom);
    f.draw(alpha, g.zoom);
    f.tickflash();
  }
}

// "4" and "1" held together knock out everybody but fighter 1.
void shortcut(fightgame& g) {
  if (!media::keydown(media::key::digit4) || !media::keydown(media::key::digit1)) return;
  for (int i = 2; i <= g.fightercount; ++i) g.fighters[i]->energy = 0;
}

}  // namespace

int fightgame::playmatch() {
  setupmatch();
  do {
    matchframe();
  } while (matchstate != "end");
  if (matchresult != 3) matchresult = outcome;
  return matchresult;
}

// The order matters: positions are saved before anything pushes them, the camera is set before
// anything is drawn, and the pause and the match flow see the frame's contacts.
void fightgame::matchframe() {
  updatemusic();                                                    // next track when one ends
  shortcut(*this);                                                  // "4" and "1" held
  media::cls();
  slowmostep();                                                     // dt of this frame
  for (int i = 1; i <= fightercount; ++i) fighters[i]->saveposition();
  updatecamera();
  drawbackground();
  setcaptions();                                                    // level or score, "FIGHT!"
  drawcaption();
  controlfighters(*this);                                           // keys and computer pushes
  stepfighters(*this);                                              // physics and drawing
  updatebursts(zoom);
  cyclecolours();
  contactpass();                                                    // blows between fighters
  ++framecount;
  pausecheck();
  matchflow();                                                      // outcome, states, Escape
  slowmopace();                                                     // slowed frames 33 ms apart
  media::flip(-1);
  quitcheck();
}

void fightgame::pausecheck() {
  if (matchstate == "game over" || matchstate == "highscores") return;
  if (media::keyhit(media::key::p) == 0) return;
  // Nothing moves while paused: the last presented frame stays on screen.
  do {
    media::repeatframe();
    quitcheck();
  } while (media::keyhit(media::key::p) == 0 && media::keyhit(media::key::escape) == 0);
}

}  // namespace flopfist
