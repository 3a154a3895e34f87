// Start-up, the window and renderer, presenting and pacing.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "media/internal.h"
#include "media/media.h"

namespace media {

namespace {
bool inited = false;
bool testing = false;
bool graphics = false;
}  // namespace

void init(bool testmode) {
  inited = true;
  testing = testmode;
}
void shutdown() { inited = false; }
bool testmode() { return testing; }

void endprogram(int code) {
  if (testing) throw programexit{code};
  shutdown();
  std::exit(code);
}

void missingfile(const std::string& path) {
  std::fprintf(stderr, "cannot find %s (looked in %s)\n", path.c_str(),
               std::filesystem::current_path().c_str());
  endprogram(1);
}

void settitle(const std::string&) {}
void opengraphics(int, int, int, int) { graphics = true; }
bool graphicsopen() { return graphics; }
void hidemouse() {}
void cls() {}
void flip(int) {}
bool terminaterequest() { return false; }

}  // namespace media
