// The arena background: a grey surround and ten parallax grids that make the arena read as a box.
#pragma once

#include "body/util.h"
#include "effects/palette.h"

namespace flopfist {

// Drawn first in a match frame; the palette's colour 3 sets the grids' hue.
void drawbackground(const arena& walls, const view& v, const palette& colours);

}  // namespace flopfist
