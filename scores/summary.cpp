// The counting level summary, the game-over screen and its name entry.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "body/util.h"
#include "media/media.h"
#include "scores/screens.h"

namespace flopfist {

namespace {

constexpr int countstart = 300;  // the summary starts counting down at 5 s ...
constexpr int countend = 420;    // ... and is done at 7 s
constexpr int countspan = countend - countstart;

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

void drawlevelsummary(const match& m, const series& s, int elapsed, const palette& colours) {
  const int bonus = energybonus(m.fighters[1]);
  const int l = elapsed + 1;

  colours.use(1);
  char title[48];
  std::snprintf(title, sizeof title, "LEVEL %d COMPLETED", s.level);
  if (l > 0) drawcentred(title, 0.525f, 50);

  media::setscale(0.375f, 0.375f);
  drawline("MAX COMBO: ", 60, m.maxcombo, 90, 240, l);
  drawline("COMBO SCORE: ", 120, counted(m.comboscore, l), 150, 340, l);
  drawline("ENERGY BONUS: ", 180, counted(bonus, l), 210, 440, l);
  drawline("TOTAL SCORE: ", 240, countedtotal(s.levelstartscore, s.score, l), 270, 540, l);
  media::setscale(1, 1);
}

void nameentry::type(int c) {
  const bool backspace = c == 8 || c == 127;
  if (cursor_ <= length && !backspace) {
    std::string typed = keychar(c);
    if (typed != "nope") {
      chars_[size_t(cursor_)] = std::move(typed);
      cursor_ += 1;
    }
  }
  if (backspace && cursor_ > 1) cursor_ -= 1;
  name_.clear();
  for (int i = 1; i < cursor_; i++) {
    for (char ch : chars_[size_t(i)]) name_ += (ch >= 'a' && ch <= 'z') ? char(ch - 'a' + 'A') : ch;
  }
}

void drawgameover(const series& s, scoretable& table, int elapsed, const palette& colours) {
  const int n = elapsed + 1;
  colours.use(1);
  if (n > 0) drawcentred("GAME OVER", 0.975f, 20);
  char scoretext[40];
  std::snprintf(scoretext, sizeof scoretext, "SCORE: %lld", static_cast<long long>(s.score));
  if (n > 60) drawcentred(scoretext, 0.6f, 200);
  if (s.score > 0 && s.score > table.lowest()) {
    if (n > 120) drawcentred("ENTER YOUR NAME:", 0.3f, 450);
    if (n > 120) drawcentred(s.name.name(), 0.6f, 542);
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
