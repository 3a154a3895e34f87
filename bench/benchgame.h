// A game with its assets loaded and the headless test frame open, for the benchmarks.
#pragma once

#include <memory>

#include "app/fightgame.h"

// Changes into the asset folder (the game reads its files by relative path), restarts the media
// layer in test mode, loads the images, sounds and font as start-up does, sets the working option
// defaults and seeds the generator. Null when the asset folder is missing.
std::unique_ptr<flopfist::fightgame> benchgame(int seed);
