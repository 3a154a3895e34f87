// Stand-in for presenting the last frame again, so the game links until the renderer keeps its frame.
#include "media/media.h"

namespace media {

// Weak: the renderer's own definition, which shows the kept frame, replaces this one. Until then a
// paused match presents whatever the back buffer holds.
[[gnu::weak]] void repeatframe() { flip(-1); }

}  // namespace media
