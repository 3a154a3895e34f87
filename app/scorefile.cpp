// The score file "scores.txt": read at start-up, written whenever a score enters the table.
#include <string>

#include "app/fightgame.h"

namespace flopfist {

namespace {
constexpr const char* scoresfile = "scores.txt";

}  // namespace

void fightgame::loadscores() {
  media::infile in;
  if (!openregular(in, scoresfile)) {
    savescores();
    if (!openregular(in, scoresfile)) return;  // neither readable nor creatable: the table stays as it is
  }
  scores.read(in);
  in.close();
}

void fightgame::savescores() {
  media::savefile(scoresfile, scores.text());  // a failed save keeps the old file; nothing to report
}

}  // namespace flopfist
