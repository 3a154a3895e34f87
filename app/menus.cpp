// The main menu, the play-mode menu (with the way to the replays), the controls screen and HIGH SCORES.
#include <array>
#include <string_view>

#include "app/fightgame.h"
#include "body/util.h"
#include "media/media.h"
#include "scores/screens.h"

namespace flopfist {

namespace {

constexpr std::string_view title = "FLOPFIST";
constexpr float titlescale = 0.6075f;
constexpr float titley = 20;

struct entry {
  std::string_view text;
  float y;
};

constexpr std::array<entry, 5> mainentries{{
    {"PLAY", 180}, {"OPTIONS", 260}, {"CONTROLS", 340}, {"SCORES", 420}, {"QUIT", 500}}};

constexpr std::array<entry, 4> modeentries{{
    {"1 PLAYER", 180}, {"2 PLAYERS VS", 340}, {"2 PLAYERS CO-OP", 420}, {"REPLAYS", 500}}};
constexpr std::array<gamemode, 3> modes{gamemode::single, gamemode::versus, gamemode::coop};
constexpr int replaysentry = 4;

struct line {
  std::string_view text;
  float scale;
  float y;
};

constexpr std::array<line, 15> controlslines{{
    {"FLOPFIST", 0.6075f, 20},
    {"PLAYER 1: ARROW KEYS   PLAYER 2: W,A,S,D", 0.225f, 175},
    {"PAUSE: P          QUIT: ESC", 0.225f, 250},
    {"IF EVERYTHING ELSE FAILS, READ THE INSTRUCTIONS:", 0.15f, 320},
    {"TO DEAL DAMAGE, YOU MUST HIT A DAMAGEABLE PART OF OPPONENT WITH A DAMAGING PART", 0.105f, 400},
    {"DAMAGING PARTS ARE ARMS, LEGS AND HEAD", 0.105f, 430},
    {"DAMAGEABLE PARTS ARE BODY (EXCLUDED ARMS AND LEGS) AND HEAD", 0.105f, 460},
    {"HEAD IS BOTH DAMAGING AND DAMAGEABLE", 0.105f, 490},
    {"EVERY TIME YOU LAND A SUCCESFUL BLOW YOUR COMBO COUNTER INCREASES BY 1", 0.105f, 520},
    {"EVERY BLOW DEALS A DAMAGE EQUAL TO THE COMBO COUNTER", 0.105f, 550},
    {"YOUR COMBO COUNTER IS RESET TO 1 IF YOU GET HIT", 0.105f, 580},
    {"THROUGH COMBOS YOU WILL DO MORE DAMAGE AND ALSO GET A HIGHER SCORE", 0.105f, 610},
    {"THE REMAINING ENERGY OF EACH PLAYER IS INDICATED ON THE WRISTBANDS", 0.105f, 640},
    {"IT IS GENERALLY A BAD IDEA TO RUSH AGAINST THE OPPONENT", 0.105f, 670},
    {"IT IS A GOOD IDEA TO TRY TO HIT YOUR OPPONENT'S HEAD WITH YOUR LEGS", 0.105f, 700},
}};

// Up and Down hit in the same frame cancel out; the selection wraps within 1..count.
int moveselection(int selection, int count) {
  if (media::keyhit(media::key::up) != 0) --selection;
  if (media::keyhit(media::key::down) != 0) ++selection;
  if (selection < 1) selection = count;
  if (selection > count) selection = 1;
  return selection;
}

bool hit(int key) { return media::keyhit(key) != 0; }

}  // namespace

menuchoice fightgame::mainmenu() {
  flushmenukeys();
  int selection = 1;
  for (;;) {
    media::cls();
    cyclecolours();
    colours.use(1);
    drawcentred(title, titlescale, titley);
    for (int i = 1; i <= int(mainentries.size()); ++i) {
      if (i == selection) {
        colours.use(2);
      } else {
        media::setcolor(100, 100, 100);
      }
      drawcentred(mainentries[i - 1].text, 0.45f, mainentries[i - 1].y);
    }
    media::setscale(1, 1);
    selection = moveselection(selection, int(mainentries.size()));
    drawreplaynote();
    media::flip(-1);
    quitcheck();
    if (hit(media::key::escape)) media::endprogram(0);
    // Both keys are read every frame so a stale hit of one cannot act later.
    const bool enter = hit(media::key::enter);
    const bool space = hit(media::key::space);
    if (enter || space) return menuchoice(selection);
  }
}

std::optional<gamemode> fightgame::playmodemenu() {
  media::flushkeys();
  int selection = 1;
  for (;;) {
    media::cls();
    cyclecolours();
    for (int i = 1; i <= int(modeentries.size()); ++i) {
      if (i == selection) {
        colours.use(2);
      } else {
        media::setcolor(100, 100, 100);
      }
      drawcentred(modeentries[i - 1].text, 0.3f, modeentries[i - 1].y);
    }
    media::setscale(1, 1);
    selection = moveselection(selection, int(modeentries.size()));
    drawreplaynote();
    media::flip(-1);
    quitcheck();
    const bool enter = hit(media::key::enter);
    const bool space = hit(media::key::space);
    // Read in this order every frame; Escape wins over an Enter hit in the same frame.
    const bool escape = hit(media::key::escape);
    if (escape) return std::nullopt;
    if ((enter || space) && selection == replaysentry) {
      replaysscreen();  // and back to this menu, REPLAYS still selected
      flushmenukeys();
    } else if (enter || space) {
      return modes[size_t(selection - 1)];
    }
  }
}

void fightgame::controlsscreen() {
  flushmenukeys();
  for (;;) {
    media::cls();
    cyclecolours();
    colours.use(1);
    for (const line& l : controlslines) drawcentred(l.text, l.scale, l.y);
    media::setscale(1, 1);
    media::flip(-1);
    quitcheck();
    const bool enter = hit(media::key::enter);
    const bool space = hit(media::key::space);
    const bool escape = hit(media::key::escape);
    if (enter || space || escape) return;
  }
}

void fightgame::scorescreen() {
  flushmenukeys();
  int n = 0;
  for (;;) {
    media::cls();
    cyclecolours();
    ++n;
    drawscorerows(scores, n, colours);
    media::setscale(1, 1);
    media::flip(-1);
    quitcheck();
    if (media::keyhit(media::key::enter) > 0) break;
    if (media::keyhit(media::key::escape) > 0) break;
    if (media::keyhit(media::key::space) > 0) break;
  }
}

}  // namespace flopfist
