// Tests of the options screen and the preferences file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
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
namespace key = media::key;

std::string readbytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writebytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> prefslines() {
  std::vector<std::string> lines;
  std::string all = readbytes("prefs.qmx"), line;
  for (char c : all) {
    line += c;
    if (c == '\n') lines.push_back(line), line.clear();
  }
  return lines;
}

const std::string defaultprefs = "1\r\n4\r\n5\r\n1\r\n5\r\n1\r\n3\r\n0\r\n6\r\n6\r\n1\r\n1\r\n10\r\n";

// The options' values in the file's line order.
std::vector<int> values(const options& o) {
  return {o.spare1,       o.playersspeed, o.flexibility, o.spare2,  o.blowpower, o.plasma, o.slowmotion,
          o.fullscreen,   o.soundsvolume, o.musicvolume, o.gravity, o.ailevel,   o.blood};
}

using Prefs = gametest;

TEST_F(Prefs, FirstStartTakesTheDefaultsAndWritesNoFile) {
  fightgame game;
  game.scores.defaults();
  game.loadscores();
  game.settings = options{};
  game.loadprefs();
  EXPECT_FALSE(fs::exists("prefs.qmx"));
  EXPECT_FALSE(fs::exists("scores.txt"));
  EXPECT_EQ(values(game.settings), (std::vector<int>{1, 4, 5, 1, 5, 1, 3, 0, 6, 6, 1, 1, 10}));
  game.saveprefs();
  EXPECT_EQ(readbytes("prefs.qmx"), defaultprefs);
  std::string scores;
  for (int i = 0; i < 20; ++i) scores += "NOBODY\r\n0\r\n";
  game.savescores();
  EXPECT_EQ(readbytes("scores.txt"), scores);
}

TEST_F(Prefs, LoadingKeepsMissingLinesAndClampsEveryValue) {
  fightgame game;
  // Four lines set the first four values only.
  writebytes("prefs.qmx", "2\r\n9\r\n15\r\n6\r\n");
  game.settings = options{};
  game.loadprefs();
  EXPECT_EQ(values(game.settings), (std::vector<int>{2, 9, 15, 6, 5, 1, 3, 0, 6, 6, 1, 1, 10}));

  // "  -3abc" reads as -3: kept on the unclamped spare1, clamped on GRAVITY.
  writebytes("prefs.qmx", "  -3abc\r\n4\r\n5\r\n1\r\n5\r\n1\r\n3\r\n0\r\n6\r\n6\r\n  -3abc\r\n1\r\n10\r\n");
  game.settings = options{};
  game.loadprefs();
  EXPECT_EQ(game.settings.spare1, -3);
  EXPECT_EQ(game.settings.gravity, 0);

  // Hand-edited values that would divide by zero, overrun the particle arrays or overflow;
  // 4294967297 would wrap to 1 in a 32-bit int and must not come back in range that way.
  writebytes("prefs.qmx",
             "99999999999999999999999\n0\n0\n99\n4294967297\n-7\n$1F\n2\n%101\nabc\n"
             "-99999999999999999999\n40\n1000\n");
  game.settings = options{};
  game.loadprefs();
  EXPECT_EQ(values(game.settings), (std::vector<int>{2147483647, 1, 1, 7, 10, 0, 10, 1, 5, 0, 0, 10, 30}));

  // Zero bytes and bare carriage returns end or vanish from lines as in any other line.
  writebytes("prefs.qmx", std::string("3\0" "5\r\r\n7", 7));
  game.settings = options{};
  game.loadprefs();
  EXPECT_EQ(game.settings.spare1, 3);
  EXPECT_EQ(game.settings.playersspeed, 5);
  EXPECT_EQ(game.settings.flexibility, 7);
  EXPECT_EQ(game.settings.spare2, 1);
}

TEST_F(Prefs, UnreadableFileLeavesTheDefaults) {
  fs::create_directory("prefs.qmx");
  writebytes("prefs.qmx/inside", "keep");
  fightgame game;
  game.settings = options{};
  game.settings.gravity = 3;
  game.loadprefs();
  EXPECT_EQ(game.settings.gravity, 3);
  EXPECT_TRUE(fs::is_directory("prefs.qmx"));
  EXPECT_EQ(readbytes("prefs.qmx/inside"), "keep");
}

