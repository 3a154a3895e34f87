// Folders, whole files as bytes and the calendar date.
#include "media/folders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>

#include "media/internal.h"
#include "media/paths.h"

namespace media {

namespace {
constexpr int64_t testday = 1717243200;  // 2024-06-01 12:00 UTC

bool isfolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

bool makefolder(const std::string& path) {
  if (makeplayerfolder(path)) return true;  // 0700, with the player's folders above it
  if (::mkdir(path.c_str(), 0755) == 0) return true;
  return errno == EEXIST && isfolder(path);
}

std::vector<std::string> filesin(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name != "." && name != ".." && fileexists(folder + "/" + name)) names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

bool removefile(const std::string& path) {
  const bool removed = ::unlink(path.c_str()) == 0;
  if (removed) filesaved();
  return removed;
}

bool renamefile(const std::string& from, const std::string& to) {
  // link then unlink never replaces a file already named to.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

pathkind kindof(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return errno == EACCES ? pathkind::unreadable : pathkind::missing;
  if (S_ISDIR(st.st_mode)) return pathkind::folder;
  if (!S_ISREG(st.st_mode)) return pathkind::other;
  return ::access(path.c_str(), R_OK) == 0 ? pathkind::readable : pathkind::unreadable;
}

bool readbytes(const std::string& path, std::string& bytes, size_t most) {
  bytes.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && uint64_t(st.st_size) <= most;
  if (ok) bytes.reserve(size_t(st.st_size));
  char chunk[16384];
  while (ok) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    ok = bytes.size() + size_t(n) <= most;  // it may grow while being read
    if (ok) bytes.append(chunk, size_t(n));
  }
  ::close(fd);
  if (!ok) bytes.clear();
  return ok;
}

int64_t calendarseconds() {
  if (sys.testing) return testday + int64_t(virtualclock() / 1000.0);
  return int64_t(std::time(nullptr));
}

std::string datetext(int64_t seconds) {
  const std::time_t t = std::time_t(seconds);
  std::tm parts{};
  const bool ok = sys.testing ? ::gmtime_r(&t, &parts) != nullptr : ::localtime_r(&t, &parts) != nullptr;
  if (!ok) return "?";
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", parts.tm_year + 1900, parts.tm_mon + 1,
                parts.tm_mday, parts.tm_hour, parts.tm_min);
  return text;
}

}  // namespace media
