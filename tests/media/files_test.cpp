// File streams: line reading on awkward input, integer conversion, safe saving.
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

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

}  // namespace
