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

// Adjacent-swap passes toward descending scores. A pass carries its current row toward the end past
// every successor with a greater or equal score, so rows of equal score trade places on every pass
// that reaches them: their order may change at each sort.
void fightgame::sortscores() {
  size_t end = scoretable.size();  // the range is rows [0, end)
  while (end > 1) {
    size_t current = 0;
    bool swapped = false;
    while (current + 1 < end) {
      if (scoretable[current].compare(scoretable[current + 1]) == -1) {
        std::swap(scoretable[current], scoretable[current + 1]);
        swapped = true;
      }
      ++current;  // either the carried row or its successor is current now, one place further on
    }
    if (!swapped) return;
    end = current;  // the range ends just before where the current row ended
  }
}

// The newcomer enters at the top and is sorted into place; the last row then drops out, so a score
// not above the 20th row's leaves the table's rows as they were.
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
