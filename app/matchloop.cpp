// The match loop: set-up, one frame from input to present, the pause, and the events played out.
#include "app/fightgame.h"
#include "body/util.h"
#include "media/controls.h"
#include "media/window.h"
#include "match/timeline.h"
#include "media/random.h"
#include "replay/folder.h"
#include "scores/screens.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

namespace flopfist {

namespace {
constexpr int notekeptframes = 300;          // a replay not saved: the note's five seconds

// Player 2 has a fighter only in the two-player modes; a lost pad of nobody's pauses nothing.
bool steers(const match& m, int player) {
  return player == 1 || (player == 2 && m.mode != gamemode::single);
}

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
  } while (playing->state != matchstate::end || held > 0);  // the last picture shown after its pause
  endmatch();
  return playing->ending();
}

void fightgame::beginmatch() {
  flushmenukeys();
  inmatch = true;
  lostpad = 0;
  held = 0;
  current.levelstartscore = int(uint32_t(current.score));  // the low 32 bits
  const matchsetup setup = nextsetup();
  playing.emplace(setup);
  taping.begin(setup, current, scores, music.track);
}

matchsetup fightgame::nextsetup() const {
  matchsetup setup;
  setup.mode = current.mode;
  setup.level = current.level;
  setup.wins = current.wins;
  setup.rules = settings;
  setup.carried = carried;
  setup.rng = media::sharedgenerator();
  setup.colours = colours;
  return setup;
}

// What the next match takes from this one, as a series over the link takes it too.
void fightgame::endmatch() {
  inmatch = false;
  keepreplay(*playing);
  const matchsetup next = nextmatch(*playing);
  media::sharedgenerator() = next.rng;
  colours = next.colours;
  carried = next.carried;
}

// After the score and the settings are safe: a replay that cannot be written only leaves a note.
void fightgame::keepreplay(const match& ended) {
  if (flopfist::keepreplay(taping, ended, current.score)) return;
  std::snprintf(note.text.data(), note.text.size(), "%s",
                "THE REPLAY OF THAT MATCH COULD NOT BE SAVED (IS THE DISK FULL?)");
  note.frames = notekeptframes;
}

// A player's bound keys and pad steer together: a direction is held when either holds it. A key
// tapped and let go since the last snapshot counts as held in this one, so no tap is lost.
frameinput fightgame::takeinput() const {
  namespace key = media::key;
  namespace pad = media::pad;
  auto held = [](int k) { return media::keydown(k); };
  auto padlatched = [](int button) {
    return media::padlatched(1, button) || media::padlatched(2, button);
  };
  frameinput in;
  for (int p = 1; p <= 2; ++p) {
    const size_t first = p == 2 ? size_t(action::p2up) : size_t(action::p1up);
    auto bound = [&](size_t k) {
      return media::placelatched(keys.places[first + k]) ||
             media::padlatched(p, pad::up + int(k));
    };
    in.player[size_t(p)] = {bound(0), bound(1), bound(2), bound(3)};
  }
  in.knockout = held(key::digit4) && held(key::digit1);
  in.fallapart = held(key::digit1) && held(key::digit8);
  in.enter = media::keylatched(key::enter) || padlatched(pad::a);
  in.space = media::keylatched(key::space);
  in.escape = media::keylatched(key::escape) || padlatched(pad::b) || padlatched(pad::back);
  media::unlatch();
  return in;
}

// One tick. While the match holds still after a step (a hit pause, a slowed frame's second tick),
// the picture shown before that step stays on screen and nothing is read: the latches keep every
// key tapped meanwhile for the next step, as they did when the loop slept. The step's own picture
// shows on the last tick held.
// A step's order: the input is taken before the pause, so the bodies move on the keys held when
// P was hit; the keys that leave a match are read again after it, so Escape can leave both. The
// recorder keeps the snapshot the step takes.
void fightgame::matchframe() {
  updatemusic();  // next track when one ends
  if (held > 0) {
    --held;
    showtick();
    return;
  }
  match& m = *playing;
  frameinput in = takeinput();
  pausecheck(in);
  if (in.escape && !confirmleave()) in.escape = false;  // the match sees only a confirmed Escape
  taping.add(in);
  media::cls();
  const matchevents ev = m.step(in);
  taping.stepped(m);
  m.draw(art.images);
  if (labelsshown()) drawlabels();                                  // P1 and P2, the first seconds
  play(ev);                                                         // sounds, bonus
  drawoverlays(ev);                                                 // summary, GAME OVER, table
  held = heldticks(ev, m);
  showtick();
}

