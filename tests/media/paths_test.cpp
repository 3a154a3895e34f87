// The folder rules: the XDG folders and their variables, the three ways to a portable folder, the
// order the game's data is looked for in, and folders of the player's that cannot be written.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media/folders.h"
#include "media/media.h"
#include "media/paths.h"
#include "tests/support/testenv.h"

namespace {

namespace fs = std::filesystem;
using list = std::vector<std::string>;
using pathstest = flopfist::testing::gametest;

media::placeinputs athome() {
  media::placeinputs in;
  in.home = "/home/ann";
  return in;
}

TEST(paths, XdgVariablesSetUnsetEmptyOrRelative) {
  media::placeinputs in = athome();
  media::playerplaces p = media::chooseplaces(in);  // unset: the fallbacks under HOME
  EXPECT_EQ(p.settings, "/home/ann/.config/flopfist");
  EXPECT_EQ(p.data, "/home/ann/.local/share/flopfist");
  EXPECT_EQ(p.portable, media::portableway::none);

  in.xdgconfig = "/cfg/";
  in.xdgdata = "/var/d";
  p = media::chooseplaces(in);
  EXPECT_EQ(p.settings, "/cfg/flopfist");
  EXPECT_EQ(p.data, "/var/d/flopfist");

  // Empty or relative values are ignored, each on its own.
  for (const char* ignored : {"", "cfg", "./cfg", "~/cfg"}) {
    in.xdgconfig = ignored;
    p = media::chooseplaces(in);
    EXPECT_EQ(p.settings, "/home/ann/.config/flopfist") << '"' << ignored << '"';
    EXPECT_EQ(p.data, "/var/d/flopfist");
  }

  // Nowhere to keep them (no home, no absolute variable): the working folder, as before.
  in = media::placeinputs{};
  in.xdgconfig = "/cfg";
  p = media::chooseplaces(in);
  EXPECT_EQ(p.settings, "");
  EXPECT_EQ(p.data, "");
  in.xdgdata = "/d";
  EXPECT_EQ(media::chooseplaces(in).data, "/d/flopfist");
}

TEST(paths, EachWayToAPortableFolderAndWhichWins) {
  media::placeinputs in = athome();
  in.xdgconfig = "/cfg";
  in.exefolder = "/opt/flopfist";
  in.portablefile = true;
  media::playerplaces p = media::chooseplaces(in);
  EXPECT_EQ(p.portable, media::portableway::filebesideexe);
  EXPECT_EQ(p.settings, "/opt/flopfist");
  EXPECT_EQ(p.data, "/opt/flopfist");

  in.gamehome = "";  // set to nothing: as if unset
  EXPECT_EQ(media::chooseplaces(in).portable, media::portableway::filebesideexe);
  in.gamehome = "/media/stick/ff/";
  p = media::chooseplaces(in);
  EXPECT_EQ(p.portable, media::portableway::variable);
  EXPECT_EQ(p.settings, "/media/stick/ff");
  EXPECT_EQ(p.data, "/media/stick/ff");

  in.portablearg = "here";
  p = media::chooseplaces(in);
  EXPECT_EQ(p.portable, media::portableway::argument);
  EXPECT_EQ(p.settings, "here");
  EXPECT_EQ(media::joinpath(p.settings, "prefs.qmx"), "here/prefs.qmx");

  // portable.txt counts only beside a known executable, never in the working folder.
  in = athome();
  in.portablefile = true;
  EXPECT_EQ(media::chooseplaces(in).portable, media::portableway::none);
}

TEST_F(pathstest, DataIsLookedForInOrderAndEveryPlaceTriedIsNamed) {
  const std::string root = workdir + "/tree";
  const auto makedata = [](const std::string& folder, list subs) {
    for (const std::string& sub : subs) fs::create_directories(folder + "/" + sub);
  };
  media::placeinputs in = athome();
  in.gamedata = root + "/given";
  in.exefolder = root + "/usr/games";
  in.installeddata = root + "/installed";
  EXPECT_EQ(media::datacandidates(in),
            (list{root + "/given", root + "/usr/games", root + "/usr/share/games/flopfist", root + "/installed"}));

  const std::string nodata = media::usefolders(in);
  for (const std::string& place : media::datacandidates(in))
    EXPECT_NE(nodata.find(place + "\n"), std::string::npos) << place << " not named in: " << nodata;

  // Each place takes over only when every place before it lacks one of the three folders.
  makedata(in.installeddata, {"images", "sounds", "music"});
  EXPECT_EQ(media::usefolders(in), "");
  EXPECT_EQ(media::datafolder(), root + "/installed");
  makedata(root + "/usr/share/games/flopfist", {"images", "sounds", "music"});
  EXPECT_EQ(media::usefolders(in), "");
  EXPECT_EQ(media::datafolder(), root + "/usr/share/games/flopfist");
  makedata(root + "/usr/games", {"images", "sounds"});
  makedata(*in.gamedata, {"images", "music"});
  EXPECT_EQ(media::usefolders(in), "");
  EXPECT_EQ(media::datafolder(), root + "/usr/share/games/flopfist");
  makedata(root + "/usr/games", {"music"});
  EXPECT_EQ(media::usefolders(in), "");
  EXPECT_EQ(media::datafolder(), root + "/usr/games");
  makedata(*in.gamedata, {"sounds"});
  EXPECT_EQ(media::usefolders(in), "");
  EXPECT_EQ(media::datafolder(), root + "/given");
}

TEST_F(pathstest, TheGameReadsItsDataFromTheFolderFoundNotTheWorkingFolder) {
  for (const char* sub : {"images", "sounds", "music"}) fs::remove(sub);
  media::placeinputs in = athome();
  in.home = workdir + "/home";
  in.gamedata = flopfist::testing::assetdir();
  ASSERT_EQ(media::usefolders(in), "");
  EXPECT_NE(media::loadimage("images/spark.png"), nullptr);
  EXPECT_NE(media::loadsound("sounds/blow.wav"), nullptr);
}

TEST_F(pathstest, FoldersAreMadeOnlyAtTheFirstSaveAndOnly0700) {
  media::placeinputs in = athome();
  in.home = workdir + "/home";
  fs::create_directory(*in.home);
  media::usefolders(in);
  EXPECT_TRUE(fs::is_empty(*in.home));
  EXPECT_EQ(media::folderproblem(), "") << "a folder that can be made is no problem";
  EXPECT_TRUE(fs::is_empty(*in.home)) << "asking made something";

  ASSERT_TRUE(media::savefile(media::settingspath("prefs.qmx"), "1\r\n"));
  ASSERT_TRUE(media::makefolder(media::playerdatapath("replays")));
  for (const char* made : {"/.config", "/.config/flopfist", "/.local", "/.local/share", "/.local/share/flopfist",
                           "/.local/share/flopfist/replays"}) {
    struct stat st {};
    ASSERT_EQ(::stat((*in.home + made).c_str(), &st), 0) << made;
    EXPECT_EQ(st.st_mode & 07777, 0700u) << made;
  }
  // A folder of someone else's is not the player's to make.
  EXPECT_FALSE(media::makeplayerfolder(workdir + "/elsewhere/x"));
  EXPECT_FALSE(fs::exists(workdir + "/elsewhere"));
}

TEST_F(pathstest, AConfigFolderThatCannotBeWrittenIsNamedAndSavingFailsCleanly) {
  media::placeinputs in = athome();
  in.home = workdir + "/home";
  // A file where the folder should be: even root cannot make a folder there.
  fs::create_directories(*in.home);
  std::ofstream(*in.home + "/.config") << "not a folder";
  media::usefolders(in);
  const std::string problem = media::folderproblem();
  EXPECT_NE(problem.find(*in.home + "/.config/flopfist"), std::string::npos) << problem;
  EXPECT_FALSE(media::savefile(media::settingspath("prefs.qmx"), "1\r\n"));
  EXPECT_TRUE(media::savefile(media::playerdatapath("scores.txt"), "NOBODY\r\n0\r\n")) << "data is elsewhere";

  if (::geteuid() != 0) {  // root writes whatever the mode says
    in.portablearg = workdir + "/locked";
    fs::create_directory(in.portablearg);
    fs::permissions(in.portablearg, fs::perms::owner_read | fs::perms::owner_exec);
    media::usefolders(in);
    EXPECT_NE(media::folderproblem().find("locked"), std::string::npos);
    fs::permissions(in.portablearg, fs::perms::owner_all);
  }
}

}  // namespace