TEST_F(Prefs, SavingIsByteExactAndAFailedSaveKeepsTheOldFile) {
  fightgame game;
  game.settings = options{};
  game.settings.spare1 = -12;
  game.settings.blood = 30;
  game.saveprefs();
  EXPECT_EQ(readbytes("prefs.qmx"), "-12\r\n4\r\n5\r\n1\r\n5\r\n1\r\n3\r\n0\r\n6\r\n6\r\n1\r\n1\r\n30\r\n");

  const std::string old = readbytes("prefs.qmx");
  game.settings.gravity = 9;
  media::test::failnextsave();
  game.saveprefs();
  EXPECT_EQ(readbytes("prefs.qmx"), old);
  for (const auto& entry : fs::directory_iterator(".")) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "prefs.qmx" || name == "images" || name == "sounds" || name == "music") << name;
  }
}

// Runs the options screen with keys scripted from its first frame on (frame 1 is its first present).
class OptionsScreen : public gametest {
 protected:
  void SetUp() override {
    gametest::SetUp();
    game = flopfist::testing::makegame();
  }
  void tap(int frame, int k) { media::test::tap(start + frame, k); }
  // Presses the key on frames first, first + 2, ... (count times).
  void taps(int first, int count, int k) {
    for (int i = 0; i < count; ++i) tap(first + 2 * i, k);
  }
  // Runs the screen; returns the number of frames it showed.
  int run() {
    fs::remove("prefs.qmx");
    game->optionsscreen();
    return media::test::frames() - start;
  }
  void again() { start = media::test::frames(); }
  std::unique_ptr<fightgame> game;
  int start = 0;
};

TEST_F(OptionsScreen, RightOnGravityRaisesItAndEscapeWritesIt) {
  tap(1, key::right);
  tap(3, key::escape);
  EXPECT_EQ(run(), 3);
  EXPECT_EQ(game->settings.gravity, 2);
  ASSERT_EQ(prefslines().size(), 13u);
  EXPECT_EQ(prefslines()[10], "2\r\n");
  EXPECT_EQ(readbytes("prefs.qmx"), "1\r\n4\r\n5\r\n1\r\n5\r\n1\r\n3\r\n0\r\n6\r\n6\r\n2\r\n1\r\n10\r\n");

  // Two presses, two steps; one press held for many frames, one step.
  again();
  taps(1, 2, key::right);
  media::test::press(start + 6, key::right);
  media::test::release(start + 30, key::right);
  tap(32, key::escape);
  run();
  EXPECT_EQ(game->settings.gravity, 5);
}

TEST_F(OptionsScreen, ValuesStopAtTheEndsOfTheirRanges) {
  game->settings.gravity = 0;
  game->settings.ailevel = 1;
  game->settings.fullscreen = 1;
  game->settings.blood = 29;
  tap(1, key::left);               // GRAVITY 0 stays 0
  taps(3, 4, key::down);           // AI LEVEL
  taps(11, 3, key::left);          // stops at 1
  taps(17, 2, key::down);          // BLOOD
  taps(21, 3, key::right);         // 29 -> 30 and no further
  taps(27, 2, key::down);          // FULLSCREEN
  tap(31, key::right);             // 1 stays 1
  tap(33, key::escape);
  run();
  EXPECT_EQ(game->settings.gravity, 0);
  EXPECT_EQ(game->settings.ailevel, 1);
  EXPECT_EQ(game->settings.blood, 30);
  EXPECT_EQ(game->settings.fullscreen, 1);
  EXPECT_EQ(prefslines()[11], "1\r\n");
  EXPECT_EQ(prefslines()[12], "30\r\n");
}

TEST_F(OptionsScreen, ResetOptionsResetsEveryFrameWhileHeldAndDoesNotLeave) {
  game->settings.gravity = 7;
  game->settings.blood = 20;
  tap(1, key::up);  // row 1 -> RESET OPTIONS
  media::test::press(start + 3, key::enter);
  tap(6, key::up);     // MUSIC VOLUME, Enter still held
  tap(8, key::right);  // 6 -> 7
  tap(10, key::down);  // back on RESET OPTIONS: reset again
  media::test::release(start + 15, key::enter);
  tap(20, key::escape);
  EXPECT_EQ(run(), 20);  // the Enter press did not leave
  EXPECT_EQ(game->settings.gravity, 1);
  EXPECT_EQ(game->settings.blood, 10);
  EXPECT_EQ(game->settings.musicvolume, 6);
  EXPECT_EQ(readbytes("prefs.qmx"), defaultprefs);

  // Down from RESET OPTIONS wraps to GRAVITY.
  again();
  game->menuplaces.clear();  // from GRAVITY, not from the row the first run left
  tap(1, key::up);
  tap(3, key::down);
  tap(5, key::right);
  tap(7, key::escape);
  run();
  EXPECT_EQ(game->settings.gravity, 2);
  EXPECT_EQ(game->settings.musicvolume, 6);
}

