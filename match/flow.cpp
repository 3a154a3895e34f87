// Match flow: who is out, who won, and the states from the result to the end of the match.
#include <cmath>
#include <cstdint>

#include "match/match.h"

namespace flopfist {

namespace {
constexpr int resulttime = 100;  // frames the result caption shows
constexpr int versuswait = 400;  // a decided versus match moves on by itself after this
constexpr int entrywait = 20;    // frames before Enter may leave the name entry or the table
}  // namespace

int energybonus(const man& player) {
  if (!(player.maxenergy > 0)) return 0;
  // The share is a single-precision quotient like every other real of the game; only the power is
  // taken in double precision, so 13 of 20 gives 42249, not 42250.
  const float share = player.energy / player.maxenergy;
  const double bonus = std::pow(double(share), 2.0) * 100000.0;
  if (!(bonus >= 0)) return 0;  // a not-a-number energy earns nothing
  return bonus >= 2147483647.0 ? 2147483647 : int(bonus);
}

// The screens after the result cycle the palette once more each, and are drawn over the scene.
void match::record(matchstate shown) {
  colours.cycle(rng);
  if (overlaycount_ < int(overlays_.size())) overlays_[size_t(overlaycount_++)] = {shown, framecount - statestart, colours};
}

void match::matchflow(const frameinput& in, matchevents& ev) {
  auto elapsed = [this] { return framecount - statestart; };
  auto setstate = [this](matchstate s) {
    state = s;
    statestart = framecount;
  };
  auto tellresult = [&](outcome o, const char* text) {
    decided = o;
    message.set(text, resulttime);
    ev.captionset = true;
    setstate(matchstate::tellresult);
  };
  auto out = [this](int n) { return n <= fightercount && fighters[size_t(n)].dead != 0; };
  auto allout = [&](int from) {
    for (int n = from; n <= fightercount; n++) {
      if (!out(n)) return false;
    }
    return true;
  };
  const bool enterorspace = in.enter || in.space;
  const bool versus = mode == gamemode::versus;

  // 1. The decision, once per match.
  if (decided == outcome::undecided) {
    for (int n = 1; n <= fightercount; n++) {
      man& f = fighters[size_t(n)];
      if (!(f.energy > 0)) {  // not-a-number counts as run out too
        f.energy = 0;
        f.dead = 1;
      }
    }
    if (versus) {
      if (out(2)) tellresult(outcome::first, "PLAYER 1 WINS!");
      if (out(1)) tellresult(outcome::second, "PLAYER 2 WINS!");
    } else {
      const bool coop = mode == gamemode::coop;
      if (allout(coop ? 3 : 2)) {
        ev.won = true;
        ev.levelbonus = comboscore + energybonus(fighters[1]);
        tellresult(outcome::first, "  YOU WIN!  ");
      }
      if (out(1) && (!coop || out(2))) tellresult(outcome::second, "  YOU LOSE!  ");
    }
  }

  // 2.-4. Telling the result.
  if (state == matchstate::tellresult && versus && (enterorspace || elapsed() >= versuswait)) {
    setstate(matchstate::end);
  }
  if (state == matchstate::tellresult && !versus && decided == outcome::first && elapsed() >= resulttime) {
    setstate(matchstate::levelcompleted);
  }
  if (state == matchstate::tellresult && !versus && decided == outcome::second && elapsed() >= resulttime) {
    setstate(matchstate::gameover);
  }
  // 5. The level summary.
  if (state == matchstate::levelcompleted) {
    record(matchstate::levelcompleted);
    if (enterorspace) setstate(level == 20 ? matchstate::gameover : matchstate::end);
  }
  // 6. Game over and the name entry.
  if (state == matchstate::gameover) {
    record(matchstate::gameover);
    if (in.enter && elapsed() > entrywait) {
      setstate(matchstate::highscores);
      ev.scoreentered = true;
    }
  }
  // 7. The high-score table.
  if (state == matchstate::highscores) {
    record(matchstate::highscores);
    if (elapsed() > entrywait && enterorspace) setstate(matchstate::end);
  }
  // 8. Escape leaves from anywhere.
  if (in.escape) {
    left = true;
    setstate(matchstate::end);
  }
  ev.finished = state == matchstate::end;
}

}  // namespace flopfist
