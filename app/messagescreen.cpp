// A title and a message under it, until a key: what went wrong, or what the other player did.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "app/fightgame.h"
#include "body/util.h"
#include "media/media.h"

namespace flopfist {

namespace {

// Splits text into lines no wider than the screen less a margin at the scale given.
std::vector<std::string> wrapped(std::string_view text, float scale) {
  std::vector<std::string> lines;
  std::string line;
  size_t at = 0;
  while (at < text.size()) {
    const size_t space = std::min(text.find(' ', at), text.size());
    const std::string word(text.substr(at, space - at));
    const std::string longer = line.empty() ? word : line + " " + word;
    if (!line.empty() && media::textwidth(longer) * scale > 900) {
      lines.push_back(line);
      line = word;
    } else {
      line = longer;
    }
    at = space + 1;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace

void fightgame::messagescreen(std::string_view title, std::string_view text) {
  flushmenukeys();
  const std::vector<std::string> lines = wrapped(text, 0.15f);
  for (;;) {
    media::cls();
    cyclecolours();
    colours.use(1);
    drawcentred(title, 0.3f, 200);
    media::setcolor(255, 255, 255);
    for (size_t k = 0; k < lines.size(); ++k) drawcentred(lines[k], 0.15f, 320 + 45 * float(k));
    media::setcolor(100, 100, 100);
    drawcentred("ENTER, ESC, A OR B: BACK", 0.1f, 712);
    media::setscale(1, 1);
    present();
    const menuinput in = readmenu();
    if (in.choose || in.back) return;
  }
}

}  // namespace flopfist
