// Test mode of the media layer: virtual clock, scripted input, frame read-back, injected failures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace media::test {

// Starts (or restarts) the layer in test mode with a fresh state: virtual clock at 0, no keys,
// empty script, random state 4660, default drawing state, graphics closed. Loaded images, fonts
// and sounds stay loaded (they are cached by path).
void reset();

// Number of presents since reset, less those made while the script was held.
int frames();

// Blind: nothing is drawn and no frame is read back, until turned off (reset turns it off). Only
// the picture changes: a long scripted run looks at the few frames it checks and skips the rest.
// While blind, presented() keeps the last frame read back before.
void blind(bool on);

// Held: presents do not count. frames() stays, no scripted event or pad action falls due and a
// sound asked for is noted with the same count; time goes on (reset lets go). A run whose game
// holds a picture on screen for some ticks (a hit pause) keys its script by the frames that show
// something new, as they were counted when such pauses were slept.
void holdscript(bool on);

// Scripted input. An event scheduled for frame f is delivered through the ordinary event path by
// the present that makes frames() reach f (f = 0 or less: by the next present).
void press(int frame, int key);
void release(int frame, int key);
void tap(int frame, int key);    // press at frame, release at frame + 1
void quicktap(int frame, int key);  // press and release both delivered by the same present
void type(int frame, int code);  // a typed character
void closewindow(int frame);     // the window's close button
// The mouse, in the game's own pixels: a move, a click (press and release) and wheel steps.
void mousemove(int frame, int x, int y);
void click(int frame, int button);
void wheel(int frame, int steps);
// The game's handling of SIGTERM, SIGINT and SIGHUP, which test mode otherwise leaves at the
// defaults (reset puts them back), and a signal raised in this process by a present.
void catchsignals();
void raisesignal(int frame, int signo);

// The virtual clock in milliseconds (fractional).
double clock();

// A 1024 x 768 frame as 0xAARRGGBB pixels.
struct frame {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
  int r(int x, int y) const { return (at(x, y) >> 16) & 255; }
  int g(int x, int y) const { return (at(x, y) >> 8) & 255; }
  int b(int x, int y) const { return at(x, y) & 255; }
};
frame presented();   // the last presented frame
frame backbuffer();  // what has been drawn since the last present (flushes pending drawing)
bool savepng(const frame& f, const std::string& path);

// Makes the next media::savefile fail after writing part of its temporary file.
void failnextsave();

// The name of SDL's render driver drawing the frame ("software" in test mode, "opengl" in a
// window when OpenGL is available); empty while graphics are closed.
std::string renderername();

// How many times the last presented frame's drawing went to the renderer: one per run of quads
// with the same texture and blend (on the software renderer, one per upright quad as well).
int drawcalls();

// The paths of the sounds cued on a channel since the reset, in order (music tracks included).
const std::vector<std::string>& cuedsounds();
// Every sound the game asked for since the reset, with the present count at the time, whether or
// not a channel was free for it (which depends on how fast the dummy device drains in real time).
struct cue {
  int frame;
  std::string path;
  bool operator==(const cue&) const = default;
};
const std::vector<cue>& cues();
// The volume last set on a channel that still owns its slot, -1 otherwise.
float channelvolume(int channel);
// Empties those lists, so a run of many thousand frames does not keep every blow's sound.
void forgetcuedsounds();
// Until the reset, sounds loaded with loadlatesound may be missing at first, as on the page.
void latesounds(bool arrivelate);

}  // namespace media::test
