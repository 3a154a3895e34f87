// The rows and ranges of the options.
#include "match/options.h"

#include <algorithm>

namespace flopfist {

const std::array<optionrow, 11> optionrows{{
    {"GRAVITY  ", &options::gravity, 0, 10},
    {"PLAYERS SPEED  ", &options::playersspeed, 1, 10},
    {"FLEXIBILITY  ", &options::flexibility, 1, 20},
    {"BLOWPOWER  ", &options::blowpower, 1, 10},
    {"AI LEVEL  ", &options::ailevel, 1, 10},
    {"SLOW MOTION  ", &options::slowmotion, 0, 10},
    {"BLOOD  ", &options::blood, 0, 30},
    {"PLASMA EFFECTS  ", &options::plasma, 0, 1},
    {"FULLSCREEN  ", &options::fullscreen, 0, 1},
    {"SOUNDS VOLUME  ", &options::soundsvolume, 0, 10},
    {"MUSIC VOLUME  ", &options::musicvolume, 0, 10},
}};

const std::array<int options::*, 8> matchrules{
    &options::gravity, &options::playersspeed, &options::flexibility, &options::blowpower,
    &options::ailevel, &options::slowmotion,   &options::blood,       &options::plasma,
};

void options::clamp() {
  for (const auto& row : optionrows) this->*row.field = std::clamp(this->*row.field, row.low, row.high);
  spare2 = std::clamp(spare2, 1, 7);
}

}  // namespace flopfist
