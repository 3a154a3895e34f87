// The REPLAYS screen: every kept replay with its mode, level, date and result.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "app/fightgame.h"
#include "replay/folder.h"
#include "body/util.h"
#include "media/folders.h"
#include "media/media.h"

namespace flopfist {

namespace {

// Top to bottom, with room between: the title, the column headers, fifteen rows, the keys.
constexpr float titlescale = 0.3f;
constexpr float titley = 16;
constexpr float headery = 100;
constexpr int visiblerows = 15;
constexpr float rowscale = 0.12f;
constexpr float firstrow = 140;
constexpr float rowheight = 34;
constexpr float keysy = 712;
constexpr std::array<float, 6> columns{40, 130, 380, 620, 740, 920};
constexpr int keepkey = 75;  // K

struct listed {
  std::string file;
  bool best = false;
  loadedreplay loaded;
};

std::vector<listed> readlist() {
  std::vector<listed> rows;
  for (const std::string& file : replayfiles()) {
    rows.push_back({file, file.ends_with("/best.ffr"), loadreplay(file)});
  }
  return rows;
}

std::string_view mark(const listed& row) {
  if (row.best) return "BEST";
  return keptreplay(row.file) ? "KEPT" : "";
}

// Each cell shrunk when it would run into the next column (players' names can be long).
void drawcolumns(const std::array<std::string, 6>& cells, float y) {
  for (size_t c = 0; c < cells.size(); ++c) {
    const float room = (c + 1 < columns.size() ? columns[c + 1] : 1024.0f) - columns[c] - 12;
    const float width = media::textwidth(cells[c]) * rowscale;
    const float scale = width > room ? rowscale * room / width : rowscale;
    media::setscale(scale, scale);
    media::drawtext(cells[c], columns[c], y);
  }
}

std::array<std::string, 6> cellsof(const listed& row) {
  if (row.loaded.problem != replayproblem::none) {
    const std::string name = row.file.substr(row.file.find('/') + 1);
    return {std::string(mark(row)), "DAMAGED OR FOREIGN FILE", name, "", "", ""};
  }
  const replayinfo& i = row.loaded.data.info;
  char minutes[16];
  std::snprintf(minutes, sizeof minutes, "%d:%02d", i.steps / 3600, i.steps / 60 % 60);
  return {std::string(mark(row)),
          media::datetext(i.date),
          modename(row.loaded.data),
          i.mode == gamemode::versus ? "-" : std::to_string(i.level),
          resultname(row.loaded.data),
          minutes};
}

}  // namespace

// The selected row is white on a faint bar: always the brightest, whatever the palette does.
void fightgame::replaysscreen() {
  flushmenukeys();
  std::vector<listed> rows = readlist();
  int selection = 0, top = 0;
  char kepttext[48];
  for (;;) {
    media::cls();
    cyclecolours();
    colours.use(1);
    drawcentred("REPLAYS", titlescale, titley);
    media::setcolor(100, 100, 100);
    if (rows.empty()) drawcentred("NO REPLAYS YET: EVERY MATCH PLAYED IS KEPT HERE", 0.15f, 330);
    if (!rows.empty()) drawcolumns({"", "DATE", "MODE", "LEVEL", "RESULT", "TIME"}, headery);
    top = std::clamp(top, std::max(0, selection - visiblerows + 1), selection);
    for (int r = top; r < std::min(int(rows.size()), top + visiblerows); ++r) {
      const float y = firstrow + rowheight * float(r - top);
      if (r == selection) {
        media::setscale(1, 1);
        media::setcolor(45, 45, 45);
        media::drawrect(20, y - 3, 984, rowheight - 2);
        media::setcolor(255, 255, 255);
      } else if (rows[size_t(r)].loaded.problem != replayproblem::none) {
        media::setcolor(70, 70, 70);
      } else {
        media::setcolor(150, 150, 150);
      }
      drawcolumns(cellsof(rows[size_t(r)]), y);
    }
    media::setcolor(100, 100, 100);
    std::snprintf(kepttext, sizeof kepttext, "K: KEEP OR LET GO (%d OF %d KEPT)", keptreplays(), mostkept);
    drawcentred(kepttext, 0.1f, keysy - 34);
    drawcentred("UP, DOWN OR WHEEL: CHOOSE     ENTER, A OR CLICK: WATCH     ESC, B OR RIGHT CLICK: BACK", 0.1f, keysy);
    media::setscale(1, 1);
    present();

    const menuinput in = readmenu();
    const bool keep = media::keyhit(keepkey) != 0;
    if (in.back) return;
    if (!rows.empty()) selection = (selection + in.down - in.up + int(rows.size()) * 1000) % int(rows.size());
    // The wheel scrolls the list (the selection follows when it would leave the page); pointing
    // at a row selects it, a click on it watches it.
    bool clicked = false;
    if (!rows.empty()) {
      const int most = std::max(0, int(rows.size()) - visiblerows);
      top = std::clamp(top - in.wheel, 0, most);
      selection = std::clamp(selection, top, std::min(int(rows.size()), top + visiblerows) - 1);
      const int pointed = int(std::floor((in.mousey - firstrow + 3) / rowheight));
      if (in.mousey >= 0 && pointed >= 0 && pointed < visiblerows && top + pointed < int(rows.size())) {
        if (in.moved || in.clicked) selection = top + pointed;
        clicked = in.clicked;
      }
    }
    if (keep && !rows.empty()) {
      listed& row = rows[size_t(selection)];
      const bool want = !keptreplay(row.file);
      const std::string now = keepreplayfile(row.file, want);
      if (want && now == row.file && !row.best) {
        std::snprintf(note.text.data(), note.text.size(), "AT MOST %d REPLAYS CAN BE KEPT", mostkept);
        note.frames = 180;
      }
      row.file = now;
    }
    if ((in.choose || clicked) && !rows.empty()) {
      const listed& row = rows[size_t(selection)];
      if (row.loaded.problem == replayproblem::none) {
        watchreplay(row.loaded.data);
      } else {
        messagescreen("THIS REPLAY CANNOT BE SHOWN", row.loaded.message);
      }
      flushmenukeys();
    }
  }
}

}  // namespace flopfist
