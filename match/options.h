// The options a player sets on the OPTIONS screen, in their ranges; the file keeps them between runs.
#pragma once

#include <array>

namespace flopfist {

struct options {
  int gravity = 1;
  int playersspeed = 4;
  int flexibility = 5;
  int blowpower = 5;
  int ailevel = 1;
  int slowmotion = 3;
  int blood = 10;
  int plasma = 1;
  int fullscreen = 0;
  int soundsvolume = 6;
  int musicvolume = 6;
  int spare1 = 1;  // kept in the file for its layout; nothing reads it
  int spare2 = 1;  // likewise, within 1..7

  // Every value back in its range, whatever a file or a key press made of it.
  void clamp();
};

// One visible setting of the options screen, in row order, with its range.
struct optionrow {
  const char* label;
  int options::*field;
  int low, high;
};
extern const std::array<optionrow, 11> optionrows;

// The options the match itself reads; the others (full screen, volumes) only change how it is shown
// and heard, so a replay keeps these alone.
extern const std::array<int options::*, 8> matchrules;

}  // namespace flopfist
