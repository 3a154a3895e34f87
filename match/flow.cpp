// Match flow: who is out, who won, and the states from the result to the end of the match.
#include <cstdint>

#include "app/fightgame.h"
#include "media/media.h"

namespace flopfist {

namespace {

constexpr int resulttime = 100;   // frames the result caption shows
constexpr int versuswait = 400;   // a decided versus match moves on by itself after this
constexpr int entrywait = 20;     // frames before Enter may leave the name entry or the table

bool held(int key) { return media::keydown(key); }
bool enterorspace() { return held(media::key::enter) || held(media::key::space); }

}  // namespace

void fightgame::matchflow() {
  auto elapsed = [this] { return framecount - statestart; };
  auto setstate = [this](const char* state) {
    matchstate = state;
    statestart = framecount;
  };
  auto tellresult = [&](int result, const char* caption) {
    outcome = result;
    message = caption;
    messagetimer = resulttime;
    setstate("tell result");
  };
  auto out = [this](int n) { return n <= fightercount && fighters[n] && fighters[n]->dead != 0; };
  auto allout = [&](int from) {
    for (int n = from; n <= fightercount; n++) {
      if (!out(n)) return false;
    }
    return true;
  };

  // 1. The decision, once per match.
  if (outcome == 0) {
    for (int n = 1; n <= fightercount; n++) {
      man& f = *fighters[n];
      if (!(f.energy > 0)) {  // not-a-number counts as run out too
        f.energy = 0;
        f.dead = 1;
      }
    }
    if (gamemode == "2vs") {
      if (out(2)) tellresult(1, "PLAYER 1 WINS!");
      if (out(1)) tellresult(2, "PLAYER 2 WINS!");
    } else if (gamemode == "1" || gamemode == "2coop") {
      const bool coop = gamemode == "2coop";
      if (allout(coop ? 3 : 2)) {
        addlevelbonus();
        tellresult(1, "  YOU WIN!  ");
      }
      if (out(1) && (!coop || out(2))) tellresult(2, "  YOU LOSE!  ");
    }
  }

  const bool versus = gamemode == "2vs";
  // 2.-4. Telling the result.
  if (matchstate == "tell result" && versus && (enterorspace() || elapsed() >= versuswait)) {
    setstate("end");
  }
  if (matchstate == "tell result" && !versus && outcome == 1 && elapsed() >= resulttime) {
    setstate("level completed");
  }
  if (matchstate == "tell result" && !versus && outcome == 2 && elapsed() >= resulttime) {
    setstate("game over");
  }
  // 5. The level summary.
  if (matchstate == "level completed") {
    levelsummary(elapsed());
    if (enterorspace()) setstate(level == 20 ? "game over" : "end");
  }
  // 6. Game over and the name entry.
  if (matchstate == "game over") {
    drawgameover(elapsed());
    if (held(media::key::enter) && elapsed() > entrywait) {
      setstate("highscores");
      addscore(playername, int64_t(int32_t(uint64_t(score))));
      savescores();
    }
  }
  // 7. The high-score table.
  if (matchstate == "highscores") {
    drawscores(elapsed());
    if (elapsed() > entrywait && enterorspace()) setstate("end");
  }
  // 8. Escape leaves from anywhere.
  if (held(media::key::escape)) {
    matchresult = 3;
    setstate("end");
  }
}

}  // namespace flopfist
