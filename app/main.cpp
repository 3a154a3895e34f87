// The program's entry: the command line answered, then one application object and its run; one
// replay watched with --replay FILE; or an online match hosted with --host [PORT] or joined with
// --join CODE or ADDRESS[:PORT] first (--lobby ADDRESS[:PORT] set before either).
#include <cstdio>
#include <memory>

#include "app/commandline.h"
#include "app/fightgame.h"
#include "media/media.h"
#include "media/paths.h"

int main(int argc, char** argv) {
  const flopfist::commandline line = flopfist::readcommandline(argc, argv);
  if (const auto code = flopfist::answercommandline(line, stdout, stderr)) return *code;
  const std::string nodata = media::usefolders(media::hostinputs(line.portable));
  if (!nodata.empty()) {
    std::fputs(nodata.c_str(), stderr);
    return 1;
  }
  media::init(false);
  auto game = std::make_unique<flopfist::fightgame>();
  if (line.announce == "machine") game->announce = flopfist::announcing::machine;
  if (line.announce == "none") game->announce = flopfist::announcing::nowhere;
  int code = 0;
  if (line.replay) {
    game->startup();
    code = game->watchfile(*line.replay) ? 0 : 1;  // 1: the file could not be shown or went wrong
  } else if (line.host || line.join) {
    game->startup();
    if (line.lobby) game->setlobby(*line.lobby);
    if (line.host) game->hostonline(*line.host);
    if (line.join) game->joinonline(*line.join);
    game->mainloop();
  } else {
    if (line.lobby) game->setlobby(*line.lobby);
    game->run();
  }
  media::shutdown();
  return code;
}
