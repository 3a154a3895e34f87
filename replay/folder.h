// The folder replays/: each match's replay saved as it ends, the oldest let go, the best kept apart,
// and the replays a player chose to keep, which never rotate out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "replay/recorder.h"

namespace flopfist {

// The match just ended, from its recorder, into replays/ (and best.ffr when it made the best
// score). False when it could not be written; a match never stepped has nothing to keep.
bool keepreplay(recorder& taping, const match& ended, int64_t score);

// The files in replays/: the best high score's match first, then the others newest first.
std::vector<std::string> replayfiles();

constexpr int mostkept = 50;  // kept replays at most; the last twenty come on top of them

bool keptreplay(const std::string& file);  // kept by the player
int keptreplays();
// Marks a numbered replay kept or not; the file's path afterwards (unchanged when nothing was
// done: already so, not a numbered replay, or mostkept reached).
std::string keepreplayfile(const std::string& file, bool keep);

}  // namespace flopfist