// The picture drawn is presented once the match steps again; until then the last one stays.
void fightgame::showtick() {
  const int lost = held > 0 ? keeppicture() : present();  // and the pads' news
  if (lost != 0 && steers(*playing, lost)) lostpad = lost;
}

// The pause key or Start pauses, under a PAUSED banner; so does a player's pad leaving, with a
// note saying whose it was. The same keys go on; Escape, B or Back leave.
void fightgame::pausecheck(frameinput& in) {
  namespace pad = media::pad;
  const matchstate s = playing->state;
  if (s == matchstate::gameover || s == matchstate::highscores) return;
  const int asked = media::placehit(keys.of(action::pause)) + padhits(pad::start);
  if (asked == 0 && lostpad == 0) return;
  int padleave = 0;
  // Made once, so the frames of the pause make no new strings.
  const std::string goon =
      "START OR " + keyname(keys.of(action::pause)) + ": GO ON      ESCAPE, B OR BACK: LEAVE";
  for (;;) {
    // Nothing moves while paused: the frozen match is drawn again under the banner.
    if (lostpad != 0) {
      char who[48];
      const bool back = media::padconnected(lostpad);
      std::snprintf(who, sizeof who, back ? "PLAYER %d'S GAMEPAD IS BACK" : "PLAYER %d LOST THE GAMEPAD",
                    lostpad);
      drawbanner(who, goon);
    } else {
      drawbanner("PAUSED", goon);
    }
    const int lost = present();
    if (lost != 0 && steers(*playing, lost)) lostpad = lost;
    const int resume = media::placehit(keys.of(action::pause)) + padhits(pad::start);
    const int leave = media::keyhit(media::key::escape);
    padleave = padhits(pad::b) + padhits(pad::back);
    if (resume != 0 || leave != 0 || padleave != 0) break;
  }
  lostpad = 0;
  in.enter = media::keylatched(media::key::enter) || padsheld(pad::a);
  in.space = media::keylatched(media::key::space);
  in.escape = media::keylatched(media::key::escape) || padleave != 0;
  media::unlatch();
}

// In a one-player or co-op campaign with points on the board, one stray Escape must not throw the
// run away: the match waits under a question. Escape, B or Back again leave; any other key or
// button goes on. Versus, or a run with nothing to lose yet, leaves at once.
bool fightgame::confirmleave() {
  namespace pad = media::pad;
  const match& m = *playing;
  const bool campaign = m.mode == gamemode::single || m.mode == gamemode::coop;
  const bool points = current.score > 0 || m.comboscore > 0;
  const bool midgame = m.state == matchstate::game || m.state == matchstate::tellresult ||
                       m.state == matchstate::levelcompleted;
  if (!campaign || !points || !midgame) return true;
  flushmenukeys();  // the Escape that asked, and anything pressed with it
  for (;;) {
    drawbanner("LEAVE?", "ESCAPE AGAIN TO LEAVE, ANY OTHER KEY TO GO ON");
    const int lost = present();
    if (lost != 0 && steers(m, lost)) lostpad = lost;
    const int place = media::nextplace();
    const int padleave = padhits(pad::b) + padhits(pad::back);
    const int padgo = padhits(pad::a) + padhits(pad::start);
    if (place == media::place::escape || padleave != 0) return true;
    if (place != 0 || padgo != 0) {
      media::unlatch();  // the key that answered steers nothing
      return false;
    }
  }
}

void fightgame::play(const matchevents& ev) {
  playsounds(ev);
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

}  // namespace flopfist
