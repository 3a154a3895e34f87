// Where the player's files are kept and where the game's own pictures, sounds and music are found.
// Until usefolders runs (tests, tools, the browser) every one of them is the working folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace media {

// The game's name on the desktop: its menu entry, icons, catalogue entry and window class. The
// build reads it from this line for the files it installs.
constexpr const char* appid = "example.flopfist.Flopfist";

// What the folders are chosen from: the environment, the executable's place and the command line.
// A variable that is not set is nullopt; one set to nothing is an empty string.
struct placeinputs {
  std::optional<std::string> home, xdgconfig, xdgdata;  // HOME, XDG_CONFIG_HOME, XDG_DATA_HOME
  std::optional<std::string> gamehome, gamedata;        // FLOPFIST_HOME, FLOPFIST_DATA
  std::string portablearg;    // --portable DIR; empty when not given
  std::string exefolder;      // the folder of the running executable; empty when unknown
  bool portablefile = false;  // a portable.txt lies beside the executable
  std::string installeddata;  // the data folder chosen when the game was built for installing
  bool workingfolder = false; // everything in the working folder, whatever else says (the browser)
};

// How portable mode was chosen, if it was.
enum class portableway { none, argument, variable, filebesideexe, workingfolder };

// The player's two folders: options and keys in settings; scores, replays and pad mappings in
// data. Empty means the working folder. In portable mode both are the one folder.
struct playerplaces {
  std::string settings, data;
  portableway portable = portableway::none;
};
playerplaces chooseplaces(const placeinputs& in);

// The folders the game's data is looked for in, in order, repeats left out.
std::vector<std::string> datacandidates(const placeinputs& in);

// ---- This run's folders ----
// Chooses the folders from the inputs and finds the data. Returns "" when the data was found,
// otherwise the message for the player, naming every place tried; the folders are set all the same.
std::string usefolders(const placeinputs& in);
// What the running program is started with (media/desktopplaces.cpp, media/webplaces.cpp).
placeinputs hostinputs(const std::string& portablearg);
void resetfolders();  // back to the working folder for everything

const playerplaces& currentplaces();
std::string datafolder();  // where the game's data was found; "" is the working folder
// Paths of the player's files: settingspath("prefs.qmx"), playerdatapath("replays").
std::string settingspath(std::string_view name);
std::string playerdatapath(std::string_view name);
// A path relative to a folder; an absolute path, or an empty folder, leaves it as it is.
std::string joinpath(const std::string& folder, std::string_view path);

// Makes a missing folder of the player's, with every missing folder above it, each 0700 so that no
// other user reads the player's files. Folders outside the player's are left alone (false).
bool makeplayerfolder(const std::string& folder);
// When a folder of the player's cannot be written: the message to show, naming it; "" when both
// can (a missing folder that can be made counts as writable). Nothing is made to find out.
std::string folderproblem();

}  // namespace media
