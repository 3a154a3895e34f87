// Keys by their place on the keyboard: held states, hits, the queue of presses and the names.
#include <array>

#include "media/controls.h"
#include "media/window.h"
#include "media/internal.h"

namespace media {

static_assert(place::a == SDL_SCANCODE_A && place::d == SDL_SCANCODE_D &&
              place::i == SDL_SCANCODE_I && place::p == SDL_SCANCODE_P &&
              place::q == SDL_SCANCODE_Q && place::s == SDL_SCANCODE_S &&
              place::w == SDL_SCANCODE_W && place::enter == SDL_SCANCODE_RETURN &&
              place::escape == SDL_SCANCODE_ESCAPE && place::space == SDL_SCANCODE_SPACE &&
              place::right == SDL_SCANCODE_RIGHT && place::left == SDL_SCANCODE_LEFT &&
              place::down == SDL_SCANCODE_DOWN && place::up == SDL_SCANCODE_UP &&
              place::keypadenter == SDL_SCANCODE_KP_ENTER && place::count == SDL_NUM_SCANCODES);

namespace {
std::array<bool, place::count> held{};
std::array<int, place::count> hits{};
std::array<bool, place::count> latched{};  // pressed since the last unlatch

// Presses wait in a small ring for a screen that asks for "the next key"; when full, new ones are
// dropped.
constexpr int queuesize = 16;
std::array<int, queuesize> pressed{};
int pressedhead = 0, pressedcount = 0;

bool valid(int p) {
  return p > 0 && p < place::count;
}
}  // namespace

void placeevent(const SDL_KeyboardEvent& e) {
  const int p = int(e.keysym.scancode);
  if (!valid(p)) return;
  if (e.type == SDL_KEYUP) {
    held[size_t(p)] = false;
    return;
  }
  if (e.repeat != 0) return;
  held[size_t(p)] = true;
  latched[size_t(p)] = true;
  if (hits[size_t(p)] < 1000000) ++hits[size_t(p)];
  if (pressedcount < queuesize) {
    pressed[size_t((pressedhead + pressedcount) % queuesize)] = p;
    ++pressedcount;
  }
}

void releaseplaces() {
  held.fill(false);
}

void resetplaces() {
  releaseplaces();
  flushplaces();
}

bool placedown(int p) {
  return valid(p) && held[size_t(p)];
}

int placehit(int p) {
  if (!valid(p)) return 0;
  const int n = hits[size_t(p)];
  hits[size_t(p)] = 0;
  return n;
}

int nextplace() {
  if (pressedcount == 0) return 0;
  const int p = pressed[size_t(pressedhead)];
  pressedhead = (pressedhead + 1) % queuesize;
  --pressedcount;
  return p;
}

void unlatchplaces() {
  latched.fill(false);
}

bool placelatched(int p) {
  return valid(p) && (held[size_t(p)] || latched[size_t(p)]);
}

void flushplaces() {
  hits.fill(0);
  latched.fill(false);
  pressedhead = pressedcount = 0;
}

std::string placename(int p) {
  if (!valid(p)) return "";
  const char* name = SDL_GetScancodeName(SDL_Scancode(p));
  if (name == nullptr || *name == 0) return "";
  // A name shared by two places (Return) would come back from a file as the other one.
  if (SDL_GetScancodeFromName(name) != p) return "";
  return name;
}

int placenamed(std::string_view name) {
  if (name.empty() || name.size() > 64) return 0;
  const std::string text(name);  // SDL reads up to a zero byte
  const int p = int(SDL_GetScancodeFromName(text.c_str()));
  return valid(p) ? p : 0;
}

}  // namespace media
