// libFuzzer target for the scores.txt reader: any bytes give twenty single-line rows that sort and take a new score.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/fightgame.h"
#include "media/media.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static flopfist::fightgame game;
  game.scoretable.clear();
  game.defaultscores();
  media::infile in;
  in.openbytes(std::string(reinterpret_cast<const char*>(data), size));
  game.readscores(in);

  constexpr std::string_view linebreaks("\r\n\0", 3);
  const auto rowsok = [&] {
    if (game.scoretable.size() != 20) return false;
    for (const auto& row : game.scoretable) {
      if (row.name.find_first_of(linebreaks) != std::string::npos) return false;
    }
    return true;
  };
  if (!rowsok()) std::abort();
  game.sortscores();
  for (size_t i = 1; i < game.scoretable.size(); ++i) {
    if (game.scoretable[i - 1].points < game.scoretable[i].points) std::abort();  // not descending
  }
  game.addscore("FUZZ", int64_t(size) * 1000);
  if (!rowsok()) std::abort();
  return 0;
}
