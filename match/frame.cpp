// One match frame in its fixed order, the slow-motion time step and the scene it leaves to draw.
#include "effects/background.h"
#include "match/match.h"

namespace flopfist {

void match::slowmostep() {
  dt = 1.0f;
  if (slowmotimer >= 0) {
    slowmotimer -= 1;
    dt = 1.0f / (1.0f + float(rules.slowmotion) / 2.5f);  // single precision, like every real of the game
  }
}

void match::startburst(float x, float y, float basevx, float basevy, int count, int plasma, float speed,
                       int robot, int radius) {
  bursts.start(x, y, basevx, basevy, count, plasma, speed, rng, robot, radius);
}

// Physics of every fighter, kept as the frame draws it before its flashes count down and bleed.
// The bodies move independently of each other and of the generator, so all of them are stepped
// first and the bleeding draws its random numbers in the same order as a fighter-by-fighter loop.
void match::stepfighters(bool fallapart) {
  stepbodies(std::span<man>(fighters).subspan(1, size_t(fightercount)), rules.gravity, dt,
             rules.flexibility, fallapart, walls);
  bleeding bleeds;
  for (int i = 1; i <= fightercount; ++i) {
    man& f = fighters[size_t(i)];
    drawnfighters_[size_t(i)] = f;
    f.tickflash(rules.blood, bleeds);
    for (int k = 0; k < bleeds.count; ++k) {
      const bleed& b = bleeds.list[size_t(k)];
      bursts.startbatched(b.x, b.y, b.vx, b.vy, b.drops, 0, 3.0f, rng, f.robot, b.radius);
    }
  }
}

// The order matters: positions are saved before anything pushes them, the camera is set before
// anything is drawn, and the match flow sees the frame's contacts. Every random draw of the frame
// comes from this match's generator in this order.
matchevents match::step(const frameinput& in) {
  matchevents ev;
  overlaycount_ = 0;
  bursts.beginframe();
  if (in.knockout) {                                                // "4" and "1" held
    for (int i = 2; i <= fightercount; ++i) fighters[size_t(i)].energy = 0;
  }
  slowmostep();                                                     // dt of this frame
  for (int i = 1; i <= fightercount; ++i) fighters[size_t(i)].saveposition();
  updatecamera();
  drawnpalette_ = colours;                                          // the arena and caption colours
  setcaptions();                                                    // level or score, "FIGHT!"
  if (message.timer >= 0) message.timer -= 1;
  drawncaption_ = message;
  controlfighters(in);                                              // keys and computer pushes
  drawnalpha_ = float(framecount) / 120;                            // fade in over two seconds
  stepfighters(in.fallapart);                                       // physics, flashes, bleeding
  bursts.update(rng);                                               // drops, then sparks
  colours.cycle(rng);
  contactpass(ev);                                                  // blows between fighters
  ++framecount;
  matchflow(in, ev);                                                // outcome, states, Escape
  return ev;
}

// Fighter 1 is drawn lowest.
void match::draw(const sprites& images) const {
  drawbackground(walls, camera, drawnpalette_);
  drawcaption(drawncaption_, drawnpalette_);
  for (int i = 1; i <= fightercount; ++i) drawnfighters_[size_t(i)].draw(drawnalpha_, camera, images);
  bursts.draw(camera, images);
}

}  // namespace flopfist
