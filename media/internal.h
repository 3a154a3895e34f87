// Private state shared by the media layer's source files; nothing outside media/ includes it.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "media/media.h"
#include "media/testing.h"

namespace media {

// ---- The layer's own state (window.cpp) ----
struct core {
  bool inited = false;
  bool testing = false;
  bool audio = false;  // false: no audio device, the game runs silently
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Surface* surface = nullptr;  // the software frame in test mode
  int generation = 0;              // changes whenever the renderer is replaced
  int width = 1024, height = 768, hz = 60;
  bool vsync = false;
  bool software = false;  // SDL's software renderer draws the frame
  float pixelscale = 1;   // screen pixels per game pixel (full screen, a resized window, high DPI)
  std::string title;
  // The virtual clock of test mode: a base in milliseconds (delays, earlier rates) plus presents
  // at the current rate, multiplied out each time so that no rounding error piles up.
  double virtualbase = 0;
  int64_t virtualframes = 0;
  int frames = 0;         // presents since start or reset
  int drawcalls = 0;      // geometry submissions to the renderer since the last present
  int lastdrawcalls = 0;  // the same for the last presented frame
  bool blind = false;     // test mode: nothing is drawn or read back (media::test::blind)
  bool scriptheld = false;  // test mode: presents do not count (media::test::holdscript)
};
extern core sys;

// Ends the program naming a file that exists but cannot be decoded.
[[noreturn]] void badfile(const std::string& path, const char* why);

// ---- Clock (clock.cpp) ----
double realms();     // monotonic milliseconds, fractional
double realstart();  // the monotonic clock's reading, in milliseconds, when realms() counts from
void resetclock();
double virtualclock();
void virtualpresent();
void virtualrate(int hz);  // the rate changes from now on

// ---- Bitmaps and textures (image.cpp) ----
struct bitmap {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0xAARRGGBB
};
bitmap halve(const bitmap& src);
bitmap binarised(const bitmap& src);  // alpha 0 below one half, 255 otherwise
bitmap decodepng(const std::string& path);

// A bitmap and the texture made from it on the current renderer (made again after a new one).
class texture {
 public:
  bitmap pixels;
  bool linear = false;
  SDL_Texture* get();
  void changed();  // the pixels changed: the texture is made again on the next get

 private:
  SDL_Texture* tex_ = nullptr;
  int generation_ = -1;
};

// Where a picture lies in a texture, in texture coordinates.
struct texturepart {
  SDL_Texture* tex = nullptr;
  float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
};

// One texture holding many small pictures side by side, each with a border repeating its edge
// pixels so that filtering never reaches a neighbour. Images of the same filtering share one, so
// drawing a fighter's limbs and joints in turn does not switch textures.
class atlas {
 public:
  explicit atlas(bool linear) : linear_(linear) {}
  int add(const bitmap& bm);  // an id for part(); the texture is laid out again on next use
  texturepart part(int id);
  texturepart white();  // a solid white patch, for rectangles and lines
  bool holds(const SDL_Texture* tex) const { return tex != nullptr && tex == current_; }
  void clear();

 private:
  void layout();
  void addwhite();
  bool linear_;
  std::vector<bitmap> members_;
  std::vector<SDL_Rect> places_;
  texture texture_;
  SDL_Texture* current_ = nullptr;
  bool laidout_ = false;
  int whiteid_ = -1;
};
atlas& sharedatlas(bool linear, bool mask);
void clearatlases();

// An image's or a font's pictures: the chain of halvings and, made when first needed, its
// alpha-binarised twin for mask drawing. Shared sets live in the atlases; others have a texture
// per level (the font, which is too large to share).
class textureset {
 public:
  void build(bitmap base, bool linear, bool mipmapped, bool shared, int maxlevels = 32);
  // The level that suits a picture drawn drawnw x drawnh pixels, in the current blend mode.
  texturepart pick(float drawnw, float drawnh);
  int width() const { return levels_.empty() ? 0 : levels_[0].pixels.width; }
  int height() const { return levels_.empty() ? 0 : levels_[0].pixels.height; }

 private:
  texturepart level(size_t i, bool mask);
  bool shared_ = false;
  bool linear_ = false;
  std::vector<texture> levels_;
  std::vector<texture> masklevels_;
  std::vector<int> ids_, maskids_;  // the levels' places in the shared atlases
};

// ---- The batcher (render.cpp) ----
// Adds one quad, corners in frame pixels (clockwise from the texture's top-left) and texture
// coordinates, with the current colour, alpha and blend. Nothing is drawn when alpha <= 0.
void addquad(SDL_Texture* tex, const SDL_FPoint corners[4], const SDL_FPoint uv[4]);
void flushbatch();
void discardbatch();
// A point (vx, vy) from a drawing position (x, y) under the current rotation and scale.
SDL_FPoint placed(float x, float y, float vx, float vy);
bool drawingvisible();
float scalex();
float scaley();
texturepart whitepart();  // in the texture being batched when it has one, so no switch is needed
SDL_Texture* batchingtexture();
void resetdrawing();

// ---- Ends from outside (ending.cpp) ----
// ---- What differs between the desktop and the browser: media/desktop.cpp or media/web.cpp ----
void hoststart();  // once per start outside test mode, before anything is read
// Paces a frame by the rule of flip's sync and shows it; fresh false keeps showing the last one.
void showframe(int sync, bool fresh);
void restartpacing();
void sleepfor(double ms);  // outside test mode
void filesaved();          // a file was saved or removed: make the change last
std::string assetpath(const std::string& path);  // where a file shipped with the game is read
bool filesarrivelate();  // some shipped files come after the start (the page's music)
bool audioopenslate();   // the audio device is opened after the first frame (on the page)

void catchsignals();    // SIGTERM, SIGINT and SIGHUP become a close request
void defaultsignals();  // back to the default actions, nothing pending
bool takesignal();      // reads and clears a caught signal
void watchdisplay(SDL_Window* window);  // watch the window's X connection, if it has one
void forgetdisplay();
void checkdisplay();  // ends the program at once when the watched connection has closed
[[noreturn]] void displaylost();

// ---- Per-area resets and hooks ----
void resetrandom();
void setfailnextsave();
void resetfiles();
void resetinput();
void handleevent(const SDL_Event& e);
void pumpevents();
void resetimages();
void freeimages();
void freefonts();
void resetfonts();
void resetsound();
void opensound();
void openlatesound();  // opens the audio device and decodes what was loaded before it
const std::vector<std::string>& cuedsounds();
const std::vector<test::cue>& cuerequests();
float lastvolume(channel ch);
void forgetcuedsounds();
void latesounds(bool arrivelate);  // test mode: late sounds may be missing at first, as on the page
void closesound();
void resetwindow();
void updatepixelscale();
void capturepresented();  // test mode: keeps the frame about to be presented
void deliverscript();     // test mode: pushes the scripted events due at the current frame
void clearscript();

// ---- Key mapping (input.cpp) ----
int virtualkey(SDL_Scancode scancode, SDL_Keycode keycode);
void sdlkeyfor(int vk, SDL_Scancode* scancode, SDL_Keycode* keycode);

// ---- Keys by place (keyplaces.cpp) and gamepads (gamepad.cpp, testpads.cpp) ----
void placeevent(const SDL_KeyboardEvent& e);
void releaseplaces();  // nothing held, as after the window lost the focus
void resetplaces();
void openpads();
void closepads();
void resetpads();
void padevent(const SDL_Event& e);
void updatepads();  // after the events of a present: repeats of held directions
void detachtestpads();  // and the timed test actions
void runtestactions();  // the timed test actions due by this present

}  // namespace media
