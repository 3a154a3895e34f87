// Replays a player chose to keep: they never rotate out of replays/.
#pragma once

#include <string>

namespace flopfist {

constexpr int mostkept = 50;  // kept replays at most; the last twenty come on top of them

bool keptreplay(const std::string& file);  // kept by the player
int keptreplays();
// Marks a numbered replay kept or not; the file's path afterwards (unchanged when nothing was
// done: already so, not a numbered replay, or mostkept reached).
std::string keepreplayfile(const std::string& file, bool keep);

}  // namespace flopfist
