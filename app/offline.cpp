// Online versus in a build without it (FLOPFIST_ONLINE off, as in the browser): the menu says so.
#include "app/fightgame.h"

namespace flopfist {

namespace {
constexpr const char* unavailable = "THIS BUILD OF THE GAME HAS NO ONLINE PLAY";
}  // namespace

void fightgame::onlinemenu() { messagescreen("2 PLAYERS ONLINE", unavailable); }
void fightgame::hostonline(int) { messagescreen("HOST GAME", unavailable); }
void fightgame::joinonline(const std::string&) { messagescreen("JOIN GAME", unavailable); }

}  // namespace flopfist
