// The keyboard: SDL events turned into per-key hits, held states and typed characters; the events
// of keys by place and of pads handed on.
#include <array>

#include "media/controls.h"
#include "media/window.h"
#include "media/internal.h"
#include "media/media.h"

namespace media {

// Their own files keep the latches of places and pads.
void unlatchplaces();
void unlatchpads();

namespace {
std::array<int, key::count> hits{};
std::array<bool, key::count> held{};
std::array<bool, key::count> latched{};  // pressed since the last unlatch
bool quitrequest = false;
bool fullscreenrequest = false;
constexpr int f11 = 122;
constexpr int alt = 18;

// The mouse: where it is in the game's pixels, and what it did since the game last asked.
struct mousestate {
  float x = -1, y = -1;
  bool moved = false;
  std::array<int, mouse::count> clicks{};
  int wheel = 0;
  int lastmove = 0;  // ms
  bool shown = true;
};
mousestate pointer;

void mousemotion(float x, float y) {
  pointer.x = x;
  pointer.y = y;
  pointer.moved = true;
  pointer.lastmove = millisecs();
}

// Typed characters wait in a small ring; when it is full, new ones are dropped.
constexpr int queuesize = 64;
std::array<int, queuesize> typed{};
int typedhead = 0, typedcount = 0;

void pushtyped(int code) {
  if (typedcount == queuesize) return;
  typed[(typedhead + typedcount) % queuesize] = code;
  ++typedcount;
}

// Keys named by what they do rather than where they are.
struct keyname {
  int vk;
  SDL_Keycode keycode;
};
constexpr keyname namedkeys[] = {
    {8, SDLK_BACKSPACE}, {9, SDLK_TAB},        {13, SDLK_RETURN},     {13, SDLK_KP_ENTER},
    {16, SDLK_LSHIFT},   {16, SDLK_RSHIFT},    {17, SDLK_LCTRL},      {17, SDLK_RCTRL},
    {18, SDLK_LALT},     {18, SDLK_RALT},      {19, SDLK_PAUSE},      {27, SDLK_ESCAPE},
    {32, SDLK_SPACE},    {33, SDLK_PAGEUP},    {34, SDLK_PAGEDOWN},   {35, SDLK_END},
    {36, SDLK_HOME},     {37, SDLK_LEFT},      {38, SDLK_UP},         {39, SDLK_RIGHT},
    {40, SDLK_DOWN},     {45, SDLK_INSERT},    {46, SDLK_DELETE},     {106, SDLK_KP_MULTIPLY},
    {107, SDLK_KP_PLUS}, {109, SDLK_KP_MINUS}, {110, SDLK_KP_PERIOD}, {111, SDLK_KP_DIVIDE},
};

// Player 2's letters and pause go by where the key sits, whatever the layout prints on it.
struct keyplace {
  int vk;
  SDL_Scancode scancode;
};
constexpr keyplace placedkeys[] = {
    {key::w, SDL_SCANCODE_W}, {key::a, SDL_SCANCODE_A}, {key::s, SDL_SCANCODE_S},
    {key::d, SDL_SCANCODE_D}, {key::p, SDL_SCANCODE_P},
};

bool placedletter(int vk) {
  for (const keyplace& k : placedkeys) {
    if (k.vk == vk) return true;
  }
  return false;
}

// Decodes UTF-8 typed text; characters beyond one byte cannot be shown by the font and are skipped.
void typetext(const char* text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  while (*s != 0) {
    int code = *s, extra = 0;
    if (code >= 0xF0)
      code &= 0x07, extra = 3;
    else if (code >= 0xE0)
      code &= 0x0F, extra = 2;
    else if (code >= 0xC0)
      code &= 0x1F, extra = 1;
    else if (code >= 0x80)
      code = -1;  // a stray continuation byte
    ++s;
    for (; extra > 0 && (*s & 0xC0) == 0x80; --extra, ++s) code = code << 6 | (*s & 0x3F);
    if (extra == 0 && code >= 32 && code <= 255 && code != 127) pushtyped(code);
  }
}

void keyevent(const SDL_KeyboardEvent& e) {
  const int vk = virtualkey(e.keysym.scancode, e.keysym.sym);
  if (vk <= 0) return;
  if (e.type == SDL_KEYUP) {
    held[vk] = false;
    return;
  }
  // Alt+Enter asks for fullscreen, and is not an Enter as well.
  const bool altenter = vk == key::enter && ((e.keysym.mod & KMOD_ALT) != 0 || held[alt]);
  if ((altenter || vk == f11) && e.repeat == 0) fullscreenrequest = true;
  if (altenter) return;
  if (e.repeat == 0) {
    if (hits[vk] < 1000000) ++hits[vk];
    held[vk] = true;
    latched[vk] = true;
  }
  // Backspace and Enter never arrive as text; backspace repeats while held, Enter does not.
  if (vk == key::backspace) pushtyped(key::backspace);
  if (vk == key::enter && e.repeat == 0) pushtyped(key::enter);
}
}  // namespace

int virtualkey(SDL_Scancode scancode, SDL_Keycode keycode) {
  for (const keyplace& k : placedkeys) {
    if (k.scancode == scancode) return k.vk;
  }
  for (const keyname& k : namedkeys) {
    if (k.keycode == keycode) return k.vk;
  }
  if (keycode >= SDLK_0 && keycode <= SDLK_9) return '0' + int(keycode - SDLK_0);
  if (keycode >= SDLK_KP_1 && keycode <= SDLK_KP_9) return 97 + int(keycode - SDLK_KP_1);
  if (keycode == SDLK_KP_0) return 96;
  if (keycode >= SDLK_F1 && keycode <= SDLK_F12) return 112 + int(keycode - SDLK_F1);
  if (keycode >= SDLK_a && keycode <= SDLK_z) {
    const int vk = 'A' + int(keycode - SDLK_a);
    return placedletter(vk) ? 0 : vk;  // those letters were taken by position above
  }
  return 0;
}

void sdlkeyfor(int vk, SDL_Scancode* scancode, SDL_Keycode* keycode) {
  *scancode = SDL_SCANCODE_UNKNOWN;
  *keycode = SDLK_UNKNOWN;
  if (vk >= 'A' && vk <= 'Z') {
    *scancode = SDL_Scancode(SDL_SCANCODE_A + (vk - 'A'));
    *keycode = SDLK_a + (vk - 'A');
  } else if (vk >= '1' && vk <= '9') {
    *scancode = SDL_Scancode(SDL_SCANCODE_1 + (vk - '1'));
    *keycode = SDLK_1 + (vk - '1');
  } else if (vk == '0') {
    *scancode = SDL_SCANCODE_0;
    *keycode = SDLK_0;
  } else if (vk >= 112 && vk <= 123) {
    *keycode = SDLK_F1 + (vk - 112);
  } else {
    for (const keyname& k : namedkeys) {
      if (k.vk == vk) {
        *keycode = k.keycode;
        break;
      }
    }
  }
  if (*scancode == SDL_SCANCODE_UNKNOWN && *keycode != SDLK_UNKNOWN)
    *scancode = SDL_GetScancodeFromKey(*keycode);
}

void handleevent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      placeevent(e.key);
      keyevent(e.key);
      break;
    case SDL_TEXTINPUT:
      typetext(e.text.text);
      break;
    case SDL_QUIT:
      quitrequest = true;
      break;
    case SDL_MOUSEMOTION:
      mousemotion(float(e.motion.x), float(e.motion.y));
      break;
    case SDL_MOUSEBUTTONDOWN:
      if (e.button.x >= 0 && e.button.y >= 0) mousemotion(float(e.button.x), float(e.button.y));
      if (e.button.button < mouse::count && pointer.clicks[e.button.button] < 1000)
        ++pointer.clicks[e.button.button];
      break;
    case SDL_MOUSEWHEEL:
      pointer.wheel += e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
      break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) quitrequest = true;
      if (e.window.event == SDL_WINDOWEVENT_LEAVE) pointer.x = pointer.y = -1;
      // A key released while another window had the focus would otherwise stay held.
      if (e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
        held.fill(false);
        releaseplaces();
      }
      // Pictures drawn small pick their pre-scaled copy by their size in screen pixels.
      if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) updatepixelscale();
      break;
    default:
      padevent(e);
      break;
  }
}