TEST_F(OptionsScreen, EnterOrSpaceLeavesAwayFromResetAndTheFileIsAlwaysWritten) {
  tap(2, key::enter);
  EXPECT_EQ(run(), 2);
  EXPECT_TRUE(fs::exists("prefs.qmx"));

  again();
  taps(1, 2, key::down);
  tap(6, key::space);
  EXPECT_EQ(run(), 6);
  EXPECT_TRUE(fs::exists("prefs.qmx"));

  // An Enter that arrived while the screen was closing does not act on the next one.
  again();
  tap(1, key::enter);
  media::flip(-1);
  again();
  tap(4, key::escape);
  EXPECT_EQ(run(), 4);
}

TEST_F(OptionsScreen, FullscreenChangesNothingUntilTheNextStart) {
  taps(1, 8, key::down);
  tap(17, key::right);
  tap(19, key::escape);
  run();
  EXPECT_EQ(game->settings.fullscreen, 1);
  EXPECT_EQ(prefslines()[7], "1\r\n");
  EXPECT_TRUE(media::graphicsopen());
  const auto frame = media::test::presented();
  EXPECT_EQ(frame.width, 1024);
  EXPECT_EQ(frame.height, 768);
  // The next start reads it back.
  fightgame next;
  next.settings = options{};
  next.loadprefs();
  EXPECT_EQ(next.settings.fullscreen, 1);
}

// Bounds of the lit pixels in a horizontal band, and the brightest pixel's colour.
struct band {
  int left = 1024, right = -1;
  int r = 0, g = 0, b = 0;
};
band scan(const media::test::frame& f, int top, int bottom) {
  band out;
  for (int y = top; y < bottom; ++y) {
    for (int x = 0; x < f.width; ++x) {
      const int sum = f.r(x, y) + f.g(x, y) + f.b(x, y);
      if (sum == 0) continue;
      out.left = std::min(out.left, x);
      out.right = std::max(out.right, x);
      if (sum > out.r + out.g + out.b) out.r = f.r(x, y), out.g = f.g(x, y), out.b = f.b(x, y);
    }
  }
  return out;
}

TEST_F(OptionsScreen, RowsAreCentredGreyWithTheSelectionInPaletteColour2) {
  taps(1, 2, key::down);  // PLAYERS SPEED stays selected from frame 3 on
  tap(120, key::escape);  // late enough for the palette to have brightened
  run();
  const auto frame = media::test::presented();
  media::test::savepng(frame, flopfist::testing::artefact("options_screen.png"));
  const palette& shown = game->colours;
  const band title = scan(frame, 20, 150);
  EXPECT_EQ(std::vector<int>({title.r, title.g, title.b}),
            std::vector<int>({shown.colours[1][1], shown.colours[1][2], shown.colours[1][3]}));
  for (int r = 1; r <= 12; ++r) {
    // From a few pixels down: the brackets of the row above may reach just past its 40 pixels.
    const band row = scan(frame, 170 + 40 * r + 6, 170 + 40 * r + 38);
    ASSERT_LE(row.left, row.right) << "row " << r << " is empty";
    EXPECT_NEAR((row.left + row.right) / 2.0, 511.5, 4.0) << "row " << r;
    if (r == 3) {
      EXPECT_EQ(std::vector<int>({row.r, row.g, row.b}),
                std::vector<int>({shown.colours[2][1], shown.colours[2][2], shown.colours[2][3]}));
    } else {
      EXPECT_EQ(std::vector<int>({row.r, row.g, row.b}), std::vector<int>({100, 100, 100})) << "row " << r;
    }
  }
  // FULLSCREEN carries its note, the key that switches it.
  const band fullscreen = scan(frame, 536, 568);
  EXPECT_GT(float(fullscreen.right - fullscreen.left), media::textwidth("FULLSCREEN  0") * 0.1875f + 40);
}

}  // namespace
}  // namespace flopfist
