// The high-score table: twenty rows, sorted by score, read from and written as the score file's text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/media.h"
#include "scores/scoreentry.h"

namespace flopfist {

class scoretable {
 public:
  static constexpr size_t rowcount = 20;

  std::vector<scoreentry> rows;

  // Twenty rows of NOBODY with 0 points, appended.
  void defaults();
  // The rows of a score file, overwritten in place and not sorted: the file's order is shown
  // until the next sort.
  void read(media::infile& in);
  // The file's text: name and points on lines of their own, ending in CR LF.
  std::string text() const;
  void sort();
  // The newcomer enters at the top and is sorted into place; the last row then drops out.
  void add(const std::string& name, int64_t points);
  // The 20th row's points after a sort, or 0 while the table is shorter.
  int lowest();
};

}  // namespace flopfist
