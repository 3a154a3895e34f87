// The match loop: set-up, one frame from input to present, the pause, and the events played out.
#include "app/fightgame.h"
#include "media/random.h"
#include "scores/screens.h"

#include <algorithm>

namespace flopfist {

namespace {
constexpr double slowframems = 1000.0 / 30;  // slowed frames run at most 30 per second
constexpr int pacestepms = 5;                // sleep in small steps, re-reading the clock

int64_t toppoints(const scoretable& table) {
  int64_t top = 0;
  for (const scoreentry& row : table.rows) top = std::max(top, row.points);
  return top;
}
}  // namespace

result fightgame::playmatch() {
  beginmatch();
  do {
    matchframe();
  } while (playing->state != matchstate::end);
  endmatch();
  return playing->ending();
}

void fightgame::beginmatch() {
  flushmenukeys();
  current.levelstartscore = int(uint32_t(current.score));  // the low 32 bits
  slowmoclock = media::millisecs();
  matchsetup setup;
  setup.mode = current.mode;
  setup.level = current.level;
  setup.wins = current.wins;
  setup.rules = settings;
  setup.carried = carried;
  setup.rng = media::sharedgenerator();
  setup.colours = colours;
  playing.emplace(setup);
  taping.begin(setup, current, scores, music.track);
}

void fightgame::endmatch() {
  keepreplay();
  media::sharedgenerator() = playing->rng;
  colours = playing->colours;
  carried = playing->leftover();
}

frameinput fightgame::takeinput() const {
  namespace key = media::key;
  auto held = [](int k) { return media::keydown(k); };
  frameinput in;
  in.player[1] = {held(key::up), held(key::down), held(key::left), held(key::right)};
  in.player[2] = {held(key::w), held(key::s), held(key::a), held(key::d)};
  in.knockout = held(key::digit4) && held(key::digit1);
  in.fallapart = held(key::digit1) && held(key::digit8);
  in.enter = held(key::enter);
  in.space = held(key::space);
  in.escape = held(key::escape);
  return in;
}

// The frame's order: the input is taken before the pause, so the bodies move on the keys held when
// P was hit; the keys that leave a match are read again after it, so Escape can leave both. The
// recorder keeps the snapshot the step takes.
void fightgame::matchframe() {
  match& m = *playing;
  updatemusic();                                                    // next track when one ends
  frameinput in = takeinput();
  pausecheck(in);
  taping.add(in);
  media::cls();
  const matchevents ev = m.step(in);
  taping.stepped(m);
  m.draw(art.images);
  play(ev);                                                         // sounds, hit pauses, bonus
  drawoverlays(ev);                                                 // summary, GAME OVER, table
  slowmopace();                                                     // slowed frames 33 ms apart
  drawreplaynote();
  media::flip(-1);
  quitcheck();
}

void fightgame::pausecheck(frameinput& in) {
  const matchstate s = playing->state;
  if (s == matchstate::gameover || s == matchstate::highscores) return;
  if (media::keyhit(media::key::p) == 0) return;
  // Nothing moves while paused: the last presented frame stays on screen.
  do {
    media::repeatframe();
    quitcheck();
  } while (media::keyhit(media::key::p) == 0 && media::keyhit(media::key::escape) == 0);
  in.enter = media::keydown(media::key::enter);
  in.space = media::keydown(media::key::space);
  in.escape = media::keydown(media::key::escape);
}

void fightgame::play(const matchevents& ev) {
  for (int k = 0; k < ev.soundcount; ++k) {
    playeffect(ev.sounds[size_t(k)] == sound::blow ? art.blowsound : art.blocksound);
  }
  for (int k = 0; k < ev.hitpauses; ++k) media::delay(hitpausems);
  if (ev.won) current.score = current.score + ev.levelbonus;
}

// Each screen flushes the menu keys as it is drawn, so a key that closes it cannot act later.
void fightgame::drawoverlays(const matchevents& ev) {
  const match& m = *playing;
  for (int k = 0; k < m.overlaycount(); ++k) {
    const overlay& o = m.overlayat(k);
    switch (o.state) {
      case matchstate::levelcompleted:
        flushmenukeys();
        drawlevelsummary(m, current, o.elapsed, o.colours);
        break;
      case matchstate::gameover: {
        if (o.elapsed <= 2) flushmenukeys();
        const int typed = media::nextchar();  // one typed character a frame
        current.name.type(typed);
        taping.typed(typed);
        drawgameover(current, scores, o.elapsed, o.colours);
        if (ev.scoreentered) {
          const int64_t best = toppoints(scores);
          scores.add(current.name.name(), int64_t(int32_t(uint64_t(current.score))));
          savescores();
          if (toppoints(scores) > best) taping.markbest();  // its replay is kept as the best
        }
        break;
      }
      case matchstate::highscores:
        flushmenukeys();
        drawscorerows(scores, o.elapsed, o.colours);
        break;
      default:
        break;
    }
  }
}

void fightgame::slowmopace() { paceslowmotion(playing->slowmotimer, slowmoclock); }

void paceslowmotion(float slowmotimer, int& clock) {
  if (slowmotimer < 0) return;
  for (;;) {
    const int waited = media::millisecs() - clock;
    if (waited >= slowframems) break;
    const int wait = int(slowframems - waited) + 1;
    media::delay(std::clamp(wait, 1, pacestepms));
  }
  clock = media::millisecs();
}

}  // namespace flopfist
