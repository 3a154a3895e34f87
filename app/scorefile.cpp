// The score file "scores.txt": read at start-up, written whenever a score enters the table.
#include <string>

#include "app/fightgame.h"
#include "media/paths.h"

namespace flopfist {

namespace {
constexpr const char* scoresfile = "scores.txt";

}  // namespace

void fightgame::loadscores() {
  media::infile in;
  // No file yet: the default table, written once a score enters it.
  if (!openregular(in, media::playerdatapath(scoresfile))) return;
  scores.read(in);
  in.close();
}

void fightgame::savescores() {
  media::savefile(media::playerdatapath(scoresfile), scores.text());  // a failed save keeps the old file; nothing to report
}

}  // namespace flopfist