void pumpevents() {
  // Before SDL reads from the connection: a dead one would end the program inside Xlib.
  checkdisplay();
  if (sys.testing) runtestactions();
  SDL_Event e;
  while (SDL_PollEvent(&e) != 0) handleevent(e);
  updatepads();
}

void resetinput() {
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  hits.fill(0);
  held.fill(false);
  latched.fill(false);
  typedhead = typedcount = 0;
  quitrequest = false;
  fullscreenrequest = false;
  pointer = mousestate{};
  resetplaces();
  resetpads();
}

bool terminaterequest() {
  const bool was = quitrequest || takesignal();
  quitrequest = false;
  return was;
}

int keyhit(int k) {
  if (k < 0 || k >= key::count) return 0;
  const int n = hits[k];
  hits[k] = 0;
  return n;
}

bool keydown(int k) {
  return k >= 0 && k < key::count && held[k];
}

int nextchar() {
  if (typedcount == 0) return 0;
  const int code = typed[typedhead];
  typedhead = (typedhead + 1) % queuesize;
  --typedcount;
  return code;
}

void flushkeys() {
  // Events not yet read are flushed too, so a key already pressed cannot act after the flush.
  pumpevents();
  hits.fill(0);
  held.fill(false);
  latched.fill(false);
  typedhead = typedcount = 0;
  resetplaces();
  flushpads();
  flushmouse();
}

bool keylatched(int k) {
  return k >= 0 && k < key::count && (held[k] || latched[k]);
}

void unlatch() {
  latched.fill(false);
  unlatchplaces();
  unlatchpads();
}

bool mousemoved() {
  const bool was = pointer.moved;
  pointer.moved = false;
  return was;
}

bool mouseat(float& x, float& y) {
  x = pointer.x;
  y = pointer.y;
  return x >= 0 && y >= 0 && x < float(sys.width) && y < float(sys.height);
}

int mouseclicks(int button) {
  if (button < 0 || button >= mouse::count) return 0;
  const int n = pointer.clicks[size_t(button)];
  pointer.clicks[size_t(button)] = 0;
  return n;
}

int mousewheel() {
  const int n = pointer.wheel;
  pointer.wheel = 0;
  return n;
}

void flushmouse() {
  pointer.moved = false;
  pointer.clicks.fill(0);
  pointer.wheel = 0;
}

void pointerrule(bool hide, int idlems) {
  const bool show = !hide && millisecs() - pointer.lastmove < idlems;
  if (show == pointer.shown) return;
  pointer.shown = show;
  if (!sys.testing) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

bool pointershown() {
  return pointer.shown;
}

bool fullscreenasked() {
  const bool was = fullscreenrequest;
  fullscreenrequest = false;
  return was;
}

}  // namespace media
