// Scripted matches: a timeline of held keys per scenario, and a player's answers to the screens.
#include "tests/support/scripted.h"

#include <algorithm>

#include "app/fightgame.h"
#include "replay/folder.h"
#include "media/media.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {

namespace {

namespace key = media::key;
using media::test::press;
using media::test::release;

// Holds each key of a cycle in turn for `hold` frames, from `from` until `until`.
void holdinturn(std::initializer_list<int> cycle, int hold, int from, int until) {
  const std::vector<int> order(cycle);
  for (int k = 0; from + k * hold < until; ++k) {
    const int at = from + k * hold;
    press(at, order[size_t(k) % order.size()]);
    release(at + hold - 1, order[size_t(k) % order.size()]);
  }
}

void chord(int at, int frames, std::initializer_list<int> keys) {
  for (int k : keys) press(at, k);
  for (int k : keys) release(at + frames, k);
}

// Fights with the arrows, then "4" and "1" end it in a win.
void onefighter(int f) {
  holdinturn({key::right, key::down, key::left, key::up}, 120, f + 1, f + 900);
  chord(f + 900, 10, {key::digit4, key::digit1});
}
// Both players fight; a pause in the middle; Escape leaves.
void twoplayers(int f) {
  holdinturn({key::right, key::up, key::left, key::down}, 60, f + 1, f + 900);
  holdinturn({key::a, key::s, key::d, key::w}, 80, f + 21, f + 900);
  press(f + 400, key::p);
  release(f + 401, key::p);
  press(f + 440, key::p);
  release(f + 441, key::p);
  press(f + 940, key::escape);
  release(f + 942, key::escape);
}
// Both players fight, every body falls apart for half a second, then "4" and "1" win the level.
void together(int f) {
  holdinturn({key::right, key::up, key::left, key::down}, 90, f + 1, f + 900);
  holdinturn({key::a, key::w, key::d, key::s}, 70, f + 1, f + 900);
  chord(f + 500, 30, {key::digit1, key::digit8});
  chord(f + 900, 10, {key::digit4, key::digit1});
}
// Player 1 only turns now and then against four robots: the computers win.
void outfought(int f) { holdinturn({key::right, key::left}, 300, f + 1, f + 6000); }

// Enter some frames into the level summary or the high-score table, a name typed on GAME OVER; a
// match still going after a long while is left with Escape.
void answer(const match& m) {
  const int next = media::test::frames() + 1;
  const int elapsed = m.framecount - m.statestart;
  if ((m.state == matchstate::levelcompleted || m.state == matchstate::highscores) && elapsed == 40) {
    media::test::tap(next, key::enter);
  }
  if (m.state == matchstate::gameover && elapsed == 30) {
    for (char c : std::string("ACE")) media::test::type(next, c);
  }
  if (m.state == matchstate::gameover && elapsed == 40) media::test::tap(next, key::enter);
  if (m.framecount == 6000) media::test::tap(next, key::escape);
}

}  // namespace

const std::array<scriptedmatch, 4> scriptedmatches{{
    {"single", gamemode::single, 8, 20261208, 0, 1, onefighter},
    {"versus", gamemode::versus, 1, 31337, 0, 1, twoplayers},
    {"coop", gamemode::coop, 3, 777, 0, 1, together},
    {"lost", gamemode::single, 19, 4242, 150000, 5, outfought},
}};

std::unique_ptr<fightgame> scriptedgame(const scriptedmatch& s) {
  auto game = makegame();
  for (int t = 1; t <= 4; ++t) game->art.music[size_t(t)] = media::loadsound("music/tt" + std::to_string(t) + ".ogg");
  game->settings.soundsvolume = 6;
  game->settings.musicvolume = 6;
  game->settings.ailevel = s.ailevel;
  game->scores.defaults();
  media::seedrnd(s.seed);
  game->current.mode = s.mode;
  game->current.level = s.level;
  game->current.score = s.startscore;
  return game;
}

shownmatch playscripted(fightgame& game, const scriptedmatch& s) {
  const std::vector<std::string> before = replayfiles();
  s.timeline(media::test::frames());
  stepwatch watch;
  game.startmusic();
  game.beginmatch();
  // The script counts the frames that show something new, not the ticks a match holds still.
  do {
    const bool holding = game.held > 0;
    media::test::holdscript(holding);
    if (!holding) answer(*game.playing);
    game.matchframe();
    if (game.held == 0) watch.presented(*game.playing, game.playing->state == matchstate::end);
  } while (game.playing->state != matchstate::end || game.held > 0);
  media::test::holdscript(false);
  game.endmatch();
  game.stopmusic();
  shownmatch shown = watch.result();
  shown.ending = game.playing->ending();
  for (const std::string& f : replayfiles()) {
    if (std::find(before.begin(), before.end(), f) == before.end() && !f.ends_with("best.ffr")) shown.replayfile = f;
  }
  return shown;
}

// The scene without the rows a replay's bar covers, once the step's picture is on screen.
void stepwatch::presented(const match& m, bool last) {
  ends_.push_back(media::test::frames());
  shown_.hashes.push_back(m.hash());
  if (!last && shown_.hashes.size() % 500 != 0) return;
  const media::test::frame f = media::test::presented();
  uint64_t h = 1469598103934665603ull;
  for (size_t i = size_t(30 * f.width); i < size_t(738 * f.width); ++i) h = (h ^ f.pixels[i]) * 1099511628211ull;
  shown_.pictures.push_back(h);
}

shownmatch stepwatch::result() {
  for (const media::test::cue& c : media::test::cues()) {
    if (c.frame < first_) continue;
    // A sound asked for before a step's present belongs to that step.
    const auto step = std::upper_bound(ends_.begin(), ends_.end(), c.frame) - ends_.begin() + 1;
    shown_.cues.push_back({int(step), c.path});
  }
  return shown_;
}

std::string shortmatch(fightgame& game, int frames) {
  const int first = media::test::frames();
  media::test::press(first + 1, key::right);
  media::test::release(first + frames, key::right);
  media::test::tap(first + frames, key::escape);
  game.beginmatch();
  do {
    game.matchframe();
  } while (game.playing->state != matchstate::end);
  game.endmatch();
  for (const std::string& f : replayfiles()) {
    if (!f.ends_with("best.ffr")) return f;  // the newest
  }
  return "";
}

}  // namespace flopfist::testing
