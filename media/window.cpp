// Start-up and shut-down, the window and renderer, clearing, presenting and frame pacing.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "media/window.h"
#include "media/internal.h"
#include "media/media.h"

namespace media {

core sys;

namespace {
bool fullscreenon = false;
constexpr const char* iconimage = "images/icon64.png";

void fatal(const char* what) {
  std::fprintf(stderr, "%s: %s\n", what, SDL_GetError());
  endprogram(1);
}

void closegraphics() {
  discardbatch();
  if (sys.renderer != nullptr) SDL_DestroyRenderer(sys.renderer);
  if (sys.window != nullptr) SDL_DestroyWindow(sys.window);
  if (sys.surface != nullptr) SDL_FreeSurface(sys.surface);
  sys.renderer = nullptr;
  sys.window = nullptr;
  sys.surface = nullptr;
  forgetdisplay();
}

// The exit handler: a lost display ends the program without touching SDL again.
void shutdownatexit() {
  checkdisplay();
  shutdown();
}

// Tests draw into a plain surface through SDL's software renderer, which can always be read back.
void opentestframe() {
  sys.surface =
      SDL_CreateRGBSurfaceWithFormat(0, sys.width, sys.height, 32, SDL_PIXELFORMAT_ARGB8888);
  if (sys.surface == nullptr) fatal("cannot make the test frame");
  sys.renderer = SDL_CreateSoftwareRenderer(sys.surface);
  if (sys.renderer == nullptr) fatal("cannot make the test renderer");
}

// Fullscreen is a borderless window over the whole display the window is on, letterboxed by the
// renderer. SDL's own fullscreen needs a window manager to resize the window: without one (plain
// Xvfb, a kiosk) the window stayed at its size while SDL drew for the display's, off-centre and
// cut off at the top. Moving and sizing the window ourselves works with a window manager or
// without, and SDL then knows the window's real size.
void coverdisplay(bool on) {
  if (on) {
    SDL_Rect bounds{0, 0, sys.width, sys.height};
    SDL_GetDisplayBounds(std::max(SDL_GetWindowDisplayIndex(sys.window), 0), &bounds);
    SDL_SetWindowBordered(sys.window, SDL_FALSE);
    SDL_SetWindowPosition(sys.window, bounds.x, bounds.y);
    SDL_SetWindowSize(sys.window, bounds.w, bounds.h);
    SDL_RaiseWindow(sys.window);
  } else {
    SDL_SetWindowBordered(sys.window, SDL_TRUE);
    SDL_SetWindowSize(sys.window, sys.width, sys.height);
    SDL_SetWindowPosition(sys.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }
  if (sys.renderer != nullptr) SDL_RenderSetLogicalSize(sys.renderer, sys.width, sys.height);
  updatepixelscale();
}

// The game's icon on the window, for the title bar, the task switcher and the dock; a window
// without one (its picture missing) is still a window.
void seticon(SDL_Window* window) {
  const std::string path = assetpath(iconimage);
  if (!fileexists(path)) return;
  bitmap icon = decodepng(path);
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
      icon.pixels.data(), icon.width, icon.height, 32, icon.width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (surface == nullptr) return;
  SDL_SetWindowIcon(window, surface);
  SDL_FreeSurface(surface);
}

void openwindow(bool fullscreen) {
  const Uint32 flags = SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_RESIZABLE;
  const int pos = SDL_WINDOWPOS_CENTERED;
  sys.window = SDL_CreateWindow(sys.title.c_str(), pos, pos, sys.width, sys.height,
                                flags | SDL_WINDOW_OPENGL);
  if (sys.window == nullptr)
    sys.window = SDL_CreateWindow(sys.title.c_str(), pos, pos, sys.width, sys.height, flags);
  if (sys.window == nullptr) fatal("cannot open the window");
  watchdisplay(sys.window);
  seticon(sys.window);
  // OpenGL first; SDL falls back to any other driver when it cannot start.
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
  sys.renderer = SDL_CreateRenderer(sys.window, -1, SDL_RENDERER_ACCELERATED);
  if (sys.renderer == nullptr) sys.renderer = SDL_CreateRenderer(sys.window, -1, 0);
  if (sys.renderer == nullptr) fatal("cannot start drawing");
  // The game draws in its own coordinates; SDL scales them to the window and letterboxes.
  SDL_RenderSetLogicalSize(sys.renderer, sys.width, sys.height);
  sys.vsync = false;
  fullscreenon = fullscreen;
  if (fullscreen) coverdisplay(true);
}

}  // namespace

void init(bool testmode) {
  if (sys.inited) {
    if (sys.testing == testmode) return;
    shutdown();
  }
  sys.testing = testmode;
  if (testmode) {
    // Always headless: the test frame needs no display. The audio driver may still be chosen
    // through the environment.
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "dummy", SDL_HINT_OVERRIDE);
    SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
  } else {
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    hoststart();
  }
  SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
  // The game's own handlers take the termination signals (SIGHUP too, which SDL leaves alone).
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
    std::fprintf(stderr, "cannot start SDL: %s\n", SDL_GetError());
    if (testmode) throw programexit{1};
    std::exit(1);
  }
  sys.inited = true;
  // Whatever way the program ends, sounds, textures and the audio device are let go of properly.
  static bool atexitset = false;
  if (!atexitset) std::atexit(shutdownatexit);
  atexitset = true;
  if (!testmode) catchsignals();
  SDL_StartTextInput();
  if (testmode || !audioopenslate()) opensound();
  openpads();
  restartpacing();
}

