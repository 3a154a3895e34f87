// The options screen and the preferences file "prefs.qmx".
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "app/fightgame.h"
#include "body/util.h"
#include "match/options.h"
#include "media/controls.h"
#include "media/paths.h"
#include "media/window.h"

namespace flopfist {

namespace {

constexpr const char* prefsfile = "prefs.qmx";

constexpr int fullscreenrow = 9;
constexpr int resetrow = 12;

// The fields in the order of the file's 13 lines.
constexpr std::array<int options::*, 13> prefslines{
    &options::spare1,       &options::playersspeed, &options::flexibility, &options::spare2,
    &options::blowpower,    &options::plasma,       &options::slowmotion,  &options::fullscreen,
    &options::soundsvolume, &options::musicvolume,  &options::gravity,     &options::ailevel,
    &options::blood,
};

// A file value narrowed to int without wrapping, so a huge number cannot come back in range.
int saturatetoint(int64_t v) {
  return int(std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}


}  // namespace

void fightgame::loadprefs() {
  media::infile in;
  // No file yet: the defaults, and nothing written until the player changes something.
  if (!openregular(in, media::settingspath(prefsfile))) return;
  readprefs(settings, in);
  in.close();
}

void readprefs(options& o, media::infile& in) {
  for (auto field : prefslines) {
    if (in.eof()) break;  // a short file leaves the remaining values as they were
    o.*field = saturatetoint(media::toint(in.readline()));
  }
  // Every setting reaches the physics, the particles and the audio before the options screen
  // ever runs, so a hand-edited value must not leave its range even for one frame.
  o.clamp();
}

std::string prefstext(const options& o) {
  std::string bytes;
  for (auto field : prefslines) {
    bytes += std::to_string(o.*field);
    bytes += "\r\n";
  }
  return bytes;
}

void fightgame::saveprefs() {
  media::savefile(media::settingspath(prefsfile), prefstext(settings));  // a failed save keeps the old file; nothing to report
}

void fightgame::optionsscreen() {
  namespace pad = media::pad;
  flushmenukeys();
  int& selection = menuplace("options", resetrow);
  char text[64];
  for (;;) {
    media::cls();
    cyclecolours();
    colours.use(1);
    drawcentred("FLOPFIST", 0.6075f, 20);
    for (int r = 1; r <= resetrow; ++r) {
      if (r == selection) {
        colours.use(2);
      } else {
        media::setcolor(100, 100, 100);
      }
      if (r == resetrow) {
        std::snprintf(text, sizeof text, "RESET OPTIONS");
      } else {
        const optionrow& row = optionrows[r - 1];
        std::snprintf(text, sizeof text, "%s%d%s", row.label, settings.*row.field,
                      r == fullscreenrow ? "  (F11)" : "");
      }
      drawcentred(text, 0.1875f, float(170 + 40 * r));
    }
    media::setscale(1, 1);

    if (selection == resetrow && (media::keydown(media::key::enter) ||
                                  media::keydown(media::key::space) || padsheld(pad::a))) {
      settings = options{};
    }
    // Hits are read every frame, so a press made on one row never acts later on another. A pad's
    // held direction repeats, so a value can be run up or down.
    const bool left = media::keyhit(media::key::left) + padhits(pad::left) > 0;
    const bool right = media::keyhit(media::key::right) + padhits(pad::right) > 0;
    // The mouse: pointing at a row selects it, the wheel turns its value, a click on RESET
    // OPTIONS resets them.
    const bool moved = media::mousemoved();
    const bool clicked = media::mouseclicks(media::mouse::left) != 0;
    const int wheel = media::mousewheel();
    float mx = 0, my = 0;
    const int pointed = media::mouseat(mx, my) ? int(std::floor((my - 170) / 40)) : 0;
    if (pointed >= 1 && pointed <= resetrow && (moved || clicked || wheel != 0)) selection = pointed;
    if (clicked && pointed == resetrow) settings = options{};
    if (selection < resetrow) {
      int& value = settings.*optionrows[size_t(selection - 1)].field;
      if (left) --value;
      if (right) ++value;
      if (pointed == selection) value += wheel;
    }
    settings.clamp();
    if ((settings.fullscreen == 1) != media::fullscreen()) media::setfullscreen(settings.fullscreen == 1);
    if (media::keyhit(media::key::up) + padhits(pad::up) > 0) --selection;
    if (media::keyhit(media::key::down) + padhits(pad::down) > 0) ++selection;
    if (selection < 1) selection = resetrow;
    if (selection > resetrow) selection = 1;

    present();

    const bool enter = media::keyhit(media::key::enter) + padhits(pad::a) > 0;
    const bool space = media::keyhit(media::key::space) > 0;
    const bool escape = media::keyhit(media::key::escape) + padhits(pad::b) + padhits(pad::back) +
                            media::mouseclicks(media::mouse::right) + media::mouseclicks(media::mouse::back) > 0;
    if (((enter || space) && selection != resetrow) || escape) break;
  }
  saveprefs();
}

}  // namespace flopfist
