// The screens over a finished match and the HIGH SCORES table, drawn from the series and the table.
#pragma once

#include "effects/palette.h"
#include "match/match.h"
#include "scores/series.h"
#include "scores/table.h"

namespace flopfist {

// LEVEL n COMPLETED with its counting lines, elapsed frames after the level was won.
void drawlevelsummary(const match& m, const series& s, int elapsed, const palette& colours);
// GAME OVER, the score and, for a score that enters the table, the name typed so far. Sorts the
// table to find its lowest row.
void drawgameover(const series& s, scoretable& table, int elapsed, const palette& colours);
// The title from shown 1 on, and row k once shown passes 5k: one more row every 5 frames.
void drawscorerows(const scoretable& table, int shown, const palette& colours);

}  // namespace flopfist
