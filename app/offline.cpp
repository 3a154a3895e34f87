// Online versus in a build without it (FLOPFIST_ONLINE off, as in the browser): the menu says so.
#include "app/fightgame.h"

namespace flopfist {

namespace {
// Browsers send no UDP, which online play needs; the desktop game comes from the same sources.
constexpr const char* unavailable =
    "ONLINE PLAY IS NOT AVAILABLE IN THE BROWSER: IT NEEDS UDP, WHICH BROWSERS DO NOT SEND. "
    "PLAY ONLINE WITH THE DESKTOP GAME, BUILT FROM THE SAME SOURCES WITH SCRIPTS/PLAY ON DEBIAN.";
}  // namespace

void fightgame::onlinemenu() { messagescreen("2 PLAYERS ONLINE", unavailable); }
void fightgame::hostonline(int) { messagescreen("HOST GAME", unavailable); }
void fightgame::joinonline(const std::string&) { messagescreen("JOIN GAME", unavailable); }
void fightgame::setlobby(const std::string&) {}

}  // namespace flopfist
