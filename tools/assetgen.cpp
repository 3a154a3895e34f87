// The asset generator's entry: assetgen <outdir> writes images/, sounds/ and music/ there.
#include <cstdio>
#include <filesystem>
#include <string>

#include "images.h"
#include "music.h"
#include "sounds.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: assetgen <outdir>\n");
    return 2;
  }
  const std::string outdir = argv[1];
  std::error_code ec;
  for (const char* sub : {"images", "sounds", "music"})
    std::filesystem::create_directories(outdir + "/" + sub, ec);
  if (!assetgen::writeimages(outdir) || !assetgen::writesounds(outdir) ||
      !assetgen::writemusic(outdir)) {
    std::fprintf(stderr, "assetgen: could not write the assets under %s\n", outdir.c_str());
    return 1;
  }
  return 0;
}
