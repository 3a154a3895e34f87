// Shared test fixture: temporary working folder, assets, media test mode.
#include "tests/support/testenv.h"

#include <unistd.h>

#include <filesystem>

#include "media/media.h"

namespace fs = std::filesystem;

namespace flopfist::testing {

std::string assetdir() { return FLOPFIST_ASSET_DIR; }

std::string artefact(const std::string& name) {
  fs::create_directories(FLOPFIST_ARTEFACT_DIR);
  return std::string(FLOPFIST_ARTEFACT_DIR) + "/" + name;
}

void gametest::SetUp() {
  olddir_ = fs::current_path().string();
  char pattern[] = "/tmp/flopfist-test-XXXXXX";
  const char* made = mkdtemp(pattern);
  ASSERT_NE(made, nullptr);
  workdir = made;
  for (const char* sub : {"images", "sounds", "music"}) {
    fs::create_directory_symlink(assetdir() + "/" + sub, workdir + "/" + sub);
  }
  fs::current_path(workdir);
  media::test::reset();
}

void gametest::TearDown() {
  fs::current_path(olddir_);
  std::error_code ignored;
  fs::remove_all(workdir, ignored);
}

void openassets(fightgame& game) {
  media::setimageflags(7);
  game.limbimage = media::loadimage("images/quad280.png");
  media::midhandle(game.limbimage);
  game.jointimage = media::loadimage("images/ballimage280.png");
  media::midhandle(game.jointimage);
  game.blowsound = media::loadsound("sounds/blow.wav");
  game.blocksound = media::loadsound("sounds/block.wav");
  game.splashimage = media::loadimage("images/205275.png");
  game.sparkimage = media::loadimage("images/spark.png");
  media::opengraphics(1024, 768, 0, 60);
  game.gamefont = media::loadfont("images/font.ttf", 200, 4);
  media::setfont(game.gamefont);
  media::setblend(media::blend::alpha);
}

std::unique_ptr<fightgame> makegame() {
  auto game = std::make_unique<fightgame>();
  openassets(*game);
  game->resetoptions();
  return game;
}

}  // namespace flopfist::testing
