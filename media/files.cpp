// File streams: whole-file line reading, safe whole-file saving and the game's integer conversion.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "media/folders.h"
#include "media/internal.h"
#include "media/media.h"
#include "media/paths.h"

namespace media {

namespace {
bool failsave = false;

// Writes all bytes to fd, retrying short writes; false on any error.
bool writeall(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

// The folder holding path, for syncing the rename to disk.
std::string folderof(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a path finally names: symbolic links are followed, relative ones from their own folder,
// so that saving replaces the link's target and keeps the link. Empty for a loop of links.
std::string followlinks(std::string path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string link(size_t(st.st_size > 0 ? st.st_size : 256) + 1, '\0');
    const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
    if (n <= 0 || size_t(n) >= link.size()) return {};  // changed under us
    link.resize(size_t(n));
    path = link[0] == '/' || path.find('/') == std::string::npos ? link : folderof(path) + "/" + link;
  }
  return {};
}

// Overwrites a file through its own descriptor, then cuts it to the new length and flushes it.
// Not atomic, so it is used only when no temporary file can be made beside it.
bool writeinplace(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok;
  if (failsave) {
    failsave = false;
    ok = false;
  } else {
    ok = writeall(fd, bytes) && ::ftruncate(fd, off_t(bytes.size())) == 0 && ::fsync(fd) == 0;
  }
  ok = (::close(fd) == 0) && ok;
  if (ok) filesaved();
  return ok;
}

int digitvalue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}
}  // namespace

void setfailnextsave() {
  failsave = true;
}
void resetfiles() {
  failsave = false;
  resetfolders();
}

bool infile::open(const std::string& path) {
  close();
  open_ = readbytes(path, bytes_);  // a folder or a device is not a file to read
  return open_;
}

bool infile::eof() const {
  return !open_ || pos_ >= bytes_.size();
}

std::string infile::readline() {
  std::string line;
  while (pos_ < bytes_.size()) {
    const char c = bytes_[pos_++];
    if (c == '\n' || c == '\0') break;
    if (c != '\r') line += c;
  }
  return line;
}

void infile::close() {
  bytes_.clear();
  pos_ = 0;
  open_ = false;
}

bool savefile(const std::string& path, std::string_view bytes) {
  const std::string target = followlinks(path);
  if (target.empty()) return false;
  struct stat old {};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (exists) {
    if (!S_ISREG(old.st_mode)) return false;
    // A file the player made read-only stays as it is, even for root, who could write it anyway.
    if ((old.st_mode & 0222) == 0) return false;
    const int probe = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (probe < 0) return false;
    ::close(probe);
  }
  // The first save of a player's file makes its folder (0700); a run that saves nothing makes none.
  if (!exists) makeplayerfolder(folderof(target));
  std::string temp = target + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    // The folder takes no new file, but the file itself may be written: the only way left.
    return exists && (errno == EACCES || errno == EPERM || errno == EROFS) &&
           writeinplace(target, bytes);
  }
  if (exists) {
    // Owner first: changing it can clear the set-id bits the mode then puts back. Only root may
    // give a file away, so a failure here just leaves the file as the player's own.
    [[maybe_unused]] const int owned = ::fchown(fd, old.st_uid, old.st_gid);
    ::fchmod(fd, old.st_mode & 07777);
  } else {
    ::fchmod(fd, 0644);
  }
  bool ok;
  if (failsave) {
    // An injected failure: part of the data reaches the temporary file, then the write fails.
    failsave = false;
    writeall(fd, bytes.substr(0, bytes.size() / 2));
    ok = false;
  } else {
    ok = writeall(fd, bytes) && ::fsync(fd) == 0;
  }
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = std::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // Make the rename itself durable; the data is already safe if this fails.
  const int dir = ::open(folderof(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  filesaved();
  return true;
}

bool fileexists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int64_t toint(std::string_view text) {
  size_t i = 0;
  while (i < text.size() &&
         (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '%') {
    base = 2;
    ++i;
  } else if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  }
  // Accumulate the magnitude as unsigned and saturate at the 64-bit limit of the sign.
  const uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                  : uint64_t(std::numeric_limits<int64_t>::max());
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const int d = digitvalue(text[i]);
    if (d >= base) break;
    if (value > (limit - uint64_t(d)) / uint64_t(base)) {
      value = limit;
    } else {
      value = value * uint64_t(base) + uint64_t(d);
    }
  }
  if (!negative) return int64_t(value);
  return value == limit ? std::numeric_limits<int64_t>::min() : -int64_t(value);
}

}  // namespace media
