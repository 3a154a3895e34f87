// The program's entry: one application object, then its run, or one replay watched with --replay FILE.
#include <cstdio>
#include <memory>
#include <string_view>

#include "app/fightgame.h"
#include "media/media.h"

int main(int argc, char** argv) {
  const bool replay = argc == 3 && std::string_view(argv[1]) == "--replay";
  if (argc > 1 && !replay) {
    std::fprintf(stderr, "usage: flopfist [--replay FILE]\n");
    return 2;
  }
  media::init(false);
  auto game = std::make_unique<flopfist::fightgame>();
  int code = 0;
  if (replay) {
    game->startup();
    code = game->watchfile(argv[2]) ? 0 : 1;  // 1: the file could not be shown or went wrong
  } else {
    game->run();
  }
  media::shutdown();
  return code;
}
