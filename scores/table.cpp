// The high-score table and the text of its file.
#include "scores/table.h"

#include <utility>

namespace flopfist {

void scoretable::defaults() {
  for (size_t i = 0; i < rowcount; ++i) rows.push_back(scoreentry{0, "NOBODY"});
}

void scoretable::read(media::infile& in) {
  for (auto& row : rows) {
    if (!in.eof()) row.name = in.readline();
    if (!in.eof()) row.points = media::toint(in.readline());
  }
}

std::string scoretable::text() const {
  std::string bytes;
  for (const auto& row : rows) {
    bytes += row.name;
    bytes += "\r\n";
    bytes += std::to_string(row.points);
    bytes += "\r\n";
  }
  return bytes;
}

// Adjacent-swap passes toward descending scores. A pass carries its current row toward the end past
// every successor with a greater or equal score, so rows of equal score trade places on every pass
// that reaches them: their order may change at each sort.
void scoretable::sort() {
  size_t end = rows.size();  // the range is rows [0, end)
  while (end > 1) {
    size_t current = 0;
    bool swapped = false;
    while (current + 1 < end) {
      if (rows[current].compare(rows[current + 1]) == -1) {
        std::swap(rows[current], rows[current + 1]);
        swapped = true;
      }
      ++current;  // either the carried row or its successor is current now, one place further on
    }
    if (!swapped) return;
    end = current;  // the range ends just before where the current row ended
  }
}

// A score not above the 20th row's leaves the table's rows as they were.
void scoretable::add(const std::string& name, int64_t points) {
  // The table keeps the running score's low 32 bits as an unsigned value.
  rows.insert(rows.begin(), scoreentry{int64_t(uint32_t(points)), name});
  sort();
  rows.pop_back();
}

int scoretable::lowest() {
  sort();
  if (rows.size() < rowcount) return 0;
  return int(uint32_t(rows[rowcount - 1].points));
}

}  // namespace flopfist
