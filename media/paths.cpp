// Where the player's files are kept (the XDG folders, or one portable folder) and where the game's
// own data is found.
#include "media/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace media {

namespace {

playerplaces current{"", "", portableway::workingfolder};
std::string founddata;

bool isfolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::string withoutslashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The folder above; lexical, as the executable's folder is already free of links and dots.
std::string parentof(const std::string& folder) {
  const size_t slash = folder.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : folder.substr(0, slash);
}

// An XDG base folder: the variable when it holds an absolute path (a relative or empty one is
// ignored, as the XDG rules say), else the fallback under HOME; "" when neither can be had.
std::string basefolder(const std::optional<std::string>& variable, const std::string& home,
                       const char* fallback) {
  if (variable && !variable->empty() && (*variable)[0] == '/') return withoutslashes(*variable);
  if (home.empty() || home[0] != '/') return "";
  return withoutslashes(home) + "/" + fallback;
}

bool hasdata(const std::string& folder) {
  return isfolder(folder + "/images") && isfolder(folder + "/sounds") && isfolder(folder + "/music");
}

// Whether path is root itself or inside it.
bool within(const std::string& path, const std::string& root) {
  return !root.empty() && (path == root || (path.starts_with(root) && path[root.size()] == '/'));
}

// The nearest folder at or above path that exists, for asking whether files can be made there.
std::string nearestexisting(std::string path) {
  while (!exists(path)) {
    const std::string up = parentof(path);
    if (up == path) break;
    path = up;
  }
  return path;
}

}  // namespace

playerplaces chooseplaces(const placeinputs& in) {
  const auto portable = [](std::string folder, portableway way) {
    return playerplaces{folder, folder, way};
  };
  if (in.workingfolder) return portable("", portableway::workingfolder);
  if (!in.portablearg.empty()) return portable(withoutslashes(in.portablearg), portableway::argument);
  if (in.gamehome && !in.gamehome->empty()) return portable(withoutslashes(*in.gamehome), portableway::variable);
  if (in.portablefile && !in.exefolder.empty()) return portable(in.exefolder, portableway::filebesideexe);
  const std::string home = in.home.value_or("");
  const std::string config = basefolder(in.xdgconfig, home, ".config");
  const std::string data = basefolder(in.xdgdata, home, ".local/share");
  // No home to keep files in: the working folder, as the game always did.
  if (config.empty() || data.empty()) return portable("", portableway::workingfolder);
  return playerplaces{config + "/flopfist", data + "/flopfist", portableway::none};
}

std::vector<std::string> datacandidates(const placeinputs& in) {
  std::vector<std::string> places;
  const auto add = [&](const std::string& folder) {
    if (!folder.empty() && std::find(places.begin(), places.end(), folder) == places.end())
      places.push_back(folder);
  };
  if (in.gamedata) add(withoutslashes(*in.gamedata));
  if (!in.exefolder.empty()) {
    add(in.exefolder);
    add(joinpath(parentof(in.exefolder), "share/games/flopfist"));
  }
  add(in.installeddata);
  return places;
}

std::string usefolders(const placeinputs& in) {
  current = chooseplaces(in);
  founddata.clear();
  if (in.workingfolder) return "";
  const std::vector<std::string> places = datacandidates(in);
  for (const std::string& folder : places) {
    if (hasdata(folder)) {
      founddata = folder;
      return "";
    }
  }
  std::string message =
      "flopfist: cannot find the game's data (the folders images/, sounds/ and music/). Looked in:\n";
  for (const std::string& folder : places) message += "  " + folder + "\n";
  message += "Set FLOPFIST_DATA to the folder that holds them.\n";
  return message;
}

void resetfolders() {
  current = playerplaces{};
  current.portable = portableway::workingfolder;
  founddata.clear();
}

const playerplaces& currentplaces() {
  return current;
}

std::string datafolder() {
  return founddata;
}

std::string joinpath(const std::string& folder, std::string_view path) {
  if (folder.empty() || (!path.empty() && path[0] == '/')) return std::string(path);
  return folder + "/" + std::string(path);
}

std::string settingspath(std::string_view name) {
  return joinpath(current.settings, name);
}

std::string playerdatapath(std::string_view name) {
  return joinpath(current.data, name);
}

bool makeplayerfolder(const std::string& folder) {
  if (!within(folder, current.settings) && !within(folder, current.data)) return false;
  // Each missing folder from the top down; one made meanwhile by another program is fine.
  for (size_t slash = folder.find('/', 1); ; slash = folder.find('/', slash + 1)) {
    const std::string part = slash == std::string::npos ? folder : folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  return isfolder(folder);
}

std::string folderproblem() {
  for (const std::string& folder : {current.settings, current.data}) {
    const std::string place = folder.empty() ? "." : folder;
    const std::string existing = nearestexisting(place);
    if (!isfolder(existing) || ::access(existing.c_str(), W_OK | X_OK) != 0)
      return "CANNOT SAVE: " + place + " CANNOT BE WRITTEN";
  }
  return "";
}

}  // namespace media
