// The application: owns each group of state for the run, takes the input, and runs every screen.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/keys.h"
#include "body/sprites.h"
#include "effects/palette.h"
#include "match/match.h"
#include "media/media.h"
#include "replay/recorder.h"
#include "replay/replay.h"
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

// The last news (a pad come or gone, a replay not kept), shown at the foot of every screen for a
// few seconds.
struct notice {
  std::array<char, 96> text{};
  int frames = 0;  // frames left to show it
};

// The music of the matches: the track last started and its channel.
struct musicstate {
  int track = 0;  // set by the application's constructor: a random real in [1, 4), truncated
  media::channel channel = 0;
  bool waiting = false;  // the track's file has not arrived: updatemusic starts it when it does
};

// Where a game hosted here is announced for JOIN GAME's list: every LAN this machine is on (which
// this machine hears too), this machine only, or nowhere.
enum class announcing { lan, machine, nowhere };

class fightgame {
 public:
  fightgame();
  virtual ~fightgame() = default;
  fightgame(const fightgame&) = delete;
  fightgame& operator=(const fightgame&) = delete;

  // ---- State, one owner per lifetime ----
  assets art;              // the run
  options settings;        // the run; kept in prefs.qmx
  keybindings keys;        // the run; kept in controls.cfg
  notice note;             // the run
  scoretable scores;       // the run; kept in scores.txt
  palette colours;         // the run; a match carries it while it plays
  musicstate music;        // the run
  series current;          // a series of matches (the name typed survives it)
  carryover carried;       // from one match to the next
  std::optional<match> playing;  // the match being played
  int held = 0;            // ticks the match holds still before its next step (see heldticks)
  int lostpad = 0;         // the match: a player whose pad left, to pause for
  recorder taping;         // the match being played, as it is played
  bool inmatch = false;    // between beginmatch and endmatch: the pointer hides, a close keeps the replay
  // Where each menu's selection was left, by the menu's name, so coming back finds it there.
  std::map<std::string, int, std::less<>> menuplaces;

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
  void keysscreen();      // CHANGE KEYS: one action at a time
  void testkeysscreen();  // TEST KEYS: what the keyboard and the pads report held
  void optionsscreen();
  void scorescreen();
  int& menuplace(std::string_view menu, int count);  // the remembered selection, within 1..count

  // ---- The preferences and score files ----
  void loadprefs();
  void saveprefs();
  void loadscores();
  void savescores();
  void loadkeys();
  void savekeys();

  // ---- The end of every frame, and the pads' news ----
  int present();      // the note drawn, the frame presented, the close check; see takenotices
  int keeppicture();  // a tick that keeps the last picture on screen; the frame drawn waits
  int aftershow();    // the close check, fullscreen, the pointer and the pads' news
  void closecheck();  // ends the program on a close request, keeping the match's replay as left
  void fullscreencheck();  // F11 or Alt+Enter: the window and the option FULLSCREEN follow
  int takenotices();  // the pads' news into the note; the player who lost a pad, 0 for none
  void drawnote();

  // ---- Music and sounds ----
  void startmusic();
  void updatemusic();
  void stopmusic();
  void playtrack();
  void playeffect(media::sound* snd);
  void playsounds(const matchevents& ev);  // a step's blows and blocks, in the order it made them

  // ---- The match loop ----
  virtual result playmatch();   // tests of the series loops replace it
  void beginmatch();            // a new match of the series' mode and level
  // The set-up of that match: the series' mode, level and wins, the options, and the generator,
  // palette and counters the run carries.
  matchsetup nextsetup() const;
  void endmatch();              // hands back what outlives the match
  void matchframe();            // one tick: input, step, draw, sounds, present; or a tick held
  void showtick();              // the tick's present, or the last picture kept while held
  frameinput takeinput() const;
  void pausecheck(frameinput& in);
  // The match as it stands under a banner with a title and the keys (PAUSED, the leave question, a
  // note naming who lost the pad).
  void drawbanner(std::string_view title, std::string_view keysline);
  void drawlabels();  // P1 and P2 over the players' heads, when two humans play
  bool labelsshown() const;  // the first two seconds of a two-human match
  // Escape in a campaign with points asks first; false when the player chose to go on.
  bool confirmleave();
  void play(const matchevents& ev);
  void drawoverlays(const matchevents& ev);

  // ---- Online versus (app/online*.cpp) ----
  void onlinemenu();                          // HOST GAME, JOIN GAME, NAME, INPUT DELAY, LOBBY, BACK
  // --host [PORT] and --join CODE or ADDRESS[:PORT]: the series, then the ONLINE menu with a
  // rematch offered. --host prints the room code on standard output as soon as it comes.
  void hostonline(int port);
  void joinonline(const std::string& where);
  void setlobby(const std::string& where);    // --lobby ADDRESS[:PORT]: kept as if chosen in the menu
  int onlinedelay = 2;                        // frames; kept in online.cfg
  std::string onlinename;                     // as typed in the ONLINE menu; kept there too
  std::string onlinelobby;                    // ADDRESS[:PORT] of the lobby for room codes; empty: none
  bool printcode = false;                     // --host: the room code goes to standard output
  announcing announce = announcing::lan;      // --announce: who may find a hosted game in JOIN GAME
  bool linkshown = false;                     // the link's figures over the match (F3)

  // ---- Replays ----
  void keepreplay(const match& ended);  // into replays/; a failure costs only the replay, with a note
  void replaysscreen();
  // Watches a replay in the window until Escape, or the end and a key; false when it strayed from
  // its record (or, for a file, could not be shown). Neither the score table nor any file changes.
  bool watchreplay(const replay& r);
  bool watchfile(const std::string& path);  // a file named on the command line
  void messagescreen(std::string_view title, std::string_view text);  // until a key
};

// Reads and clears the window-close request; ends the program when it was set.
void quitcheck();
// Both pads at once, for the menus and the buttons any player may press: presses since the last
// call (read, and so cleared, on both), and held now on either.
int padhits(int button);
bool padsheld(int button);
directions padsteer(int player);  // the player's pad: d-pad or stick

// What a player asked of a menu this frame, every key and pad read once so no stale hit acts later.
struct menuinput {
  int up = 0, down = 0, left = 0, right = 0;  // hits of the arrows and the pads' directions
  bool choose = false;                        // Enter, Space or A
  bool back = false;                          // Escape, B or Back, a right click or the back button
  bool moved = false;                         // the mouse moved: pointing selects
  bool clicked = false;                       // a left click: chooses what is pointed at
  float mousex = -1, mousey = -1;             // the pointer in the game's 1024 x 768, -1 outside
  int wheel = 0;                              // steps up (positive) or down
};
menuinput readmenu();
// The entry under the pointer of a menu whose rows run from ys[k] down by height (1..count), or 0.
int pointedentry(const menuinput& in, const float* ys, int count, float height);
// Centred like drawcentred, but shrunk when wider than the screen less a margin (long key names).
void drawfitted(std::string_view text, float scale, float y);
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
