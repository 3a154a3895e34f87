// The command line: the options the program takes, and the answers that end it before a window opens.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace flopfist {

struct commandline {
  bool help = false, version = false;
  std::optional<std::string> replay;  // --replay FILE
  std::optional<int> host;            // --host [PORT]: the port, 0 for the default
  std::optional<std::string> join;    // --join CODE or ADDRESS[:PORT]
  std::optional<std::string> lobby;   // --lobby ADDRESS[:PORT]
  std::optional<std::string> announce;  // --announce lan|machine|none: where a hosted game is heard
  std::string portable;               // --portable DIR: every file of the player's in DIR
  std::string wrong;                  // the first argument not understood; empty when none
};
commandline readcommandline(int argc, const char* const* argv);

std::string usagetext();    // the usage, each option on one line, and the files read and written
std::string versiontext();  // the game version, the replay format and the vector build in use

// --help and --version answer on out (code 0); a wrong argument is named with the usage on err
// (code 2). None: the program goes on to open its window.
std::optional<int> answercommandline(const commandline& c, std::FILE* out, std::FILE* err);

// Why a replay file cannot be watched, before reading it: missing, a folder, unreadable, not a
// regular file; empty when it can be read.
std::string replayfileproblem(const std::string& path);

}  // namespace flopfist
