// The player's files in the XDG folders: a run that changes nothing writes nothing anywhere, each
// file goes to its own folder at its first save, and a folder that cannot be written is shown.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media/paths.h"
#include "tests/support/scripted.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

namespace fs = std::filesystem;
using folderstest = gametest;

// Every file and folder under root, relative to it, sorted.
std::vector<std::string> tree(const std::string& root) {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(root)) names.push_back(fs::relative(e.path(), root).string());
  std::sort(names.begin(), names.end());
  return names;
}

media::placeinputs homein(const std::string& workdir) {
  media::placeinputs in;
  in.home = workdir + "/home";
  in.gamedata = assetdir();
  fs::create_directory(*in.home);
  return in;
}

TEST_F(folderstest, AQuietRunWritesNothingAndEachSaveFindsItsFolder) {
  const media::placeinputs in = homein(workdir);
  ASSERT_EQ(media::usefolders(in), "");
  const std::vector<std::string> before = tree(workdir);
  auto game = makegame();
  game->scores.defaults();
  game->loadscores();
  game->loadprefs();
  game->loadkeys();
  EXPECT_EQ(tree(workdir), before) << "loading with no files yet wrote some";

  game->settings.gravity = 2;
  game->saveprefs();
  game->savekeys();
  game->scores.add("ANN", 500);
  game->savescores();
  const std::string replay = shortmatch(*game, 120);
  const std::string config = *in.home + "/.config/flopfist/", data = *in.home + "/.local/share/flopfist/";
  EXPECT_TRUE(fs::is_regular_file(config + "prefs.qmx"));
  EXPECT_TRUE(fs::is_regular_file(config + "controls.cfg"));
  EXPECT_TRUE(fs::is_regular_file(data + "scores.txt"));
  EXPECT_TRUE(replay.starts_with(data + "replays/")) << replay;
  EXPECT_TRUE(fs::is_regular_file(replay));
  for (const std::string& name : tree(workdir))
    EXPECT_TRUE(name.starts_with("home") || std::count(before.begin(), before.end(), name)) << name << " in the working folder";

  // The next run reads them back from there.
  auto next = makegame();
  next->loadprefs();
  next->scores.defaults();
  next->loadscores();
  EXPECT_EQ(next->settings.gravity, 2);
  EXPECT_EQ(next->scores.rows[0].name, "ANN");
}

TEST_F(folderstest, AFolderThatCannotBeWrittenIsShownAtStart) {
  media::placeinputs in = homein(workdir);
  std::ofstream(*in.home + "/.config") << "a file where the folder should be";
  ASSERT_EQ(media::usefolders(in), "");
  fightgame game;
  game.startup();
  const std::string note = game.note.text.data();
  EXPECT_NE(note.find("CANNOT SAVE"), std::string::npos) << note;
  EXPECT_GT(game.note.frames, 0);

  fs::remove(*in.home + "/.config");
  media::usefolders(in);
  fightgame fine;
  fine.startup();
  EXPECT_EQ(std::string(fine.note.text.data()), "");
}

}  // namespace
}  // namespace flopfist::testing
