// The twenty levels of the one-player and co-op series: arena size, fighter count, opponent size, robots.
#include "match/match.h"

namespace flopfist {

// Levels 11..20 repeat 1..10 with robots. Fighter counts include the player.
const std::array<levelinfo, 21> leveltable = {{
    {0.0f, 0, 0.0f, 0},  // slot 0 is never read
    {1.5f, 2, 2.0f, 0},
    {1.7f, 2, 2.5f, 0},
    {1.9f, 3, 2.0f, 0},
    {2.1f, 3, 2.4f, 0},
    {2.1f, 2, 3.4f, 0},
    {2.6f, 4, 2.0f, 0},
    {2.8f, 4, 2.3f, 0},
    {3.4f, 5, 2.0f, 0},
    {3.6f, 5, 2.2f, 0},
    {3.0f, 2, 4.5f, 0},
    {1.5f, 2, 2.0f, 1},
    {1.7f, 2, 2.5f, 1},
    {1.9f, 3, 2.0f, 1},
    {2.1f, 3, 2.4f, 1},
    {2.1f, 2, 3.4f, 1},
    {2.6f, 4, 2.0f, 1},
    {2.8f, 4, 2.3f, 1},
    {3.4f, 5, 2.0f, 1},
    {3.6f, 5, 2.2f, 1},
    {3.0f, 2, 4.5f, 1},
}};

}  // namespace flopfist
