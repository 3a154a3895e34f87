// Watching a replay: each frame runs one tick of the match (two at double speed, none while paused):
// a step played out and drawn with the screens over it and the viewer's bar, or a tick it holds
// still for, with the last picture kept on screen as in the game.
#include "app/replayview.h"

#include <cstdio>

#include "app/commandline.h"
#include "body/util.h"
#include "media/controls.h"
#include "match/timeline.h"
#include "media/media.h"
#include "scores/screens.h"

namespace flopfist {

namespace {

bool hit(int key) { return media::keyhit(key) != 0; }

// "1:05" for a number of 60 Hz frames.
void clocktext(char* out, size_t size, int frames) {
  const int seconds = frames / 60;
  std::snprintf(out, size, "%d:%02d", seconds / 60, seconds % 60);
}

}  // namespace

replayview::replayview(fightgame& game, const replay& r) : game_(game), play_(r), music_(game.music) {
  shown_.mode = r.info.mode;
  shown_.level = r.info.level;
  shown_.score = r.startscore;
  shown_.levelstartscore = r.levelstartscore;
  shown_.wins = r.setup.wins;
  for (char c : r.name) shown_.name.type(uint8_t(c));
  table_.rows = r.table;
  barkeys_ = keyname(game.keys.of(action::pause)) +
             " OR START: PAUSE     SPACE OR A: DOUBLE SPEED     RIGHT: NEXT FRAME WHEN PAUSED     ESC OR B: BACK";
  flushmenukeys();
  game_.music.channel = 0;
  if (r.musictrack >= 1) {
    game_.music.track = r.musictrack == 1 ? 4 : r.musictrack - 1;  // startmusic moves on to it
    game_.startmusic();
  }
}

replayview::~replayview() {
  game_.stopmusic();
  game_.music = music_;
}

// A step's picture is drawn when it is taken and shown when the match steps again: while the ticks
// it holds run, the picture before it stays. Double speed runs the held ticks twice as fast too.
bool replayview::frame() {
  game_.updatemusic();
  readkeys();
  if (back_) return false;
  const bool run = (!play_.finished() || held_ > 0) && (!paused_ || stepone_);
  if (!run) {
    media::cls();
    drawscene();
    drawbar();
    if (play_.finished()) drawending();  // after the last step's own frame, shown as it was
    game_.present();
    return true;
  }
  const int ticks = fast_ && !paused_ ? 2 : 1;
  bool drawn = false;
  for (int k = 0; k < ticks; ++k) {
    if (held_ > 0) {
      --held_;
    } else if (!play_.finished()) {
      advance();
      drawn = true;
    }
  }
  if (stepone_) held_ = 0;  // a step asked for while paused shows at once
  if (drawn) drawbar();
  if (held_ > 0) {
    game_.keeppicture();
  } else {
    game_.present();
  }
  return true;
}

// Every key and button is read every frame, so a hit made in one state never acts in a later one.
void replayview::readkeys() {
  namespace pad = media::pad;
  const int pause = media::placehit(game_.keys.of(action::pause)) + padhits(pad::start);
  const int speed = media::keyhit(media::key::space) + padhits(pad::a);
  const int next = media::keyhit(media::key::right) + padhits(pad::right);
  const int escape = media::keyhit(media::key::escape) + padhits(pad::b) + padhits(pad::back);
  const bool enter = hit(media::key::enter);
  if (escape != 0 || (enter && play_.finished())) back_ = true;
  if (pause != 0) {
    paused_ = !paused_;
    held_ = 0;  // the paused frames draw afresh: no held picture waits
  }
  if (speed != 0) fast_ = !fast_;
  stepone_ = paused_ && next != 0;
}

// The live step's order: the scene, the sounds, then the screens over it.
void replayview::advance() {
  const matchevents ev = play_.step();
  const match& m = play_.now();
  media::cls();
  m.draw(game_.art.images);
  game_.playsounds(ev);
  held_ = heldticks(ev, m);
  if (ev.won) shown_.score += ev.levelbonus;
  for (int k = 0; k < m.overlaycount(); ++k) {
    const overlay& o = m.overlayat(k);
    if (o.state == matchstate::gameover) shown_.name.type(play_.typedcode());
    drawoverlay(o);
    if (o.state == matchstate::gameover && ev.scoreentered) {
      table_.add(shown_.name.name(), int64_t(int32_t(uint64_t(shown_.score))));
    }
  }
}

void replayview::drawoverlay(const overlay& o) {
  switch (o.state) {
    case matchstate::levelcompleted:
      drawlevelsummary(play_.now(), shown_, o.elapsed, o.colours);
      break;
    case matchstate::gameover:
      drawgameover(shown_, table_, o.elapsed, o.colours);
      break;
    case matchstate::highscores:
      drawscorerows(table_, o.elapsed, o.colours);
      break;
    default:
      break;
  }
}

void replayview::drawscene() {
  const match& m = play_.now();
  m.draw(game_.art.images);
  for (int k = 0; k < m.overlaycount(); ++k) drawoverlay(m.overlayat(k));
}

// The keys along the foot of the screen; where the replay is, and how it runs, at the top left.
void replayview::drawbar() const {
  const int blend = media::getblend();
  media::setblend(media::blend::alpha);
  media::setscale(1, 1);
  media::setalpha(0.6f);
  media::setcolor(0, 0, 0);
  media::drawrect(0, 738, 1024, 30);
  media::drawrect(0, 0, 330, 30);
  media::setalpha(1);
  media::setcolor(200, 200, 200);
  drawcentred(barkeys_, 0.09f, 741);
  char now[16], total[16], status[64];
  clocktext(now, sizeof now, play_.steps());
  clocktext(total, sizeof total, play_.tape().info.steps);
  const char* how = paused_ ? "PAUSED" : fast_ ? "DOUBLE SPEED" : "";
  std::snprintf(status, sizeof status, "REPLAY  %s / %s  %s", now, total, how);
  media::setscale(0.1f, 0.1f);
  media::drawtext(status, 10, 3);
  media::setscale(1, 1);
  media::setblend(blend);
}

void replayview::drawending() const {
  const int blend = media::getblend();
  media::setblend(media::blend::alpha);
  media::setscale(1, 1);
  media::setalpha(0.75f);
  media::setcolor(0, 0, 0);
  media::drawrect(0, 290, 1024, 190);
  media::setalpha(1);
  media::setcolor(255, 255, 255);
  char detail[160];
  if (play_.verified()) {
    drawcentred("END OF THE REPLAY", 0.3f, 300);
    std::snprintf(detail, sizeof detail, "IT PLAYED EXACTLY AS RECORDED.");
  } else {
    char when[16];
    clocktext(when, sizeof when, play_.strayedat());
    drawcentred("THIS REPLAY WENT WRONG", 0.3f, 300);
    std::snprintf(detail, sizeof detail,
                  "AT %s (FRAME %d) THE MATCH NO LONGER MATCHED ITS RECORD, SO IT WAS STOPPED THERE.", when,
                  play_.strayedat());
  }
  drawcentred(detail, 0.12f, 385);
  drawcentred("ENTER, ESC OR B: BACK", 0.12f, 430);
  media::setscale(1, 1);
  media::setblend(blend);
}

bool fightgame::watchreplay(const replay& r) {
  replayview view(*this, r);
  while (view.frame()) {
  }
  return view.playing().strayedat() == 0;
}

// What is wrong with the file is said on the terminal as well as on the screen.
bool fightgame::watchfile(const std::string& path) {
  const std::string problem = replayfileproblem(path);
  if (!problem.empty()) {
    std::fprintf(stderr, "flopfist: %s\n", problem.c_str());
    messagescreen("THIS REPLAY CANNOT BE SHOWN", problem);
    return false;
  }
  const loadedreplay loaded = loadreplay(path);
  if (loaded.problem != replayproblem::none) {
    std::fprintf(stderr, "flopfist: %s: %s\n", path.c_str(), loaded.message.c_str());
    messagescreen("THIS REPLAY CANNOT BE SHOWN", loaded.message);
    return false;
  }
  return watchreplay(loaded.data);
}

}  // namespace flopfist
