// Tests of the high-score table: sorting, entering scores, and the file scores.txt.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "app/fightgame.h"
#include "media/media.h"
#include "media/testing.h"
#include "tests/support/testenv.h"

namespace flopfist {
namespace {

using flopfist::testing::gametest;
namespace fs = std::filesystem;

std::string readbytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writebytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string describe(const fightgame& g) {
  std::string out;
  for (const auto& row : g.scores.rows) out += row.name + "=" + std::to_string(row.points) + " ";
  return out;
}

// Twenty rows R1..R20 with 2000, 1900, ..., 100 points.
void steptable(fightgame& g) {
  g.scores.rows.clear();
  for (int i = 1; i <= 20; ++i) g.scores.rows.push_back(scoreentry{2100 - 100 * i, "R" + std::to_string(i)});
}

using ScoreTable = gametest;

TEST_F(ScoreTable, EnteringAScoreKeepsTheBestTwenty) {
  fightgame g;
  steptable(g);
  const std::string before = describe(g);

  // Not above the 20th row: carried to the end and dropped at once.
  g.scores.add("SAME", 100);
  EXPECT_EQ(describe(g), before);
  g.scores.add("LOW", 0);
  EXPECT_EQ(describe(g), before);

  // Above it: the former 20th row drops out.
  g.scores.add("NEW", 150);
  ASSERT_EQ(g.scores.rows.size(), 20u);
  EXPECT_EQ(g.scores.rows[18].name, "R19");
  EXPECT_EQ(g.scores.rows[19].name, "NEW");

  // A tie with the row of an even rank ends below that row.
  g.scores.add("TIE", 1500);
  EXPECT_EQ(g.scores.rows[5].name, "R6");
  EXPECT_EQ(g.scores.rows[6].name, "TIE");
  EXPECT_EQ(g.scores.rows[19].name, "R19");

  // The table keeps the score's low 32 bits, as an unsigned value.
  g.scores.add("WRAP", (int64_t(1) << 32) + 5000);
  EXPECT_EQ(g.scores.rows[0].name, "WRAP");
  EXPECT_EQ(g.scores.rows[0].points, 5000);
  g.scores.add("TOP", 0xFFFFFFFFLL);
  EXPECT_EQ(g.scores.rows[0].points, 4294967295LL);
}

TEST_F(ScoreTable, SortingOrdersByScoreAndTradesTiesOnEveryPass) {
  fightgame g;
  // Rows of equal score trade places on every pass that reaches them, so each sort may reorder them.
  for (const char* n : {"A", "B", "C"}) g.scores.rows.push_back(scoreentry{0, n});
  g.scores.sort();
  EXPECT_EQ(describe(g), "C=0 B=0 A=0 ");
  g.scores.sort();
  EXPECT_EQ(describe(g), "A=0 B=0 C=0 ");

  // The first pass carries a newcomer below the row it ties with; each later pass of a table of
  // twenty distinct scores swaps the pair once more, so it stays below a tie of even rank only.
  for (int at = 1; at <= 19; ++at) {
    steptable(g);
    g.scores.add("NEW", 2100 - 100 * at);
    const bool below = at % 2 == 0;
    EXPECT_EQ(g.scores.rows[below ? at - 1 : at].name, "R" + std::to_string(at));
    EXPECT_EQ(g.scores.rows[below ? at : at - 1].name, "NEW") << "tie with R" << at;
  }
  steptable(g);
  g.scores.rows[9].points = g.scores.rows[11].points = 1000;
  g.scores.add("NEW", 1000);
  EXPECT_EQ(g.scores.rows[12].name, "NEW");

  g.scores.rows = {{5, "a"}, {9, "b"}, {5, "c"}, {-1, "d"}, {9, "e"}, {7, "f"}};
  g.scores.sort();
  EXPECT_EQ(describe(g), "b=9 e=9 f=7 a=5 c=5 d=-1 ");

  // Any table comes out in descending order with the same rows.
  uint32_t seed = 12345;
  for (int round = 0; round < 200; ++round) {
    g.scores.rows.clear();
    std::vector<int64_t> points;
    const int n = int(seed % 25);
    for (int i = 0; i < n; ++i) {
      seed = seed * 1664525u + 1013904223u;
      points.push_back(int64_t(seed >> 28) - 4);
      g.scores.rows.push_back(scoreentry{points.back(), std::to_string(i)});
    }
    g.scores.sort();
    std::vector<int64_t> got;
    for (const auto& row : g.scores.rows) got.push_back(row.points);
    std::sort(points.begin(), points.end(), std::greater<>());
    EXPECT_EQ(got, points);
  }
}

TEST_F(ScoreTable, LowestScoreSortsAndReadsTheTwentiethRow) {
  fightgame g;
  for (int i = 0; i < 5; ++i) g.scores.rows.push_back(scoreentry{100 + i, "X"});
  EXPECT_EQ(g.scores.lowest(), 0);
  EXPECT_EQ(g.scores.rows[0].points, 104);  // sorted all the same

  steptable(g);
  std::swap(g.scores.rows[0], g.scores.rows[19]);
  EXPECT_EQ(g.scores.lowest(), 100);
  EXPECT_EQ(g.scores.rows[0].name, "R1");

  g.scores.rows[19].points = (int64_t(1) << 32) + 7;  // sorts to the top: R19 becomes 20th
  EXPECT_EQ(g.scores.lowest(), 200);
  g.scores.rows[19].points = -((int64_t(1) << 32) - 3);
  EXPECT_EQ(g.scores.lowest(), 3);  // low 32 bits only
}

TEST_F(ScoreTable, LoadingOverwritesRowsInPlaceInFileOrder) {
  fightgame g;
  g.scores.defaults();
  g.scores.rows[1].points = 77;
  // Short file: the second row gets its name and keeps its score; later rows keep theirs.
  writebytes("scores.txt", "ANN\r\n500\r\nBOB\r\n");
  g.loadscores();
  EXPECT_EQ(g.scores.rows[0].name, "ANN");
  EXPECT_EQ(g.scores.rows[0].points, 500);
  EXPECT_EQ(g.scores.rows[1].name, "BOB");
  EXPECT_EQ(g.scores.rows[1].points, 77);
  EXPECT_EQ(g.scores.rows[2].name, "NOBODY");
  ASSERT_EQ(g.scores.rows.size(), 20u);

  // Unsorted rows stay in file order; number forms, huge numbers and odd names all load.
  const std::string longname(100000, 'Z');
  std::string file = std::string("LOW\r\n1\r\nHIGH\r\n  42abc\r\nHEX\r\n$1F\r\nEMPTY\r\n\r\nBIN\r\n%101\r\n") +
                     "BIG\r\n99999999999999999999999\r\nSMALL\r\n-99999999999999999999999\r\n" + longname +
                     "\r\n-5\r\n\xE9t\xE9\r\n+8\r\nA\rB\r\n9\n";
  for (int i = 11; i <= 21; ++i) file += "R" + std::to_string(i) + "\r\n" + std::to_string(i) + "\r\n";
  writebytes("scores.txt", file);
  g.loadscores();
  EXPECT_EQ(g.scores.rows[0].name, "LOW");
  EXPECT_EQ(g.scores.rows[0].points, 1);
  EXPECT_EQ(g.scores.rows[1].points, 42);
  EXPECT_EQ(g.scores.rows[2].points, 31);
  EXPECT_EQ(g.scores.rows[3].points, 0);
  EXPECT_EQ(g.scores.rows[4].points, 5);
  EXPECT_EQ(g.scores.rows[5].points, std::numeric_limits<int64_t>::max());
  EXPECT_EQ(g.scores.rows[6].points, std::numeric_limits<int64_t>::min());
  EXPECT_EQ(g.scores.rows[7].name, longname);
  EXPECT_EQ(g.scores.rows[7].points, -5);
  EXPECT_EQ(g.scores.rows[8].name, "\xE9t\xE9");
  EXPECT_EQ(g.scores.rows[8].points, 8);
  EXPECT_EQ(g.scores.rows[9].name, "AB");
  EXPECT_EQ(g.scores.rows[9].points, 9);
  EXPECT_EQ(g.scores.rows[19].name, "R20");  // lines after the 40th are ignored
  EXPECT_EQ(g.scores.rows.size(), 20u);
}

TEST_F(ScoreTable, SavingWritesFortyLinesOneBytePerCharacter) {
  fightgame g;
  steptable(g);
  g.scores.rows[0] = scoreentry{-42, "\xE9l\xE8ve"};
  g.scores.rows[1] = scoreentry{std::numeric_limits<int64_t>::min(), ""};
  g.savescores();
  std::string want = "\xE9l\xE8ve\r\n-42\r\n\r\n-9223372036854775808\r\n";
  for (int i = 3; i <= 20; ++i) want += "R" + std::to_string(i) + "\r\n" + std::to_string(2100 - 100 * i) + "\r\n";
  EXPECT_EQ(readbytes("scores.txt"), want);

  fightgame back;
  back.scores.defaults();
  back.loadscores();
  EXPECT_EQ(describe(back), describe(g));
}

// Files in the working folder other than the linked asset folders.
std::vector<std::string> ownfiles() {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(".")) {
    const std::string n = e.path().filename().string();
    if (n != "images" && n != "sounds" && n != "music") out.push_back(n);
  }
  std::sort(out.begin(), out.end());
  return out;
}

TEST_F(ScoreTable, AFailedSaveLeavesTheOldFileByteForByte) {
  fightgame g;
  steptable(g);
  const std::string old = "OLD\r\n123\r\nkeep me\r\n-1\r\n";
  writebytes("scores.txt", old);

  // A write error part-way through.
  media::test::failnextsave();
  g.savescores();
  EXPECT_EQ(readbytes("scores.txt"), old);
  EXPECT_EQ(ownfiles(), std::vector<std::string>{"scores.txt"});

  // A full disk: no file may grow beyond 16 bytes. Root is not exempt from this limit.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldhandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit tiny = saved;
  tiny.rlim_cur = 16;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
  g.savescores();
  g.saveprefs();
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldhandler);
  EXPECT_EQ(readbytes("scores.txt"), old);
  EXPECT_EQ(ownfiles(), std::vector<std::string>{"scores.txt"});

  // And the next save that can succeed does.
  g.savescores();
  EXPECT_EQ(readbytes("scores.txt").substr(0, 10), "R1\r\n2000\r\n");
}

TEST_F(ScoreTable, AFolderNamedLikeTheFileIsLeftAloneAndTheTableKept) {
  fs::create_directory("scores.txt");
  writebytes("scores.txt/inside", "keep");
  fightgame g;
  g.scores.defaults();
  g.loadscores();  // cannot read, cannot create: the default rows stay
  EXPECT_EQ(g.scores.rows.size(), 20u);
  EXPECT_EQ(g.scores.rows[0].name, "NOBODY");
  g.scores.add("ME", 10);
  g.savescores();
  EXPECT_EQ(g.scores.rows[0].name, "ME");  // the table in memory is updated all the same
  EXPECT_TRUE(fs::is_directory("scores.txt"));
  EXPECT_EQ(readbytes("scores.txt/inside"), "keep");
  EXPECT_EQ(ownfiles(), std::vector<std::string>{"scores.txt"});
}

}  // namespace
}  // namespace flopfist
