// The application: owns each group of state for the run, takes the input, and runs every screen.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/recorder.h"
#include "app/replay.h"
#include "body/sprites.h"
#include "effects/palette.h"
#include "match/match.h"
#include "media/media.h"
#include "scores/series.h"
#include "scores/table.h"

namespace flopfist {

// Main menu entries.
enum class menuchoice { play = 1, options = 2, controls = 3, scores = 4, quit = 5 };

// Everything loaded from images/, sounds/ and music/ at start-up, for the whole run.
struct assets {
  sprites images;
  media::image* splash = nullptr;
  media::font* font = nullptr;
  media::sound* blowsound = nullptr;
  media::sound* blocksound = nullptr;
  std::array<media::sound*, 5> music{};  // slots 1..4
};

// The music of the matches: the track last started and its channel.
struct musicstate {
  int track = 0;  // set by the application's constructor: a random real in [1, 4), truncated
  media::channel channel = 0;
};

// A line of news at the foot of the screens for a few seconds (a replay that could not be kept).
struct notice {
  std::string text;
  int frames = 0;  // frames left to show it
};

class fightgame {
 public:
  fightgame();
  virtual ~fightgame() = default;
  fightgame(const fightgame&) = delete;
  fightgame& operator=(const fightgame&) = delete;

  // ---- State, one owner per lifetime ----
  assets art;              // the run
  options settings;        // the run; kept in prefs.qmx
  scoretable scores;       // the run; kept in scores.txt
  palette colours;         // the run; a match carries it while it plays
  musicstate music;        // the run
  series current;          // a series of matches (the name typed survives it)
  carryover carried;       // from one match to the next
  std::optional<match> playing;  // the match being played
  int slowmoclock = 0;     // when the last slowed frame was shown
  recorder taping;         // the match being played, as it is played
  notice replaynote;       // the run

  // ---- Start-up, main loop, series ----
  void run();
  void startup();
  void mainloop();
  void playseries();
  void cyclecolours();  // the menus' palette step, from the shared generator

  // ---- Menus and screens ----
  menuchoice mainmenu();
  std::optional<gamemode> playmodemenu();  // none: Escape
  void controlsscreen();
  void optionsscreen();
  void scorescreen();

  // ---- The preferences and score files ----
  void loadprefs();
  void saveprefs();
  void loadscores();
  void savescores();

  // ---- Music and sounds ----
  void startmusic();
  void updatemusic();
  void stopmusic();
  void playeffect(media::sound* snd);

  // ---- The match loop ----
  virtual result playmatch();   // tests of the series loops replace it
  void beginmatch();            // a new match of the series' mode and level
  void endmatch();              // hands back what outlives the match
  void matchframe();            // one frame: input, step, draw, sounds, pace, present
  frameinput takeinput() const;
  void pausecheck(frameinput& in);
  void play(const matchevents& ev);
  void drawoverlays(const matchevents& ev);
  void slowmopace();

  // ---- Replays ----
  void keepreplay();  // the match just ended, into replays/; a failure costs only the replay
  void replaysscreen();
  // Watches a replay in the window until Escape, or the end and a key; false when it strayed from
  // its record (or, for a file, could not be shown). Neither the score table nor any file changes.
  bool watchreplay(const replay& r);
  bool watchfile(const std::string& path);  // a file named on the command line
  void messagescreen(std::string_view title, std::string_view text);  // until a key
  void drawreplaynote();
};

// The files in replays/: the best high score's match first, then the others newest first.
std::vector<std::string> replayfiles();

// A hit pause holds the frame back this long.
constexpr int hitpausems = 200;
// Holds a slowed frame until 33 ms after the last one shown (clock: when that was).
void paceslowmotion(float slowmotimer, int& clock);

// Reads and clears the window-close request; ends the program when it was set.
void quitcheck();
// Empties the typed-character queue and the pending hits of the menu keys, so that a key that
// closed the previous screen does not act on the next one.
void flushmenukeys();

// Opens a file for reading only when it is a regular file: a folder or a device of that name
// counts as missing.
bool openregular(media::infile& in, const std::string& path);

// The preferences file: 13 lines, one value each, clamped after reading.
void readprefs(options& o, media::infile& in);
std::string prefstext(const options& o);

}  // namespace flopfist
