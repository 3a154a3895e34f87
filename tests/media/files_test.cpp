// File streams: line reading on awkward input, integer conversion, safe saving.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "media/folders.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace {

using filestest = flopfist::testing::gametest;

void write(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> lines(const std::string& bytes) {
  write("lines.txt", bytes);
  media::infile in;
  EXPECT_TRUE(in.open("lines.txt"));
  std::vector<std::string> out;
  while (!in.eof()) out.push_back(in.readline());
  return out;
}

using list = std::vector<std::string>;

struct stat statof(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

int entries(const std::string& folder) {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++n;
  return n;
}

// Saves from a child process that first becomes the unprivileged user "nobody" when this one is
// root, since root may write into any folder and open any file. True when the save succeeded.
constexpr uid_t nobody = 65534;
bool saveasplayer(const std::string& path, const std::string& bytes) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::geteuid() == 0 && (::setgid(nobody) != 0 || ::setuid(nobody) != 0)) ::_exit(2);
    ::_exit(media::savefile(path, bytes) ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << "could not become nobody";
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(filestest, LinesOnAwkwardInput) {
  EXPECT_EQ(lines("one\ntwo\n"), (list{"one", "two"}));
  EXPECT_EQ(lines("one\ntwo"), (list{"one", "two"}));  // no final line feed
  EXPECT_EQ(lines("a\r\nb\r\n"), (list{"a", "b"}));
  EXPECT_EQ(lines("x\ry\rz\n"), (list{"xyz"}));  // carriage returns inside a line
  EXPECT_EQ(lines(std::string("ab\0cd\n", 6)), (list{"ab", "cd"}));  // a zero byte ends a line
  EXPECT_EQ(lines(std::string("3\0"
                              "5\r\r\n7",
                              7)),
            (list{"3", "5", "7"}));
  EXPECT_EQ(lines("\n\nlast"), (list{"", "", "last"}));  // empty lines
  EXPECT_EQ(lines(""), list{});
  EXPECT_EQ(lines("\r"), (list{""}));

  media::infile in;
  EXPECT_FALSE(in.open("images"));  // a folder
  EXPECT_TRUE(in.eof());
  EXPECT_FALSE(in.open("no such file"));
  EXPECT_TRUE(in.eof());
  EXPECT_EQ(in.readline(), "");
}

TEST_F(filestest, IntegerConversion) {
  EXPECT_EQ(media::toint("  -3abc"), -3);
  EXPECT_EQ(media::toint("$1F"), 31);
  EXPECT_EQ(media::toint("$ff"), 255);
  EXPECT_EQ(media::toint("%101"), 5);
  EXPECT_EQ(media::toint("%1021"), 2);  // stops at the first digit the base does not have
  EXPECT_EQ(media::toint("-$10"), -16);
  EXPECT_EQ(media::toint("+42"), 42);
  EXPECT_EQ(media::toint("\t 7 8"), 7);
  EXPECT_EQ(media::toint(""), 0);
  EXPECT_EQ(media::toint("-"), 0);
  EXPECT_EQ(media::toint("$"), 0);
  EXPECT_EQ(media::toint("abc"), 0);
  EXPECT_EQ(media::toint("1e5"), 1);
  EXPECT_EQ(media::toint("9223372036854775807"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(media::toint("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(media::toint("99999999999999999999999"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(media::toint("-99999999999999999999999"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(media::toint("$FFFFFFFFFFFFFFFFFF"), std::numeric_limits<int64_t>::max());
}

TEST_F(filestest, SavingReplacesWholeOrNotAtAll) {
  EXPECT_FALSE(media::fileexists("prefs.qmx"));
  ASSERT_TRUE(media::savefile("prefs.qmx", "1\n2\n"));
  EXPECT_TRUE(media::fileexists("prefs.qmx"));
  EXPECT_EQ(read("prefs.qmx"), "1\n2\n");
  ASSERT_TRUE(media::savefile("prefs.qmx", "3\n"));
  EXPECT_EQ(read("prefs.qmx"), "3\n");

  media::test::failnextsave();
  EXPECT_FALSE(media::savefile("prefs.qmx", "a much longer text that is cut short\n"));
  EXPECT_EQ(read("prefs.qmx"), "3\n");
  ASSERT_TRUE(media::savefile("prefs.qmx", "4\n"));  // only the one save fails
  EXPECT_EQ(read("prefs.qmx"), "4\n");

  EXPECT_FALSE(media::savefile("missing/folder/file.txt", "x"));
  EXPECT_FALSE(media::fileexists("images"));  // a folder is not a file
  // No temporary files are left behind.
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(".")) {
    if (e.is_regular_file()) ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST_F(filestest, SavingKeepsPermissionsOwnerAndLinks) {
  write("prefs.qmx", "old\n");
  ::chmod("prefs.qmx", 0600);
  ASSERT_TRUE(media::savefile("prefs.qmx", "new\n"));
  EXPECT_EQ(read("prefs.qmx"), "new\n");
  EXPECT_EQ(statof("prefs.qmx").st_mode & 07777, 0600u);
  ::chmod("prefs.qmx", 0664);
  ASSERT_TRUE(media::savefile("prefs.qmx", "newer\n"));
  EXPECT_EQ(statof("prefs.qmx").st_mode & 07777, 0664u);
  ASSERT_TRUE(media::savefile("fresh.txt", "x"));
  EXPECT_EQ(statof("fresh.txt").st_mode & 07777, 0644u);

  if (::geteuid() == 0) {  // only root may give a file to someone else
    write("scores.txt", "old\n");
    ASSERT_EQ(::chown("scores.txt", nobody, nobody), 0);
    ASSERT_TRUE(media::savefile("scores.txt", "new\n"));
    EXPECT_EQ(statof("scores.txt").st_uid, nobody);
    EXPECT_EQ(statof("scores.txt").st_gid, nobody);
  }

  // Links, relative from their own folder, absolute, in a chain and dangling: each link stays and
  // its target is replaced, with no temporary file left in either folder.
  std::filesystem::create_directories("real/deeper");
  std::filesystem::create_directory("links");
  write("real/prefs.qmx", "old\n");
  ::chmod("real/prefs.qmx", 0640);
  std::filesystem::create_symlink("../real/prefs.qmx", "links/prefs.qmx");
  std::filesystem::create_symlink(workdir + "/links/prefs.qmx", "chain");
  ASSERT_TRUE(media::savefile("links/prefs.qmx", "via link\n"));
  EXPECT_EQ(read("real/prefs.qmx"), "via link\n");
  EXPECT_EQ(statof("real/prefs.qmx").st_mode & 07777, 0640u);
  EXPECT_TRUE(S_ISLNK(statof("links/prefs.qmx").st_mode));
  ASSERT_TRUE(media::savefile("chain", "via chain\n"));
  EXPECT_EQ(read("real/prefs.qmx"), "via chain\n");
  EXPECT_TRUE(S_ISLNK(statof("chain").st_mode));
  std::filesystem::create_symlink("deeper/scores.txt", "real/scores.txt");
  std::filesystem::create_symlink("real/scores.txt", "scores-link");
  ASSERT_TRUE(media::savefile("scores-link", "made\n"));
  EXPECT_EQ(read("real/deeper/scores.txt"), "made\n");
  EXPECT_TRUE(S_ISLNK(statof("real/scores.txt").st_mode));
  EXPECT_EQ(entries("links"), 1);
  EXPECT_EQ(entries("real"), 3);
  EXPECT_EQ(entries("real/deeper"), 1);

  std::filesystem::create_symlink("loop-b", "loop-a");
  std::filesystem::create_symlink("loop-a", "loop-b");
  EXPECT_FALSE(media::savefile("loop-a", "x"));
  EXPECT_TRUE(S_ISLNK(statof("loop-a").st_mode));
}

TEST_F(filestest, SavingLeavesAFileThatCannotBeWrittenUntouched) {
  write("prefs.qmx", "old\n");
  ::chmod("prefs.qmx", 0444);
  const ino_t inode = statof("prefs.qmx").st_ino;
  EXPECT_FALSE(media::savefile("prefs.qmx", "new\n"));
  EXPECT_EQ(read("prefs.qmx"), "old\n");
  EXPECT_EQ(statof("prefs.qmx").st_ino, inode);
  EXPECT_EQ(statof("prefs.qmx").st_mode & 07777, 0444u);

  // Write permission for others only: the player cannot open it for writing.
  ::chmod(workdir.c_str(), 0777);
  write("scores.txt", "old\n");
  ::chmod("scores.txt", ::geteuid() == 0 ? 0644 : 0464);  // root's file, or the group's to write
  EXPECT_FALSE(saveasplayer("scores.txt", "new\n"));
  EXPECT_EQ(read("scores.txt"), "old\n");
  EXPECT_EQ(entries("."), 5);  // images, sounds, music and the two files: no temporary file
}

TEST_F(filestest, SavingWritesInPlaceWhenTheFolderTakesNoNewFile) {
  ::chmod(workdir.c_str(), 0755);
  std::filesystem::create_directory("locked");
  write("locked/scores.txt", "a longer old table\n");
  write("locked/prefs.qmx", "old\n");
  ::chmod("locked/prefs.qmx", 0444);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown("locked/scores.txt", nobody, nobody), 0);
    ASSERT_EQ(::chown("locked/prefs.qmx", nobody, nobody), 0);
  }
  const ino_t inode = statof("locked/scores.txt").st_ino;
  ::chmod("locked", 0555);
  EXPECT_TRUE(saveasplayer("locked/scores.txt", "short\n"));
  EXPECT_FALSE(saveasplayer("locked/prefs.qmx", "new\n"));  // read-only stays so
  EXPECT_FALSE(saveasplayer("locked/new.txt", "x"));         // nowhere to make it
  ::chmod("locked", 0755);
  EXPECT_EQ(read("locked/scores.txt"), "short\n");  // cut to the new length
  EXPECT_EQ(statof("locked/scores.txt").st_ino, inode);
  EXPECT_EQ(read("locked/prefs.qmx"), "old\n");
  EXPECT_EQ(entries("locked"), 2);
}

// Whole files: a folder is not one, a cap refuses a larger file before reading it, and the file
// readers still read to the last byte.
TEST_F(filestest, WholeFilesReadUpToACap) {
  const std::string bytes(100, 'x');
  ASSERT_TRUE(media::savefile("whole.bin", bytes));
  std::string got = "stale";
  EXPECT_TRUE(media::readbytes("whole.bin", got, 100));
  EXPECT_EQ(got, bytes);
  EXPECT_FALSE(media::readbytes("whole.bin", got, 99));
  EXPECT_TRUE(got.empty());
  std::filesystem::create_directory("afolder");
  EXPECT_FALSE(media::readbytes("afolder", got));

  std::filesystem::resize_file("whole.bin", std::uintmax_t(1) << 32);  // sparse: no disk used
  EXPECT_FALSE(media::readbytes("whole.bin", got, 1 << 20));
  media::infile in;
  ASSERT_TRUE(media::savefile("lines.txt", "one\ntwo"));
  ASSERT_TRUE(in.open("lines.txt"));
  EXPECT_EQ(in.readline(), "one");
  EXPECT_EQ(in.readline(), "two");
  EXPECT_TRUE(in.eof());
}

}  // namespace
