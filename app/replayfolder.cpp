// The folder replays/: each match's replay kept as it ends, the oldest let go, the best kept apart.
#include <algorithm>
#include <cstdio>

#include "app/fightgame.h"
#include "body/util.h"
#include "media/folders.h"

namespace flopfist {

namespace {

constexpr const char* folder = "replays";
constexpr const char* bestname = "best.ffr";
constexpr const char* extension = ".ffr";
constexpr size_t keptcount = 20;
constexpr int noteframes = 300;

// The numbered files, oldest first: "000041.ffr" is the 41st match recorded here.
std::vector<std::string> numbered() {
  std::vector<std::string> names;
  for (const std::string& name : media::filesin(folder)) {
    const bool digits = name.size() > 4 && std::all_of(name.begin(), name.end() - 4, [](char c) { return c >= '0' && c <= '9'; });
    if (digits && name.ends_with(extension)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return media::toint(a) < media::toint(b);
  });
  return names;
}

std::string path(const std::string& name) { return std::string(folder) + "/" + name; }

// Saves the replay under the next number and lets the oldest go past the kept count.
bool save(std::string_view bytes, bool best) {
  if (!media::makefolder(folder)) return false;
  std::vector<std::string> names = numbered();
  const int64_t next = names.empty() ? 1 : media::toint(names.back()) + 1;
  char name[32];
  std::snprintf(name, sizeof name, "%06lld%s", static_cast<long long>(next), extension);
  bool ok = media::savefile(path(name), bytes);
  if (ok) names.push_back(name);
  if (best) ok = media::savefile(path(bestname), bytes) && ok;
  for (size_t k = 0; k + keptcount < names.size(); ++k) media::removefile(path(names[k]));
  return ok;
}

}  // namespace

// After the score and the settings are safe: a replay that cannot be written only leaves a note.
void fightgame::keepreplay() {
  if (taping.steps() == 0) return;  // a match never stepped has nothing to show
  const replay& r = taping.finish(*playing, current.score, media::calendarseconds());
  if (save(encodereplay(r), taping.best())) return;
  std::snprintf(note.text.data(), note.text.size(), "%s",
                "THE REPLAY OF THAT MATCH COULD NOT BE SAVED (IS THE DISK FULL?)");
  note.frames = noteframes;
}

std::vector<std::string> replayfiles() {
  std::vector<std::string> files;
  if (media::fileexists(path(bestname))) files.push_back(path(bestname));
  const std::vector<std::string> names = numbered();
  for (auto it = names.rbegin(); it != names.rend(); ++it) files.push_back(path(*it));
  return files;
}

}  // namespace flopfist
