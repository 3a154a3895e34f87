// One row of the high-score table.
#pragma once

#include <cstdint>
#include <string>

namespace flopfist {

class scoreentry {
 public:
  int64_t points = 0;
  std::string name;

  // 1 when other's points are lower than this row's, -1 otherwise (equal scores included).
  int compare(const scoreentry& other) const { return other.points < points ? 1 : -1; }
};

}  // namespace flopfist
