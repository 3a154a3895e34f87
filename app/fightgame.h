// The application object: every piece of game state for the whole run, and every screen.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "body/man.h"
#include "effects/dotburst.h"
#include "media/media.h"
#include "scores/scoreentry.h"

namespace flopfist {

// Main menu entries.
namespace menu {
constexpr int play = 1, options = 2, controls = 3, scores = 4, quit = 5;
}

class fightgame {
 public:
  fightgame();
  virtual ~fightgame() = default;
  fightgame(const fightgame&) = delete;
  fightgame& operator=(const fightgame&) = delete;

  // ---- Assets ----
  media::channel musicchannel = 0;
  media::image* limbimage = nullptr;
  media::image* jointimage = nullptr;
  media::sound* blowsound = nullptr;
  std::array<media::sound*, 5> musictracks{};  // slots 1..4
  media::sound* blocksound = nullptr;
  media::image* splashimage = nullptr;
  media::image* sparkimage = nullptr;
  media::font* gamefont = nullptr;

  // ---- Match state ----
  int musictrack = 0;  // set by the constructor: a random real in [1, 4), truncated
  int matchresult = 0;
  std::string matchstate = "game";
  int statestart = 0;
  int namecursor = 1;
  std::string playername;
  std::array<std::string, 30> namechars{};
  float camerax = 0, cameray = 0;
  float rightwall = 0, leftwall = 0, ceilingy = 0, floory = 0;  // the arena, world pixels
  int contactwait[10][10] = {};
  int sparkwait[10][10] = {};
  int blowwait[10][10] = {};
  float zoom = 0.3f;
  int levelstartscore = 0;
  std::array<int, 3> wins{};  // slots 1 and 2

  // ---- Options ----
  int spare1 = 0;
  int plasma = 0;
  int fullscreen = 0;
  int slowmotion = 0;

  std::vector<scoreentry> scoretable;

  int maxcombo = 0;
  int level = 0;
  int64_t comboscore = 0;
  int64_t score = 0;
  int combo = 0;
  int slowmoclock = 0;
  int burstcursor = 1;
  std::array<dotburst, 101> bursts{};  // the particle ring, slots 1..100

  int playersspeed = 3;
  int flexibility = 3;
  int spare2 = 1;
  int blowpower = 5;
  int soundsvolume = 0, musicvolume = 0, gravity = 0, ailevel = 0, blood = 0;

  float dt = 1.0f;
  std::string gamemode = "1";
  int outcome = 0;
  int framecount = 0;

  // ---- The animated palette ----
  static constexpr int colourcount = 11;
  float colourspeed[colourcount + 1][4] = {};
  int colours[colourcount + 1][4] = {};

  // ---- Fighters ----
  int fightercount = 6;
  std::array<std::unique_ptr<man>, 7> fighters{};  // slots 1..fightercount

  float slowmotimer = 0;
  std::string message;
  int messagetimer = 0;

  // ---- Start-up, main loop, series (app/) ----
  void run();
  void startup();
  void mainloop();
  void playseries();  // the series loop for gamemode
  void cyclecolours();

  // ---- Menus (app/) ----
  int mainmenu();
  void playmodemenu();
  void controlsscreen();

  // ---- Options (app/) ----
  void resetoptions();
  void loadprefs();
  void readprefs(media::infile& in);  // the lines of an open prefs file, then clamped
  void saveprefs();
  void clampoptions();
  void optionsscreen();

  // ---- Music and sounds (app/) ----
  void startmusic();
  void updatemusic();
  void stopmusic();
  void playeffect(media::sound* snd);

  // ---- Match loop (app/) ----
  virtual int playmatch();  // tests of the series loops replace it
  void matchframe();        // one frame in its fixed order
  void pausecheck();

  // ---- Control (body/) ----
  void player1control();
  void player2control();
  int choosetarget(const man& f) const;  // 1 or 2, co-op mode

  // ---- Set-up and camera (match/) ----
  void setupmatch();
  void updatecamera();

  // ---- Contacts and blows (match/) ----
  void contactpass();
  void contact(ball& a, ball& b, man& fa, man& fb);
  void scoreblows(int na, int nb, int hits);
  void slowmostep();
  void slowmopace();

  // ---- Match flow and captions (match/) ----
  void matchflow();
  void setcaptions();
  void drawcaption();

  // ---- Effects (effects/) ----
  void startburst(float x, float y, float basevx, float basevy, int count, int plasma, float speed,
                  int robot, int radius);  // the ring protocol: start at the cursor, advance it
  void advanceburstcursor();
  void updatebursts(float zoom);
  void drawbackground();

  // ---- Scores (scores/) ----
  void defaultscores();
  void loadscores();
  void readscores(media::infile& in);  // the rows of an open score file, in place
  void savescores();
  void sortscores();
  void addscore(const std::string& name, int64_t points);
  int lowestscore();
  void scorescreen();
  void drawscores(int elapsed);
  void drawscorerows(int shown);
  void addlevelbonus();
  int energybonus() const;
  void levelsummary(int elapsed);
  void drawgameover(int elapsed);

  // ---- Small drawing helpers shared by the screens (app/) ----
  void setpalettecolour(int c);
  void drawcentred(std::string_view text, float scale, float y);
};

// Reads and clears the window-close request; ends the program when it was set.
void quitcheck();
// The one-character string a typed character code stands for, or "nope".
std::string keychar(int code);

// The twenty levels of the one-player and co-op series.
struct levelinfo {
  float arenafactor;
  int fighters;  // in a one-player level, the player included
  float opponentscale;
  int robots;
};
extern const std::array<levelinfo, 21> leveltable;  // slots 1..20

}  // namespace flopfist
