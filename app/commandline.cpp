// The command line: reading the options, the usage and version texts, and a replay file's problem.
#include "app/commandline.h"

#include <string_view>

#include "replay/replay.h"
#include "media/cpu.h"
#include "media/folders.h"

namespace flopfist {

namespace {
// A port from 1 to 65535 written in digits alone; 0 for anything else.
int portnumber(std::string_view text) {
  if (text.empty() || text.size() > 5) return 0;
  int port = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    port = port * 10 + (c - '0');
  }
  return port <= 65535 ? port : 0;
}
}  // namespace

commandline readcommandline(int argc, const char* const* argv) {
  commandline c;
  for (int k = 1; k < argc && c.wrong.empty(); ++k) {
    const std::string_view arg = argv[k];
    if (arg == "--help" || arg == "-h") {
      c.help = true;
    } else if (arg == "--version") {
      c.version = true;
    } else if (arg == "--replay" && k + 1 < argc && !c.replay) {
      c.replay = argv[++k];
    } else if (arg == "--host" && !c.host) {
      c.host = 0;
      if (k + 1 < argc && !std::string_view(argv[k + 1]).starts_with("-")) {
        const int port = portnumber(argv[++k]);
        if (port == 0) c.wrong = std::string("--host ") + argv[k];
        c.host = port;
      }
    } else if (arg == "--join" && k + 1 < argc && !c.join) {
      c.join = argv[++k];
    } else if (arg == "--lobby" && k + 1 < argc && !c.lobby) {
      c.lobby = argv[++k];
    } else if (arg == "--announce" && k + 1 < argc && !c.announce) {
      c.announce = argv[++k];
      if (*c.announce != "lan" && *c.announce != "machine" && *c.announce != "none") c.wrong = "--announce " + *c.announce;
    } else if (arg == "--portable" && k + 1 < argc && c.portable.empty() && argv[k + 1][0] != '\0') {
      c.portable = argv[++k];
    } else {
      c.wrong = arg;
    }
  }
  return c;
}

std::string usagetext() {
  return "usage: flopfist [--replay FILE | --host [PORT] | --join CODE | --join ADDRESS[:PORT]]\n"
         "                [--lobby ADDRESS[:PORT]] [--announce lan|machine|none] [--portable DIR]\n"
         "                [--help] [--version]\n"
         "\n"
         "options:\n"
         "  --replay FILE  watch one recorded match, then end\n"
         "  --host [PORT]  host an online versus match on PORT (27960 when left out) and wait;\n"
         "                 with a lobby set, print its room code as a line \"room code: XXXXX\"\n"
         "  --join CODE    join the online versus match of a room code, through the lobby\n"
         "  --join ADDRESS[:PORT]  join the online versus match hosted at ADDRESS\n"
         "  --lobby ADDRESS[:PORT]  the lobby for room codes (port 27961 when left out), kept\n"
         "                 in online.cfg as the ONLINE menu's LOBBY is\n"
         "  --announce lan|machine|none  where JOIN GAME lists a game hosted here: every\n"
         "                 LAN of this machine (the default), this machine only, or none\n"
         "  --portable DIR  keep every file of the player's in DIR instead of the folders below\n"
         "  --help         print this text and end\n"
         "  --version      print the game version, the replay format and the vector build, and end\n"
         "\n"
         "files (a folder is made, mode 0700, only when something is first saved in it):\n"
         "  in $XDG_CONFIG_HOME/flopfist/ (~/.config/flopfist/ when unset):\n"
         "    prefs.qmx              the options\n"
         "    controls.cfg           the players' keys\n"
         "    online.cfg             the online input delay, name and lobby\n"
         "  in $XDG_DATA_HOME/flopfist/ (~/.local/share/flopfist/ when unset):\n"
         "    scores.txt             the high-score table\n"
         "    replays/               the last 20 matches, the kept ones and best.ffr\n"
         "    gamecontrollerdb.txt   extra gamepad mappings, read when present\n"
         "  portable: all of them in one folder, named by --portable DIR, else by $FLOPFIST_HOME,\n"
         "    else the executable's own folder when a file portable.txt lies beside it\n"
         "  images/, sounds/, music/  the game's pictures, sounds and music, read from the first\n"
         "    folder holding them of: $FLOPFIST_DATA, the executable's folder, that folder's\n"
         "    ../share/games/flopfist, and the folder the game was installed with\n";
}

std::string versiontext() {
  return "flopfist: game version " + std::to_string(gameversion) + ", replay format " +
         std::to_string(replayformat) + ", vector build " + media::nameof(media::bestisa()) + "\n";
}

std::optional<int> answercommandline(const commandline& c, std::FILE* out, std::FILE* err) {
  if (!c.wrong.empty()) {
    std::fprintf(err, "flopfist: unknown option or missing value: %s\n\n%s", c.wrong.c_str(),
                 usagetext().c_str());
    return 2;
  }
  if (c.help) {
    std::fputs(usagetext().c_str(), out);
    return 0;
  }
  if (c.version) {
    std::fputs(versiontext().c_str(), out);
    return 0;
  }
  return std::nullopt;
}

std::string replayfileproblem(const std::string& path) {
  switch (media::kindof(path)) {
    case media::pathkind::missing:
      return "THERE IS NO FILE NAMED " + path + ".";
    case media::pathkind::folder:
      return path + " IS A FOLDER, NOT A REPLAY FILE.";
    case media::pathkind::unreadable:
      return path + " CANNOT BE READ: THIS USER HAS NO PERMISSION TO READ IT.";
    case media::pathkind::other:
      return path + " IS NOT A REGULAR FILE.";
    case media::pathkind::readable:
      break;
  }
  return "";
}

}  // namespace flopfist
