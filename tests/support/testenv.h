// Shared test fixture: a fresh working folder with the game's assets, the media layer in test mode.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/fightgame.h"
#include "media/testing.h"

namespace flopfist::testing {

// Folder of the generated assets (images/, sounds/, music/).
std::string assetdir();
// A path under tests/artefacts/ for screenshots a person can look at; the folder is created.
std::string artefact(const std::string& name);

// Every test that touches the media layer derives from this: SetUp makes a fresh temporary working
// folder with links to the assets, changes into it and resets the media layer in test mode.
class gametest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string workdir;

 private:
  std::string olddir_;
};

// Loads the images, sounds and font and opens the 1024 x 768 test frame, as start-up does,
// without the splash, the music, the score file or the preferences file.
assets openassets();
// A match of the mode and level with its generator seeded, as a series would begin it.
std::unique_ptr<match> makematch(gamemode mode, int level, int seed = 4660, const options& rules = {});

// A game with its assets open and the working option defaults (GRAVITY 1, SPEED 4, ...).
std::unique_ptr<fightgame> makegame();

}  // namespace flopfist::testing
