// A match as a plain value: set up from its rules, advanced a frame at a time by one input snapshot,
// drawn from the state a step left. It holds no pointer outside itself; a copy plays on identically.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "body/man.h"
#include "effects/palette.h"
#include "effects/particles.h"
#include "match/options.h"

namespace flopfist {

enum class gamemode { single, versus, coop };
enum class matchstate { game, tellresult, levelcompleted, gameover, highscores, end };
// The first side is player 1 (with player 2 in co-op); in versus the second side is player 2.
enum class outcome { undecided = 0, first = 1, second = 2 };
// How a match ended for the series: a side won, or the players left it with Escape.
enum class result { first = 1, second = 2, left = 3 };

// What the players hold this frame, taken once by the application.
struct directions {
  bool up = false, down = false, left = false, right = false;
};
struct frameinput {
  std::array<directions, 3> player{};  // 1 and 2
  bool knockout = false;   // "4" and "1": everybody but fighter 1 runs out of energy
  bool fallapart = false;  // "1" and "8": every body goes limp
  bool enter = false, space = false, escape = false;
};
// A snapshot as bits, for a recording: player 1's up, down, left, right from bit 0, player 2's from
// bit 4, then knockout, fall apart, Enter, Space and Escape. Bits above 12 are never set.
uint16_t packinput(const frameinput& in);
frameinput unpackinput(uint16_t bits);
// Two machines' halves of one snapshot, side 0 playing player 1: each side's own player's
// directions, and Enter and Space held on either side. Nothing else is taken from a side.
uint16_t sidebits(int side, const directions& d, bool enter, bool space);
frameinput mergeinputs(const std::array<uint16_t, 2>& sides);

// The large caption across the middle of the screen and the frames it has left.
struct caption {
  std::array<char, 32> text{};
  int timer = 0;
  void set(std::string_view s, int frames);
  std::string_view str() const { return text.data(); }
};

// What a match leaves to the next one: the counters below are not reset by a new set-up, so a
// slow motion, a caption or a contact delay running at the end of one match runs on into the next.
struct carryover {
  int contactwait[10][10] = {};
  int sparkwait[10][10] = {};
  int blowwait[10][10] = {};
  float slowmotimer = 0;
  caption message;
  int burstcursor = 1;
  view camera;
};

// Everything a new match is made from.
struct matchsetup {
  gamemode mode = gamemode::single;
  int level = 1;
  std::array<int, 3> wins{};  // versus: the score so far, slots 1 and 2
  options rules;
  carryover carried;
  media::generator rng;
  palette colours;
};

enum class sound { blow, block };
enum class blowkind { body, head };
struct blow {
  int attacker, victim;
  blowkind kind;
};

// What happened in one step, for the application to play, wait for and show.
struct matchevents {
  static constexpr int most = 64;
  std::array<sound, most> sounds{};
  int soundcount = 0;
  std::array<blow, most> blows{};
  int blowcount = 0;
  int hitpauses = 0;        // each holds the frame back by the hit pause before it is shown
  bool captionset = false;  // a new caption went up
  bool won = false;         // the players won the level: levelbonus joins the score
  int64_t levelbonus = 0;
  bool scoreentered = false;  // Enter on GAME OVER: the score goes into the table
  bool finished = false;      // the match reached its end
};

// A screen drawn over the match after its result, with the palette as it was for that screen.
struct overlay {
  matchstate state = matchstate::game;
  int elapsed = 0;
  palette colours;
};

class match {
 public:
  explicit match(const matchsetup& setup);

  // One frame, in the game's fixed order.
  matchevents step(const frameinput& in);
  // The arena, caption, fighters and particles as this frame's step saw them.
  void draw(const sprites& images) const;
  // The screens to draw over the scene this frame (summary, GAME OVER, HIGH SCORES), in order.
  int overlaycount() const { return overlaycount_; }
  const overlay& overlayat(int k) const { return overlays_[size_t(k)]; }

  result ending() const { return left ? result::left : result(int(decided)); }
  carryover leftover() const;
  // Every value a later step reads, folded together: two matches with the same hash play on alike.
  uint64_t hash() const;

  // ---- The state, readable by the application and the tests ----
  gamemode mode;
  int level;
  std::array<int, 3> wins;
  options rules;
  media::generator rng;
  palette colours;

  arena walls;
  view camera;
  int fightercount = 0;
  std::array<man, 7> fighters{};  // slots 1..fightercount
  particlering bursts;

  int contactwait[10][10] = {};
  int sparkwait[10][10] = {};
  int blowwait[10][10] = {};
  float slowmotimer = 0;
  float dt = 1.0f;
  caption message;

  matchstate state = matchstate::game;
  int statestart = 0;
  outcome decided = outcome::undecided;
  bool left = false;  // Escape ended it
  int framecount = 0;
  int combo = 0;
  int maxcombo = 0;
  int64_t comboscore = 0;

  // ---- The steps of a frame, public so tests can take them one at a time ----
  void slowmostep();
  void updatecamera();
  void setcaptions();
  void controlfighters(const frameinput& in);
  void stepfighters(bool fallapart);
  void contactpass(matchevents& ev);
  void contact(ball& a, ball& b, man& fa, man& fb, matchevents& ev);
  void scoreblows(int na, int nb, int hits, matchevents& ev);
  void matchflow(const frameinput& in, matchevents& ev);
  int choosetarget(const man& f) const;  // 1 or 2, co-op mode
  // A burst made one drop at a time; the frame itself starts its bursts batched, bit for bit the same.
  void startburst(float x, float y, float basevx, float basevy, int count, int plasma, float speed,
                  int robot, int radius);

 private:
  void record(matchstate shown);

  // What this frame's drawing shows, taken where the frame drew it.
  std::array<man, 7> drawnfighters_{};
  palette drawnpalette_;
  caption drawncaption_;
  float drawnalpha_ = 0;
  std::array<overlay, 3> overlays_{};
  int overlaycount_ = 0;
};

// Draws a caption as the frame left it.
void drawcaption(const caption& shown, const palette& colours);

// The share of its energy fighter 1 kept, squared, times 100000: the level's energy bonus.
int energybonus(const man& player);

// The twenty levels of the one-player and co-op series.
struct levelinfo {
  float arenafactor;
  int fighters;  // in a one-player level, the player included
  float opponentscale;
  int robots;
};
extern const std::array<levelinfo, 21> leveltable;  // slots 1..20

}  // namespace flopfist
