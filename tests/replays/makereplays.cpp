// Makes the committed replays: each mode's scripted match played through the game's own loop and
// recorder in test mode, and the replay it left copied to the folder given (scripts/makereplays).
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "media/folders.h"
#include "media/media.h"
#include "tests/support/scripted.h"
#include "tests/support/testenv.h"

namespace fs = std::filesystem;
using namespace flopfist;
namespace scripted = flopfist::testing;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: makereplays FOLDER\n");
    return 2;
  }
  const fs::path out = fs::absolute(argv[1]);
  char pattern[] = "/tmp/flopfist-replays-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const fs::path work = pattern;
  for (const char* sub : {"images", "sounds", "music"}) {
    fs::create_directory_symlink(scripted::assetdir() + "/" + sub, work / sub);
  }
  fs::current_path(work);
  int failures = 0;
  for (const scripted::scriptedmatch& s : scripted::scriptedmatches) {
    if (std::string(s.name) == "lost") continue;  // one per mode
    media::test::reset();
    auto game = scripted::scriptedgame(s);
    const scripted::shownmatch live = scripted::playscripted(*game, s);
    std::string bytes;
    const std::string target = (out / (std::string(s.name) + ".ffr")).string();
    if (live.replayfile.empty() || !media::readbytes(live.replayfile, bytes) || !media::savefile(target, bytes)) {
      std::fprintf(stderr, "%s: no replay written\n", s.name);
      ++failures;
      continue;
    }
    std::printf("%s: %zu steps, %s, %zu bytes\n", target.c_str(), live.hashes.size(),
                resultname(loadreplay(target).data.info).c_str(), bytes.size());
  }
  fs::current_path(out);
  fs::remove_all(work);
  media::shutdown();
  return failures == 0 ? 0 : 1;
}
