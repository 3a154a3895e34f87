// The folder replays/: each match's replay kept as it ends, the oldest let go, the best kept apart.
#include <algorithm>
#include <cstdio>

#include "replay/folder.h"
#include "media/folders.h"
#include "media/media.h"
#include "media/paths.h"

namespace flopfist {

namespace {

constexpr const char* foldername = "replays";
constexpr const char* bestname = "best.ffr";
constexpr const char* extension = ".ffr";
constexpr const char* keptextension = "-kept.ffr";
constexpr size_t keptcount = 20;
constexpr int shortsteps = 5 * 60;  // five seconds

bool digitsthen(const std::string& name, std::string_view end) {
  return name.size() > end.size() && name.ends_with(end) &&
         std::all_of(name.begin(), name.end() - std::ptrdiff_t(end.size()),
                     [](char c) { return c >= '0' && c <= '9'; });
}

// The numbered files, kept or not, oldest first: "000041.ffr" is the 41st match recorded here,
// "000041-kept.ffr" the same one kept by the player.
std::string folder() { return media::playerdatapath(foldername); }

std::vector<std::string> numbered() {
  std::vector<std::string> names;
  for (const std::string& name : media::filesin(folder())) {
    if (digitsthen(name, extension) || digitsthen(name, keptextension)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return media::toint(a) < media::toint(b);
  });
  return names;
}

std::string path(const std::string& name) { return folder() + "/" + name; }

// A match left within five seconds: what a player starting over and over leaves behind.
bool shortandunfinished(const std::string& name) {
  const loadedreplay r = loadreplay(path(name));
  if (r.problem != replayproblem::none) return true;  // nothing to watch in it either
  return r.data.info.ending == result::left && r.data.info.steps < shortsteps;
}

// Lets unkept replays go past the count: short unfinished matches first, then the oldest. The
// replay just saved stays, whatever it is.
void rotate(std::vector<std::string> names) {
  if (!names.empty()) names.pop_back();
  std::erase_if(names, [](const std::string& n) { return n.ends_with(keptextension); });
  while (names.size() + 1 > keptcount) {
    auto victim = std::find_if(names.begin(), names.end(), shortandunfinished);
    if (victim == names.end()) victim = names.begin();
    media::removefile(path(*victim));
    names.erase(victim);
  }
}

// Saves the replay under the next number and lets the others go past the count.
bool save(std::string_view bytes, bool best) {
  if (!media::makefolder(folder())) return false;
  std::vector<std::string> names = numbered();
  const int64_t next = names.empty() ? 1 : media::toint(names.back()) + 1;
  char name[32];
  std::snprintf(name, sizeof name, "%06lld%s", static_cast<long long>(next), extension);
  const bool saved = media::savefile(path(name), bytes);
  bool ok = saved;
  if (best) ok = media::savefile(path(bestname), bytes) && ok;
  if (saved) {
    names.push_back(name);
    rotate(names);
  }
  return ok;
}

}  // namespace

bool keepreplay(recorder& taping, const match& ended, int64_t score) {
  if (taping.steps() == 0) return true;
  const replay& r = taping.finish(ended, score, media::calendarseconds());
  return save(encodereplay(r), taping.best());
}

bool keptreplay(const std::string& file) { return file.ends_with(keptextension); }

int keptreplays() {
  const std::vector<std::string> names = numbered();
  return int(std::count_if(names.begin(), names.end(), keptreplay));
}

std::string keepreplayfile(const std::string& file, bool keep) {
  const size_t slash = file.rfind('/');
  const std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
  if (keep == keptreplay(name) || !(digitsthen(name, extension) || digitsthen(name, keptextension))) return file;
  if (keep && keptreplays() >= mostkept) return file;
  const std::string stem = name.substr(0, name.find_first_not_of("0123456789"));
  const std::string renamed = path(stem + (keep ? keptextension : extension));
  return media::renamefile(file, renamed) ? renamed : file;
}

std::vector<std::string> replayfiles() {
  std::vector<std::string> files;
  if (media::fileexists(path(bestname))) files.push_back(path(bestname));
  const std::vector<std::string> names = numbered();
  for (auto it = names.rbegin(); it != names.rend(); ++it) files.push_back(path(*it));
  return files;
}

}  // namespace flopfist