void shutdown() {
  if (!sys.inited) return;
  closegraphics();
  closepads();
  closesound();
  freefonts();
  freeimages();
  SDL_Quit();
  sys.inited = false;
}

bool testmode() {
  return sys.testing;
}

void endprogram(int code) {
  if (sys.testing) throw programexit{code};
  checkdisplay();
  shutdown();
  std::exit(code);
}

void missingfile(const std::string& path) {
  std::error_code ignored;
  if (!path.empty() && path[0] == '/') {
    std::fprintf(stderr, "cannot find %s\n", path.c_str());
  } else {
    std::fprintf(stderr, "cannot find %s (looked in %s)\n", path.c_str(),
                 std::filesystem::current_path(ignored).c_str());
  }
  endprogram(1);
}

void badfile(const std::string& path, const char* why) {
  std::fprintf(stderr, "cannot read %s: %s\n", path.c_str(), why);
  endprogram(1);
}

void resetwindow() {
  closegraphics();
  fullscreenon = false;
  sys.frames = 0;
  sys.blind = false;
  sys.scriptheld = false;
  sys.width = 1024, sys.height = 768;
  virtualrate(60);
  sys.title.clear();
  restartpacing();
}

void setfullscreen(bool on) {
  fullscreenon = on;
  if (sys.window == nullptr) return;  // the test frame has no window; the choice is kept
  coverdisplay(on);
}

bool fullscreen() {
  return fullscreenon;
}

void updatepixelscale() {
  float sx = 1, sy = 1;
  if (sys.renderer != nullptr) SDL_RenderGetScale(sys.renderer, &sx, &sy);
  sys.pixelscale = std::max(std::max(sx, sy), 0.01f);
}

void settitle(const std::string& title) {
  sys.title = title;
  if (sys.window != nullptr) SDL_SetWindowTitle(sys.window, title.c_str());
}

void opengraphics(int width, int height, int depth, int hz) {
  if (!sys.inited) init(false);
  closegraphics();
  sys.width = width;
  sys.height = height;
  virtualrate(hz > 0 ? hz : 60);
  if (sys.testing) {
    opentestframe();
    fullscreenon = depth != 0;
  } else {
    openwindow(depth != 0);
  }
  SDL_RendererInfo info{};
  sys.software =
      SDL_GetRendererInfo(sys.renderer, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE) != 0;
  ++sys.generation;
  updatepixelscale();
  restartpacing();
  cls();
}

bool graphicsopen() {
  return sys.renderer != nullptr;
}

void hidemouse() {
  SDL_ShowCursor(SDL_DISABLE);
}

void cls() {
  discardbatch();
  if (sys.renderer == nullptr || sys.blind) return;
  SDL_SetRenderDrawColor(sys.renderer, 0, 0, 0, 255);
  SDL_RenderClear(sys.renderer);
}

namespace {
// A present counts, and delivers the script's events for its count, unless a test holds the script.
void countframe() {
  if (sys.testing && sys.scriptheld) return;
  ++sys.frames;
  if (sys.testing) deliverscript();
}
}  // namespace

void flip(int sync) {
  flushbatch();
  if (sys.testing) {
    capturepresented();
    virtualpresent();
    if (sys.renderer != nullptr) SDL_RenderPresent(sys.renderer);
  } else {
    showframe(sync, true);
  }
  sys.lastdrawcalls = sys.drawcalls;
  sys.drawcalls = 0;
  countframe();
  pumpevents();
}

// The screen keeps showing the last presented frame simply because nothing new is presented; the
// frame being drawn stays untouched in the back buffer (or the test frame) for the next flip.
void repeatframe() {
  if (sys.testing) {
    virtualpresent();
  } else {
    showframe(-1, false);
  }
  countframe();
  pumpevents();
}

}  // namespace media
