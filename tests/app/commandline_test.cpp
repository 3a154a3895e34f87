// The command line: which arguments are understood, what --help and --version print, the exit
// codes, and the reasons a replay file named on it cannot be watched.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/commandline.h"
#include "app/fightgame.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist::testing {
namespace {

// What answercommandline prints and returns for the arguments.
struct answer {
  std::optional<int> code;
  std::string out, err;
};
answer ask(std::vector<const char*> args) {
  args.insert(args.begin(), "flopfist");
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  answer a;
  a.code = answercommandline(readcommandline(int(args.size()), args.data()), out, err);
  for (auto [file, text] : {std::pair{out, &a.out}, {err, &a.err}}) {
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) text->push_back(char(c));
    std::fclose(file);
  }
  return a;
}

// The online options: a port after --host is optional, and only a port from 1 to 65535 is one.
TEST(commandline, HostAndJoinTakeTheirPortAndAddress) {
  const char* hostonly[] = {"flopfist", "--host"};
  EXPECT_EQ(readcommandline(2, hostonly).host, 0) << "0 stands for the default port";
  const char* hostport[] = {"flopfist", "--host", "4000"};
  EXPECT_EQ(readcommandline(3, hostport).host, 4000);
  const char* join[] = {"flopfist", "--join", "127.0.0.1:4000"};
  EXPECT_EQ(readcommandline(3, join).join, "127.0.0.1:4000");
  for (const char* port : {"0", "65536", "40a", "123456"}) {
    const answer wrong = ask({"--host", port});
    EXPECT_EQ(wrong.code, 2) << port;
    EXPECT_NE(wrong.err.find(port), std::string::npos);
  }
  EXPECT_EQ(ask({"--join"}).code, 2) << "--join needs an address";
  EXPECT_NE(ask({"--help"}).out.find("--join ADDRESS[:PORT]"), std::string::npos);
  // A lobby beside either, and a code where an address would be.
  const char* bycode[] = {"flopfist", "--lobby", "127.0.0.1:27961", "--join", "K7M2P"};
  const commandline c = readcommandline(5, bycode);
  EXPECT_EQ(c.lobby, "127.0.0.1:27961");
  EXPECT_EQ(c.join, "K7M2P");
  EXPECT_TRUE(c.wrong.empty());
  EXPECT_EQ(ask({"--lobby"}).code, 2) << "--lobby needs an address";
  EXPECT_EQ(ask({"--lobby", "a", "--lobby", "b"}).code, 2) << "one lobby";
  EXPECT_NE(ask({"--help"}).out.find("--join CODE"), std::string::npos);
  EXPECT_NE(ask({"--help"}).out.find("room code: XXXXX"), std::string::npos);
  // Where a hosted game is announced: three words, each once.
  for (const char* where : {"lan", "machine", "none"}) {
    const char* announced[] = {"flopfist", "--announce", where, "--host"};
    const commandline a = readcommandline(4, announced);
    EXPECT_EQ(a.announce, where);
    EXPECT_TRUE(a.wrong.empty()) << a.wrong;
  }
  EXPECT_EQ(ask({"--announce", "everywhere"}).code, 2);
  EXPECT_EQ(ask({"--announce"}).code, 2);
  EXPECT_EQ(ask({"--announce", "lan", "--announce", "none"}).code, 2) << "once";
}

TEST(commandline, HelpVersionAndUnknownOptions) {
  const answer help = ask({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_TRUE(help.err.empty());
  for (const char* line : {"--replay FILE", "--version", "prefs.qmx", "scores.txt", "controls.cfg", "replays/", "images/"}) {
    EXPECT_NE(help.out.find(line), std::string::npos) << line;
  }

  const answer version = ask({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_NE(version.out.find("game version 1"), std::string::npos) << version.out;
  EXPECT_NE(version.out.find("replay format " + std::to_string(replayformat)), std::string::npos);
  EXPECT_NE(version.out.find("vector build"), std::string::npos);

  for (const auto& args : std::vector<std::vector<const char*>>{{"--fullscreen"}, {"--replay"}, {"x"}, {"--replay", "a", "b"}}) {
    const answer wrong = ask(args);
    EXPECT_EQ(wrong.code, 2) << args[0];
    EXPECT_TRUE(wrong.out.empty());
    EXPECT_NE(wrong.err.find(args.back()), std::string::npos) << "the argument is not named";
    EXPECT_NE(wrong.err.find("usage: flopfist"), std::string::npos);
  }

  const answer play = ask({});
  EXPECT_FALSE(play.code.has_value());
  const answer watch = ask({"--replay", "x.ffr"});
  EXPECT_FALSE(watch.code.has_value());
  EXPECT_EQ(readcommandline(3, std::vector<const char*>{"flopfist", "--replay", "x.ffr"}.data()).replay, "x.ffr");
}

using filetest = gametest;

// A missing path, a folder and an unreadable file are each named for what they are, on stderr
// and on the screen, and the watch fails (exit code 1).
TEST_F(filetest, AReplayThatCannotBeOpenedSaysWhy) {
  auto game = makegame();
  ASSERT_EQ(::mkdir("folder.ffr", 0755), 0);
  ASSERT_TRUE(media::savefile("locked.ffr", "FFR"));
  ASSERT_EQ(::chmod("locked.ffr", 0), 0);
  struct {
    const char* path;
    const char* says;
  } cases[] = {{"nothere.ffr", "THERE IS NO FILE NAMED nothere.ffr"},
               {"folder.ffr", "folder.ffr IS A FOLDER"},
               {"locked.ffr", "locked.ffr CANNOT BE READ"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    if (std::string(c.path) == "locked.ffr" && ::geteuid() == 0) {
      std::printf("running as root, who reads any file: the unreadable case is not tried\n");
      continue;
    }
    EXPECT_EQ(replayfileproblem(c.path).rfind(c.says, 0), 0u) << replayfileproblem(c.path);
    media::test::tap(media::test::frames() + 3, media::key::enter);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(game->watchfile(c.path));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(c.says), std::string::npos) << err;
  }
  EXPECT_EQ(replayfileproblem(artefact("")), artefact("") + " IS A FOLDER, NOT A REPLAY FILE.");
}

}  // namespace
}  // namespace flopfist::testing
