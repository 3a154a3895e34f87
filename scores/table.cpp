// The high-score table and its file "scores.txt".
#include <string>
#include <utility>

#include "app/fightgame.h"

namespace flopfist {

namespace {
constexpr const char* scoresfile = "scores.txt";
constexpr size_t tablerows = 20;

// Only a regular file is read: a folder or a device of that name counts as a missing file.
bool openregular(media::infile& in, const std::string& path) {
  return media::fileexists(path) && in.open(path);
}
}  // namespace

void fightgame::defaultscores() {
  for (size_t i = 0; i < tablerows; ++i) scoretable.push_back(scoreentry{0, "NOBODY"});
}

void fightgame::loadscores() {
  media::infile in;
  if (!openregular(in, scoresfile)) {
    savescores();
    if (!openregular(in, scoresfile)) return;  // neither readable nor creatable: the table stays as it is
  }
  // Rows are overwritten in place and not sorted: the file's order is shown until the next sort.
  for (auto& row : scoretable) {
    if (!in.eof()) row.name = in.readline();
    if (!in.eof()) row.points = media::toint(in.readline());
  }
  in.close();
}

void fightgame::savescores() {
  std::string bytes;
  for (const auto& row : scoretable) {
    bytes += row.name;
    bytes += "\r\n";
    bytes += std::to_string(row.points);
    bytes += "\r\n";
  }
  media::savefile(scoresfile, bytes);  // a failed save keeps the old file; nothing to report
}

// Adjacent-swap passes toward descending scores. A row is carried past every following row whose
// score is greater or equal, so a newcomer ranks below the rows it ties with.
void fightgame::sortscores() {
  size_t end = scoretable.size();
  bool swapped = true;
  while (swapped && end > 1) {
    swapped = false;
    for (size_t cur = 0; cur + 1 < end; ++cur) {
      if (scoretable[cur].compare(scoretable[cur + 1]) == -1) {
        std::swap(scoretable[cur], scoretable[cur + 1]);
        swapped = true;
      }
    }
    --end;  // the row carried last now sits at the end of the range
  }
}

void fightgame::addscore(const std::string& name, int64_t points) {
  // The table keeps the running score's low 32 bits as an unsigned value.
  scoretable.insert(scoretable.begin(), scoreentry{int64_t(uint32_t(points)), name});
  sortscores();
  scoretable.pop_back();
}

int fightgame::lowestscore() {
  sortscores();
  if (scoretable.size() < tablerows) return 0;
  return int(uint32_t(scoretable[tablerows - 1].points));
}

}  // namespace flopfist
