// Level bonus, the counting level summary, the game-over screen with its name entry.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "app/fightgame.h"
#include "body/util.h"
#include "media/media.h"

namespace flopfist {

namespace {

constexpr int countstart = 300;  // the summary starts counting down at 5 s ...
constexpr int countend = 420;    // ... and is done at 7 s
constexpr int countspan = countend - countstart;
constexpr int namelength = 15;

int32_t low32(int64_t v) { return int32_t(uint64_t(v)); }

// A value of the summary as it counts from its start towards its end.
int32_t counted(int64_t value, int l) {
  if (l < countstart) return low32(value);
  if (l > countend) return 0;
  return low32(value * (countend - l) / countspan);
}

// The total rises from the level's starting score to the new score, in single precision like
// the rest of the game's reals, so a large total is shown approximately while it counts.
int32_t countedtotal(int startscore, int64_t score, int l) {
  if (l < countstart) return startscore;
  if (l > countend) return low32(score);
  const float a = float(double(startscore) * (countend - l) / countspan);
  const double b = double(score) * (l - countstart) / countspan;
  const float total = float(double(a) + b);
  return low32(int64_t(total));
}

void drawline(std::string_view label, int labelfrom, int32_t value, int valuefrom, float y, int l) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%d", value);
  if (l > labelfrom) media::drawtext(label, 100, y);
  if (l > valuefrom) media::drawtext(digits, 724, y);
}

}  // namespace

int fightgame::energybonus() const {
  const man* p1 = fighters[1].get();
  if (p1 == nullptr || !(p1->maxenergy > 0)) return 0;
  // The share is a single-precision quotient like every other real of the game; only the power is
  // taken in double precision, so 13 of 20 gives 42249, not 42250.
  const float share = p1->energy / p1->maxenergy;
  const double bonus = std::pow(double(share), 2.0) * 100000.0;
  if (!(bonus >= 0)) return 0;  // a not-a-number energy earns nothing
  return bonus >= 2147483647.0 ? 2147483647 : int(bonus);
}

void fightgame::addlevelbonus() { score = score + (comboscore + energybonus()); }

void fightgame::levelsummary(int elapsed) {
  flushmenukeys();
  const int bonus = energybonus();
  cyclecolours();
  const int l = elapsed + 1;

  setpalettecolour(1);
  char title[48];
  std::snprintf(title, sizeof title, "LEVEL %d COMPLETED", level);
  if (l > 0) drawcentred(title, 0.525f, 50);

  media::setscale(0.375f, 0.375f);
  drawline("MAX COMBO: ", 60, maxcombo, 90, 240, l);
  drawline("COMBO SCORE: ", 120, counted(comboscore, l), 150, 340, l);
  drawline("ENERGY BONUS: ", 180, counted(bonus, l), 210, 440, l);
  drawline("TOTAL SCORE: ", 240, countedtotal(levelstartscore, score, l), 270, 540, l);
  media::setscale(1, 1);
}

void fightgame::drawgameover(int elapsed) {
  if (elapsed <= 2) flushmenukeys();

  // One typed character per frame.
  const int c = media::nextchar();
  const bool backspace = c == 8 || c == 127;
  if (namecursor <= namelength && !backspace) {
    std::string typed = keychar(c);
    if (typed != "nope") {
      namechars[namecursor] = std::move(typed);
      namecursor += 1;
    }
  }
  if (backspace && namecursor > 1) namecursor -= 1;
  playername.clear();
  for (int i = 1; i < namecursor; i++) {
    for (char ch : namechars[i]) playername += (ch >= 'a' && ch <= 'z') ? char(ch - 'a' + 'A') : ch;
  }

  cyclecolours();
  const int n = elapsed + 1;
  setpalettecolour(1);
  if (n > 0) drawcentred("GAME OVER", 0.975f, 20);
  char scoretext[40];
  std::snprintf(scoretext, sizeof scoretext, "SCORE: %lld", static_cast<long long>(score));
  if (n > 60) drawcentred(scoretext, 0.6f, 200);
  if (score > 0 && score > lowestscore()) {
    if (n > 120) drawcentred("ENTER YOUR NAME:", 0.3f, 450);
    if (n > 120) drawcentred(playername, 0.6f, 542);
  }
  media::setscale(1, 1);
}

std::string keychar(int code) {
  // Printable ASCII except the double quote, the backquote and the tilde: 92 characters.
  const bool printable = code >= 32 && code <= 126;
  if (!printable || code == '"' || code == '`' || code == '~') return "nope";
  return std::string(1, char(code));
}

}  // namespace flopfist
