// The media layer: window, drawing, font, keyboard, clock, random numbers, sound and files.
// The only part of the game that touches SDL, SDL_mixer, libpng, FreeType, the file system or the clock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace media {

// ---- Virtual-key numbers the game uses (Windows virtual-key codes) ----
namespace key {
constexpr int backspace = 8;
constexpr int enter = 13;
constexpr int escape = 27;
constexpr int space = 32;
constexpr int left = 37;
constexpr int up = 38;
constexpr int right = 39;
constexpr int down = 40;
constexpr int digit1 = 49;
constexpr int digit4 = 52;
constexpr int digit8 = 56;
constexpr int a = 65;
constexpr int d = 68;
constexpr int p = 80;
constexpr int s = 83;
constexpr int w = 87;
constexpr int count = 256;  // key numbers are 0..255
}  // namespace key

// ---- Blend modes ----
namespace blend {
constexpr int mask = 1;   // no blending; pixels with alpha below 0.5 are dropped
constexpr int solid = 2;  // no blending
constexpr int alpha = 3;  // src*a + dst*(1-a)
constexpr int light = 4;  // src*a + dst (additive)
constexpr int shade = 5;  // src*dst (multiply)
}  // namespace blend

// ---- Image load flags ----
namespace imageflag {
constexpr int masked = 1;     // black pixels become transparent
constexpr int filtered = 2;   // bilinear filtering
constexpr int mipmapped = 4;  // smooth when drawn much smaller than its size
}  // namespace imageflag

struct image;  // opaque; owned by the media layer for the whole run
struct font;   // opaque; owned by the media layer for the whole run
struct sound;  // opaque; a loaded sample (WAV) or a streamed track (OGG)
using channel = int;  // 0 means no channel

// ---- Start and end ----
// Starts the layer. In test mode: dummy audio, a software-rendered frame that can be read back,
// a virtual clock and scripted input (see media/testing.h). Safe to call again after shutdown.
void init(bool testmode);
void shutdown();
bool testmode();
// Ends the program with the given exit code. In test mode it throws media::programexit instead,
// so a test can observe the end without its process ending.
[[noreturn]] void endprogram(int code);
struct programexit {
  int code;
};
// Ends the program with a message naming the missing file and the folder it was looked for in.
[[noreturn]] void missingfile(const std::string& path);

// ---- Window and frame ----
void settitle(const std::string& title);
void opengraphics(int width, int height, int depth, int hz);  // depth 0: a window; else full screen
bool graphicsopen();
void hidemouse();
void cls();
// sync -1 paces to the refresh rate given to opengraphics (sleeping, never busy-waiting a frame).
void flip(int sync);
void repeatframe();  // presents the last presented frame again, paced like flip(-1); the frame being drawn is kept
// Reads and clears the request to end: the window's close button, or SIGTERM, SIGINT or SIGHUP
// (caught outside test mode). A lost display does not come here: the program ends at once.
bool terminaterequest();

// ---- Drawing state ----
void setcolor(int r, int g, int b);
void setalpha(float a);
void setblend(int mode);
void setrotation(float degrees);
void setscale(float sx, float sy);
void setlinewidth(float w);
int getblend();
float getalpha();

// ---- Drawing ----
void drawimage(image* img, float x, float y, int frame = 0);
void drawrect(float x, float y, float w, float h);
void drawline(float x1, float y1, float x2, float y2, bool lastpixel = true);
void plot(float x, float y);
void drawtext(std::string_view text, float x, float y);
float textwidth(std::string_view text);  // unscaled pixels, current font
float textheight(std::string_view text);

// The point transform: a point (vx, vy) taken from an image's handle lands at
// (x + vx*ix + vy*iy, y + vx*jx + vy*jy) with ix = cos r * sx, iy = -sin r * sy, jx = sin r * sx, jy = cos r * sy.
struct point {
  float x, y;
};
point transformpoint(float x, float y, float vx, float vy);

// ---- Images and fonts (may be loaded before the window opens) ----
void setimageflags(int flags);  // -1 leaves them unchanged
image* loadimage(const std::string& path, int flags = -1);  // -1: the default flags
void midhandle(image* img);
int imagewidth(const image* img);
int imageheight(const image* img);
font* loadfont(const std::string& path, int pixelsize, int style);  // style 4: smoothed
void setfont(font* f);

// ---- Keyboard ----
int keyhit(int key);    // presses since the last call for that key; then 0
bool keydown(int key);  // held now
int nextchar();         // next typed character code, 0 when none waits
void flushkeys();       // clears hits, held states and typed characters

// ---- Time ----
int millisecs();  // monotonic
void delay(int ms);

// ---- Random numbers (Park-Miller minimal standard, state 4660 before seeding) ----
void seedrnd(int seed);
int rndstate();
double rnd();                          // one step: [0, 1)
double rnd(double min, double max);    // two steps: [min, max)
int rndint(int min, int max);          // two steps: [min, max]

// ---- Sound ----
sound* loadsound(const std::string& path, int flags = 0);
// A sound the game can start without where it arrives after the start (the page fetches the music
// after the title shows): not missing there, only not there yet. It gives no channel until its
// file has arrived, and loads then. Elsewhere it is loaded as loadsound loads it.
sound* loadlatesound(const std::string& path);
bool soundready(sound* snd);   // its file is there (always, for loadsound's)
channel cuesound(sound* snd);  // a new channel, paused; 0 when none is free, there is no audio or it is not there yet
void setchannelvolume(channel ch, float volume);
void resumechannel(channel ch);
void stopchannel(channel ch);
bool channelplaying(channel ch);

// ---- Files ----
// A file read whole into memory, then read line by line: a line ends at a line feed, a zero byte
// or the end; carriage returns are dropped wherever they occur.
class infile {
 public:
  bool open(const std::string& path);  // false when the file cannot be read
  bool eof() const;
  std::string readline();
  void close();
  // Reads bytes already in memory by the same rules (lets tests feed the file readers quickly).
  void openbytes(std::string bytes) {
    close();
    bytes_ = std::move(bytes);
    open_ = true;
  }

 private:
  std::string bytes_;
  size_t pos_ = 0;
  bool open_ = false;
};
// Writes a whole file safely: to a temporary file in the same folder, flushed to disk, then renamed
// over the old one. On any failure the old file is left as it was and false is returned.
// What the player set stays: a symbolic link is followed and its target replaced in the target's
// folder; the file's permissions (and owner, where allowed) are kept; a file that cannot be opened
// for writing or has no write permission at all is left untouched (false). When the folder cannot
// take a temporary file but the file is writable, the file is written in place and flushed.
bool savefile(const std::string& path, std::string_view bytes);
bool fileexists(const std::string& path);
// Integer conversion of a line: leading white space, an optional sign, then decimal digits, or "%"
// binary or "$" hexadecimal digits, up to the first other character. No digits gives 0. Values too
// large for 64 bits saturate.
int64_t toint(std::string_view text);

}  // namespace media
