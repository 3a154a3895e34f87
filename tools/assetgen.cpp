// The asset generator's entry: assetgen <outdir> writes images/, sounds/ and music/ there;
// assetgen --music QUALITY <outdir> only the music, at another Vorbis quality (the browser's
// smaller download).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "images.h"
#include "music.h"
#include "sounds.h"

int main(int argc, char** argv) {
  const bool musiconly = argc == 4 && std::string(argv[1]) == "--music";
  char* end = nullptr;
  const float quality = musiconly ? std::strtof(argv[2], &end) : assetgen::musicquality;
  if (!(argc == 2 || (musiconly && *end == 0 && quality >= -0.1f && quality <= 1.0f))) {
    std::fprintf(stderr, "usage: assetgen <outdir> | assetgen --music QUALITY <outdir>\n");
    return 2;
  }
  const std::string outdir = argv[argc - 1];
  std::error_code ec;
  if (musiconly) {
    std::filesystem::create_directories(outdir + "/music", ec);
    if (assetgen::writemusic(outdir, quality)) return 0;
    std::fprintf(stderr, "assetgen: could not write the music under %s\n", outdir.c_str());
    return 1;
  }
  for (const char* sub : {"images", "sounds", "music"})
    std::filesystem::create_directories(outdir + "/" + sub, ec);
  if (!assetgen::writeimages(outdir) || !assetgen::writesounds(outdir) ||
      !assetgen::writemusic(outdir)) {
    std::fprintf(stderr, "assetgen: could not write the assets under %s\n", outdir.c_str());
    return 1;
  }
  return 0;
}
