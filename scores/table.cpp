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
  readscores(in);
  in.close();
}

// Rows are overwritten in place and not sorted: the file's order is shown until the next sort.
void fightgame::readscores(media::infile& in) {
  for (auto& row : scoretable) {
    if (!in.eof()) row.name = in.readline();
    if (!in.eof()) row.points = media::toint(in.readline());
  }
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

// Adjacent-swap passes toward descending scores. Rows of equal score are never swapped, so sorting
// an ordered table changes nothing and ties keep the order in which they were entered.
void fightgame::sortscores() {
  size_t end = scoretable.size();
  bool swapped = true;
  while (swapped && end > 1) {
    swapped = false;
    for (size_t cur = 0; cur + 1 < end; ++cur) {
      if (scoretable[cur + 1].compare(scoretable[cur]) == 1) {  // the successor scores higher
        std::swap(scoretable[cur], scoretable[cur + 1]);
        swapped = true;
      }
    }
    --end;  // the row carried last now sits at the end of the range
  }
}

// The newcomer goes below every row with a greater or equal score, then the last row drops out:
// a score not above the 20th row's leaves the table as it was.
void fightgame::addscore(const std::string& name, int64_t points) {
  // The table keeps the running score's low 32 bits as an unsigned value.
  const scoreentry row{int64_t(uint32_t(points)), name};
  sortscores();
  auto place = scoretable.begin();
  while (place != scoretable.end() && place->points >= row.points) ++place;
  scoretable.insert(place, row);
  scoretable.pop_back();
}

int fightgame::lowestscore() {
  sortscores();
  if (scoretable.size() < tablerows) return 0;
  return int(uint32_t(scoretable[tablerows - 1].points));
}

}  // namespace flopfist
