// libFuzzer target for the scores.txt reader: any bytes give twenty single-line rows that sort and take a new score.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "scores/table.h"
#include "media/media.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  flopfist::scoretable table;
  table.defaults();
  media::infile in;
  in.openbytes(std::string(reinterpret_cast<const char*>(data), size));
  table.read(in);

  constexpr std::string_view linebreaks("\r\n\0", 3);
  const auto rowsok = [&] {
    if (table.rows.size() != 20) return false;
    for (const auto& row : table.rows) {
      if (row.name.find_first_of(linebreaks) != std::string::npos) return false;
    }
    return true;
  };
  if (!rowsok()) std::abort();
  table.sort();
  for (size_t i = 1; i < table.rows.size(); ++i) {
    if (table.rows[i - 1].points < table.rows[i].points) std::abort();  // not descending
  }
  table.add("FUZZ", int64_t(size) * 1000);
  if (!rowsok()) std::abort();
  return 0;
}
