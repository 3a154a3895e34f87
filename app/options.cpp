// The options screen and the preferences file "prefs.qmx".
#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <string>

#include "app/fightgame.h"
#include "body/util.h"

namespace flopfist {

namespace {

constexpr const char* prefsfile = "prefs.qmx";

// One visible setting of the options screen, in row order.
struct optionrow {
  const char* label;
  int fightgame::*field;
  int low, high;
};

constexpr std::array<optionrow, 11> optionrows{{
    {"GRAVITY  ", &fightgame::gravity, 0, 10},
    {"PLAYERS SPEED  ", &fightgame::playersspeed, 1, 10},
    {"FLEXIBILITY  ", &fightgame::flexibility, 1, 20},
    {"BLOWPOWER  ", &fightgame::blowpower, 1, 10},
    {"AI LEVEL  ", &fightgame::ailevel, 1, 10},
    {"SLOW MOTION  ", &fightgame::slowmotion, 0, 10},
    {"BLOOD  ", &fightgame::blood, 0, 30},
    {"PLASMA EFFECTS  ", &fightgame::plasma, 0, 1},
    {"FULLSCREEN  ", &fightgame::fullscreen, 0, 1},
    {"SOUNDS VOLUME  ", &fightgame::soundsvolume, 0, 10},
    {"MUSIC VOLUME  ", &fightgame::musicvolume, 0, 10},
}};
constexpr int fullscreenrow = 9;
constexpr int resetrow = 12;

// The fields in the order of the file's 13 lines.
constexpr std::array<int fightgame::*, 13> prefslines{
    &fightgame::spare1,     &fightgame::playersspeed, &fightgame::flexibility, &fightgame::spare2,
    &fightgame::blowpower,  &fightgame::plasma,       &fightgame::slowmotion,  &fightgame::fullscreen,
    &fightgame::soundsvolume, &fightgame::musicvolume, &fightgame::gravity,    &fightgame::ailevel,
    &fightgame::blood,
};

// A file value narrowed to int without wrapping, so a huge number cannot come back in range.
int saturatetoint(int64_t v) {
  return int(std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Only a regular file is read: a folder or a device of that name counts as a missing file.
bool openregular(media::infile& in, const std::string& path) {
  return media::fileexists(path) && in.open(path);
}

}  // namespace

void fightgame::resetoptions() {
  gravity = 1;
  playersspeed = 4;
  flexibility = 5;
  blowpower = 5;
  ailevel = 1;
  slowmotion = 3;
  blood = 10;
  plasma = 1;
  fullscreen = 0;
  soundsvolume = 6;
  musicvolume = 6;
  spare1 = 1;
  spare2 = 1;
}

void fightgame::clampoptions() {
  for (const auto& row : optionrows) this->*row.field = std::clamp(this->*row.field, row.low, row.high);
  spare2 = std::clamp(spare2, 1, 7);
}

void fightgame::loadprefs() {
  media::infile in;
  if (!openregular(in, prefsfile)) {
    saveprefs();
    if (!openregular(in, prefsfile)) return;  // neither readable nor creatable: the defaults stay
  }
  readprefs(in);
  in.close();
}

void fightgame::readprefs(media::infile& in) {
  for (auto field : prefslines) {
    if (in.eof()) break;  // a short file leaves the remaining values as they were
    this->*field = saturatetoint(media::toint(in.readline()));
  }
  // Every setting reaches the physics, the particles and the audio before the options screen
  // ever runs, so a hand-edited value must not leave its range even for one frame.
  clampoptions();
}

void fightgame::saveprefs() {
  std::string bytes;
  for (auto field : prefslines) {
    bytes += std::to_string(this->*field);
    bytes += "\r\n";
  }
  media::savefile(prefsfile, bytes);  // a failed save keeps the old file; nothing to report
}

void fightgame::optionsscreen() {
  flushmenukeys();
  int selection = 1;
  char text[64];
  for (;;) {
    media::cls();
    cyclecolours();
    setpalettecolour(1);
    drawcentred("FLOPFIST", 0.6075f, 20);
    for (int r = 1; r <= resetrow; ++r) {
      if (r == selection) {
        setpalettecolour(2);
      } else {
        media::setcolor(100, 100, 100);
      }
      if (r == resetrow) {
        std::snprintf(text, sizeof text, "RESET OPTIONS");
      } else {
        const optionrow& row = optionrows[r - 1];
        std::snprintf(text, sizeof text, "%s%d%s", row.label, this->*row.field,
                      r == fullscreenrow ? "  [AT RESTART]" : "");
      }
      drawcentred(text, 0.1875f, float(170 + 40 * r));
    }
    media::setscale(1, 1);

    if (selection == resetrow && (media::keydown(media::key::enter) || media::keydown(media::key::space))) {
      resetoptions();
    }
    // Hits are read every frame, so a press made on one row never acts later on another.
    const bool left = media::keyhit(media::key::left) > 0;
    const bool right = media::keyhit(media::key::right) > 0;
    if (selection < resetrow) {
      int& value = this->*optionrows[selection - 1].field;
      if (left) --value;
      if (right) ++value;
    }
    clampoptions();
    if (media::keyhit(media::key::up) > 0) --selection;
    if (media::keyhit(media::key::down) > 0) ++selection;
    if (selection < 1) selection = resetrow;
    if (selection > resetrow) selection = 1;

    media::flip(-1);
    quitcheck();

    const bool enter = media::keyhit(media::key::enter) > 0;
    const bool space = media::keyhit(media::key::space) > 0;
    const bool escape = media::keyhit(media::key::escape) > 0;
    if (((enter || space) && selection != resetrow) || escape) break;
  }
  saveprefs();
}

}  // namespace flopfist
