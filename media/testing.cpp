// Test mode: reset, scripted input through SDL's event queue, the virtual clock and frame
// read-back.
#include "media/testing.h"

#include <png.h>

#include <algorithm>
#include <csignal>

#include "media/internal.h"
#include "media/media.h"

namespace media {

namespace {
enum class action { press, release, type, close, signal, move, click, wheel };
struct scripted {
  int frame;
  action what;
  int code;
  int y = 0;  // a move's second coordinate
};
std::vector<scripted> script;  // in the order given; delivery keeps that order within a frame
test::frame lastpresented;

void schedule(int frame, action what, int code, int y = 0) {
  script.push_back({frame < 1 ? 1 : frame, what, code, y});
}

// Mouse events as SDL delivers them; in test mode there is no window to scale them.
void pushmouse(action what, int a, int b) {
  SDL_Event e{};
  const Uint32 window = sys.window != nullptr ? SDL_GetWindowID(sys.window) : 0;
  if (what == action::move) {
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = window;
    e.motion.x = a;
    e.motion.y = b;
    SDL_PushEvent(&e);
  } else if (what == action::click) {
    for (Uint32 type : {Uint32(SDL_MOUSEBUTTONDOWN), Uint32(SDL_MOUSEBUTTONUP)}) {
      e = SDL_Event{};
      e.type = type;
      e.button.windowID = window;
      e.button.button = Uint8(a);
      e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
      e.button.clicks = 1;
      e.button.x = -1;  // read from the last move
      e.button.y = -1;
      SDL_PushEvent(&e);
    }
  } else {
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = window;
    e.wheel.y = a;
    SDL_PushEvent(&e);
  }
}

void pushkey(Uint32 type, int vk) {
  SDL_Event e{};
  e.type = type;
  e.key.type = type;
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.key.timestamp = SDL_GetTicks();
  sdlkeyfor(vk, &e.key.keysym.scancode, &e.key.keysym.sym);
  SDL_PushEvent(&e);
}

void pushtext(int code) {
  SDL_Event e{};
  e.type = SDL_TEXTINPUT;
  e.text.timestamp = SDL_GetTicks();
  // UTF-8, as the platform delivers typed text.
  char* out = e.text.text;
  if (code < 0x80) {
    out[0] = char(code);
  } else {
    out[0] = char(0xC0 | (code >> 6));
    out[1] = char(0x80 | (code & 0x3F));
  }
  SDL_PushEvent(&e);
}

void pushclose() {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = SDL_WINDOWEVENT_CLOSE;
  e.window.windowID = sys.window != nullptr ? SDL_GetWindowID(sys.window) : 0;
  SDL_PushEvent(&e);
}

void readback(test::frame& f) {
  flushbatch();
  if (sys.renderer == nullptr) {
    f = test::frame{};
    return;
  }
  if (sys.surface != nullptr) {
    f.width = sys.width, f.height = sys.height;
    f.pixels.resize(size_t(f.width) * f.height);
    SDL_RenderReadPixels(sys.renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, f.pixels.data(),
                         f.width * 4);
    return;
  }
  // A window: SDL reads the picture's area in the window's own pixels, which may be scaled and
  // letterboxed. Reading into a buffer the size of the whole window is safe whatever that area is.
  int outw = 0, outh = 0;
  SDL_GetRendererOutputSize(sys.renderer, &outw, &outh);
  SDL_Rect viewport;
  SDL_RenderGetViewport(sys.renderer, &viewport);
  float sx = 1, sy = 1;
  SDL_RenderGetScale(sys.renderer, &sx, &sy);
  f.width = std::min(outw, int(float(viewport.w) * sx));
  f.height = std::min(outh, int(float(viewport.h) * sy));
  std::vector<uint32_t> all(size_t(outw) * outh);
  SDL_RenderReadPixels(sys.renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, all.data(), outw * 4);
  f.pixels.resize(size_t(f.width) * f.height);
  for (int y = 0; y < f.height; ++y) {
    std::copy_n(all.begin() + std::ptrdiff_t(y) * outw, f.width,
                f.pixels.begin() + std::ptrdiff_t(y) * f.width);
  }
}
}  // namespace

void capturepresented() {
  if (sys.blind) return;
  readback(lastpresented);
}

void deliverscript() {
  for (const scripted& s : script) {
    if (s.frame != sys.frames) continue;
    switch (s.what) {
      case action::press:
        pushkey(SDL_KEYDOWN, s.code);
        break;
      case action::release:
        pushkey(SDL_KEYUP, s.code);
        break;
      case action::type:
        // Backspace and Enter come from their keys; everything else arrives as text.
        if (s.code == key::backspace || s.code == key::enter) {
          pushkey(SDL_KEYDOWN, s.code);
          pushkey(SDL_KEYUP, s.code);
        } else {
          pushtext(s.code);
        }
        break;
      case action::close:
        pushclose();
        break;
      case action::signal:
        std::raise(s.code);
        break;
      case action::move:
      case action::click:
      case action::wheel:
        pushmouse(s.what, s.code, s.y);
        break;
    }
  }
  // Delivered events are done with (frames only count up until a reset), so a long scripted run
  // keeps a short script.
  std::erase_if(script, [](const scripted& s) { return s.frame <= sys.frames; });
}

void clearscript() {
  script.clear();
}

namespace test {

void reset() {
  if (!sys.inited || !sys.testing) init(true);
  resetclock();
  resetwindow();
  resetinput();
  clearscript();
  resetrandom();
  resetdrawing();
  resetimages();
  resetfonts();
  resetsound();
  resetfiles();
  defaultsignals();
  lastpresented = frame{};
}

int frames() {
  return sys.frames;
}

void blind(bool on) {
  sys.blind = on;
}

void holdscript(bool on) {
  sys.scriptheld = on;
}

void press(int f, int k) {
  schedule(f, action::press, k);
}
void release(int f, int k) {
  schedule(f, action::release, k);
}
void tap(int f, int k) {
  press(f, k);
  release((f < 1 ? 1 : f) + 1, k);
}
void quicktap(int f, int k) {
  press(f, k);
  release(f, k);
}
void mousemove(int f, int x, int y) {
  schedule(f, action::move, x, y);
}
void click(int f, int button) {
  schedule(f, action::click, button);
}
void wheel(int f, int steps) {
  schedule(f, action::wheel, steps);
}
void type(int f, int code) {
  schedule(f, action::type, code);
}
void closewindow(int f) {
  schedule(f, action::close, 0);
}
void catchsignals() {
  media::catchsignals();
}
void raisesignal(int f, int signo) {
  schedule(f, action::signal, signo);
}

double clock() {
  return virtualclock();
}

frame presented() {
  return lastpresented;
}

frame backbuffer() {
  frame f;
  readback(f);
  return f;
}

bool savepng(const frame& f, const std::string& path) {
  if (f.width <= 0 || f.height <= 0) return false;
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(f.width);
  png.height = png_uint_32(f.height);
  png.format = PNG_FORMAT_BGR;  // the frame's alpha is not part of the picture
  std::vector<uint8_t> bgr(size_t(f.width) * f.height * 3);
  for (size_t i = 0; i < f.pixels.size(); ++i) {
    bgr[i * 3] = uint8_t(f.pixels[i]);
    bgr[i * 3 + 1] = uint8_t(f.pixels[i] >> 8);
    bgr[i * 3 + 2] = uint8_t(f.pixels[i] >> 16);
  }
  return png_image_write_to_file(&png, path.c_str(), 0, bgr.data(), 0, nullptr) != 0;
}

void failnextsave() {
  setfailnextsave();
}

int drawcalls() {
  return sys.lastdrawcalls;
}

std::string renderername() {
  SDL_RendererInfo info{};
  if (sys.renderer == nullptr || SDL_GetRendererInfo(sys.renderer, &info) != 0) return "";
  return info.name;
}

const std::vector<std::string>& cuedsounds() {
  return media::cuedsounds();
}

const std::vector<cue>& cues() {
  return media::cuerequests();
}

float channelvolume(int ch) {
  return media::lastvolume(ch);
}

void forgetcuedsounds() {
  media::forgetcuedsounds();
}

void latesounds(bool arrivelate) {
  media::latesounds(arrivelate);
}

}  // namespace test
}  // namespace media
