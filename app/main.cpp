// The program's entry: one application object, then its run; one replay watched with --replay FILE;
// or an online match hosted with --host [PORT] or joined with --join ADDRESS[:PORT] first.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "app/fightgame.h"
#include "media/media.h"

int main(int argc, char** argv) {
  const std::string_view first = argc > 1 ? argv[1] : "";
  const bool replay = argc == 3 && first == "--replay";
  const bool host = (argc == 2 || argc == 3) && first == "--host";
  const bool join = argc == 3 && first == "--join";
  int port = 27960;
  if (host && argc == 3) {
    char* end = nullptr;
    const long p = std::strtol(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0' || p < 1 || p > 65535) {
      std::fprintf(stderr, "flopfist: --host takes a port from 1 to 65535\n");
      return 2;
    }
    port = int(p);
  }
  if (argc > 1 && !replay && !host && !join) {
    std::fprintf(stderr, "usage: flopfist [--replay FILE | --host [PORT] | --join ADDRESS[:PORT]]\n");
    return 2;
  }
  media::init(false);
  auto game = std::make_unique<flopfist::fightgame>();
  int code = 0;
  if (replay) {
    game->startup();
    code = game->watchfile(argv[2]) ? 0 : 1;  // 1: the file could not be shown or went wrong
  } else if (host || join) {
    game->startup();
    if (host) game->hostonline(port);
    if (join) game->joinonline(argv[2]);
    game->mainloop();
  } else {
    game->run();
  }
  media::shutdown();
  return code;
}
