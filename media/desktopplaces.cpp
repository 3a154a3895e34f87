// The desktop's inputs to the folder rules: the environment and the executable's own path, which
// is read from the system and not from the working folder, so a menu or a shell anywhere agree.
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "media/folders.h"
#include "media/paths.h"

#ifndef FLOPFIST_INSTALLED_DATA
#define FLOPFIST_INSTALLED_DATA ""
#endif

namespace media {

namespace {

std::optional<std::string> variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

// The user's home from the password database, for a start without HOME.
std::optional<std::string> passwordhome() {
  const passwd* pw = ::getpwuid(::getuid());
  if (pw == nullptr || pw->pw_dir == nullptr) return std::nullopt;
  return std::string(pw->pw_dir);
}

std::string executablefolder() {
  std::string path(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || size_t(n) >= path.size()) return "";
  path.resize(size_t(n));
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

placeinputs hostinputs(const std::string& portablearg) {
  placeinputs in;
  in.home = variable("HOME");
  if (!in.home || in.home->empty()) in.home = passwordhome();
  in.xdgconfig = variable("XDG_CONFIG_HOME");
  in.xdgdata = variable("XDG_DATA_HOME");
  in.gamehome = variable("FLOPFIST_HOME");
  in.gamedata = variable("FLOPFIST_DATA");
  in.portablearg = portablearg;
  in.exefolder = executablefolder();
  in.portablefile = !in.exefolder.empty() && kindof(in.exefolder + "/portable.txt") != pathkind::missing;
  in.installeddata = FLOPFIST_INSTALLED_DATA;
  return in;
}

}  // namespace media
