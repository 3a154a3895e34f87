// The soak's only contact with the game's own code: a co-op match started, played a frame at a time, checked.
#pragma once

#include <string>

namespace soak {

struct options {
  int blood, flexibility, gravity, ailevel;
};

// Loads the game's pictures, sounds and font from the working folder and opens the test frame.
void opengame();
// Starts a co-op match at a level (1..20) with the given options.
void startmatch(int level, const options& o);
// Plays one tick (a step, or a tick held after one); false once the match has ended and shown its last.
bool playframe();
// Empty when every number of the match is finite; otherwise names the first that is not.
std::string firstnonfinite();

}  // namespace soak
