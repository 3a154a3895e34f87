// Shared test fixture: temporary working folder, assets, media test mode.
#include "tests/support/testenv.h"

#include <unistd.h>

#include <filesystem>

#include "media/media.h"
#include "media/paths.h"

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
  media::resetfolders();  // a test that chose folders leaves the working folder to the next
  fs::current_path(olddir_);
  std::error_code ignored;
  fs::remove_all(workdir, ignored);
}

assets openassets() {
  assets art;
  media::setimageflags(7);
  art.images.limb = media::loadimage("images/quad280.png");
  media::midhandle(art.images.limb);
  art.images.joint = media::loadimage("images/ballimage280.png");
  media::midhandle(art.images.joint);
  art.blowsound = media::loadsound("sounds/blow.wav");
  art.blocksound = media::loadsound("sounds/block.wav");
  art.splash = media::loadimage("images/205275.png");
  art.images.spark = media::loadimage("images/spark.png");
  media::opengraphics(1024, 768, 0, 60);
  art.font = media::loadfont("images/font.ttf", 200, 4);
  media::setfont(art.font);
  media::setblend(media::blend::alpha);
  return art;
}

std::unique_ptr<match> makematch(gamemode mode, int level, int seed, const options& rules) {
  matchsetup setup;
  setup.mode = mode;
  setup.level = level;
  setup.rules = rules;
  setup.rng = media::generator(seed);
  return std::make_unique<match>(setup);
}

std::unique_ptr<fightgame> makegame() {
  auto game = std::make_unique<fightgame>();
  game->art = openassets();
  game->settings = options{};
  return game;
}

}  // namespace flopfist::testing
