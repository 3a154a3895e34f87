// The gamepads through SDL's game-controller API: seats, held buttons and stick, hits with repeats,
// and the notices of pads arriving and leaving.
#include <array>

#include "media/controls.h"
#include "media/window.h"
#include "media/internal.h"
#include "media/padseats.h"
#include "media/paths.h"

namespace media {

namespace {

constexpr const char* mappingfile = "gamecontrollerdb.txt";

struct padstate {
  SDL_GameController* controller = nullptr;
  std::array<bool, pad::count> pressed{};  // the buttons, the d-pad in the direction slots
  int stickx = 0, sticky = 0;
  std::array<bool, 4> steering{};  // d-pad or stick, as last counted
  std::array<int, pad::count> hits{};
  std::array<bool, pad::count> latched{};  // pressed or steered since the last unlatch
  std::array<int, 4> nextrepeat{};  // ms
};

bool opened = false;
padseats seats;
std::array<padstate, 3> pads;  // players 1 and 2

constexpr int noticesize = 8;
std::array<padnotice, noticesize> notices{};
int noticehead = 0, noticecount = 0;

void notify(padnotice::kind what, int player) {
  if (noticecount == noticesize) return;
  notices[size_t((noticehead + noticecount) % noticesize)] = {what, player};
  ++noticecount;
}

padstate* seated(int instance) {
  const int p = seats.playerof(instance);
  return p == 0 ? nullptr : &pads[size_t(p)];
}

// The same model replugged gives the same GUID; the serial, where the pad reports one, tells two
// pads of one model apart.
uint64_t identityof(SDL_GameController* c) {
  uint64_t h = 1469598103934665603ull;
  auto mix = [&h](unsigned char b) { h = (h ^ b) * 1099511628211ull; };
  const SDL_JoystickGUID guid = SDL_JoystickGetGUID(SDL_GameControllerGetJoystick(c));
  for (unsigned char b : guid.data) mix(b);
  if (const char* serial = SDL_GameControllerGetSerial(c)) {
    for (; *serial != 0; ++serial) mix(static_cast<unsigned char>(*serial));
  }
  return h;
}

bool stickpushed(const padstate& s, int direction) {
  switch (direction) {
    case pad::up:
      return s.sticky < -pad::deadzone;
    case pad::down:
      return s.sticky > pad::deadzone;
    case pad::left:
      return s.stickx < -pad::deadzone;
    default:
      return s.stickx > pad::deadzone;
  }
}

// A direction that starts being held counts as a press and starts its repeat clock.
void recount(padstate& s) {
  for (int d = 0; d < 4; ++d) {
    const bool now = s.pressed[size_t(d)] || stickpushed(s, d);
    if (now && !s.steering[size_t(d)]) {
      ++s.hits[size_t(d)];
      s.latched[size_t(d)] = true;
      s.nextrepeat[size_t(d)] = millisecs() + pad::repeatdelayms;
    }
    s.steering[size_t(d)] = now;
  }
}

// The game's button for an SDL controller button, -1 for the ones it does not use.
int gamebutton(int sdlbutton) {
  switch (sdlbutton) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      return pad::up;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      return pad::down;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      return pad::left;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      return pad::right;
    case SDL_CONTROLLER_BUTTON_A:
      return pad::a;
    case SDL_CONTROLLER_BUTTON_B:
      return pad::b;
    case SDL_CONTROLLER_BUTTON_BACK:
      return pad::back;
    case SDL_CONTROLLER_BUTTON_START:
      return pad::start;
    default:
      return -1;
  }
}

void setbutton(padstate& s, int sdlbutton, bool down) {
  const int b = gamebutton(sdlbutton);
  if (b < 0) return;
  if (down && !s.pressed[size_t(b)] && b >= pad::a) {
    ++s.hits[size_t(b)];
    s.latched[size_t(b)] = true;
  }
  s.pressed[size_t(b)] = down;
  recount(s);
}

void setaxis(padstate& s, int axis, int value) {
  if (axis == SDL_CONTROLLER_AXIS_LEFTX) s.stickx = value;
  if (axis == SDL_CONTROLLER_AXIS_LEFTY) s.sticky = value;
  recount(s);
}

// A pad may already be held when it arrives; nothing it holds then counts as a press.
void readstate(padstate& s) {
  for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b) {
    const int g = gamebutton(b);
    if (g >= 0)
      s.pressed[size_t(g)] =
          SDL_GameControllerGetButton(s.controller, SDL_GameControllerButton(b)) != 0;
  }
  s.stickx = SDL_GameControllerGetAxis(s.controller, SDL_CONTROLLER_AXIS_LEFTX);
  s.sticky = SDL_GameControllerGetAxis(s.controller, SDL_CONTROLLER_AXIS_LEFTY);
  recount(s);
  s.hits.fill(0);
  s.latched.fill(false);
}

void arrive(int device) {
  // Tests see only their own virtual pads, whatever is plugged into the machine.
  if (sys.testing && !SDL_JoystickIsVirtual(device)) return;
  if (seats.playerof(SDL_JoystickGetDeviceInstanceID(device)) != 0) return;
  SDL_GameController* c = SDL_GameControllerOpen(device);
  if (c == nullptr) return;
  const int instance = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
  const uint64_t identity = identityof(c);
  const int waiting = seats.waitingfor(identity);
  const int player = seats.join(identity, instance);
  if (player == 0) {
    SDL_GameControllerClose(c);
    notify(padnotice::ignored, 0);
    return;
  }
  padstate& s = pads[size_t(player)];
  s = padstate{};
  s.controller = c;
  readstate(s);
  notify(player == waiting ? padnotice::returned : padnotice::joined, player);
}

void depart(int instance) {
  const int player = seats.leave(instance);
  if (player == 0) return;
  padstate& s = pads[size_t(player)];
  SDL_GameControllerClose(s.controller);
  s = padstate{};
  notify(padnotice::lost, player);
}

void loadmappings() {
  infile in;
  if (!fileexists(playerdatapath(mappingfile)) || !in.open(playerdatapath(mappingfile))) return;
  std::string text;
  while (!in.eof()) text += in.readline() + "\n";
  SDL_RWops* rw = SDL_RWFromConstMem(text.data(), int(text.size()));
  if (rw != nullptr) SDL_GameControllerAddMappingsFromRW(rw, 1);  // bad lines are skipped by SDL
}

bool validplayer(int player) {
  return player == 1 || player == 2;
}
bool validbutton(int button) {
  return button >= 0 && button < pad::count;
}

}  // namespace

void openpads() {
  if (opened) return;
  // Without the subsystem the game simply has no pads; the keyboard still works.
  opened = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
  if (opened) loadmappings();
}

void closepads() {
  detachtestpads();
  for (padstate& s : pads) {
    if (s.controller != nullptr) SDL_GameControllerClose(s.controller);
    s = padstate{};
  }
  seats.clear();
  noticehead = noticecount = 0;
  if (opened) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  opened = false;
}

void resetpads() {
  detachtestpads();
  for (padstate& s : pads) {
    if (s.controller != nullptr) SDL_GameControllerClose(s.controller);
    s = padstate{};
  }
  seats.clear();
  noticehead = noticecount = 0;
  SDL_FlushEvents(SDL_JOYAXISMOTION, SDL_CONTROLLERSENSORUPDATE);
}

void padevent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED:
      arrive(e.cdevice.which);
      break;
    case SDL_CONTROLLERDEVICEREMOVED:
      depart(e.cdevice.which);
      break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      if (padstate* s = seated(e.cbutton.which))
        setbutton(*s, e.cbutton.button, e.type == SDL_CONTROLLERBUTTONDOWN);
      break;
    case SDL_CONTROLLERAXISMOTION:
      if (padstate* s = seated(e.caxis.which)) setaxis(*s, e.caxis.axis, e.caxis.value);
      break;
    default:
      break;
  }
}

void updatepads() {
  const int now = millisecs();
  for (padstate& s : pads) {
    for (int d = 0; d < 4; ++d) {
      if (!s.steering[size_t(d)] || now < s.nextrepeat[size_t(d)]) continue;
      ++s.hits[size_t(d)];
      s.nextrepeat[size_t(d)] = now + pad::repeatms;
    }
  }
}

bool padconnected(int player) {
  return validplayer(player) && pads[size_t(player)].controller != nullptr;
}

std::string padname(int player) {
  if (!padconnected(player)) return "";
  const char* name = SDL_GameControllerName(pads[size_t(player)].controller);
  return name != nullptr ? name : "";
}

bool padheld(int player, int button) {
  if (!validplayer(player) || !validbutton(button)) return false;
  const padstate& s = pads[size_t(player)];
  return button < 4 ? s.steering[size_t(button)] : s.pressed[size_t(button)];
}

int padhit(int player, int button) {
  if (!validplayer(player) || !validbutton(button)) return 0;
  int& n = pads[size_t(player)].hits[size_t(button)];
  const int was = n;
  n = 0;
  return was;
}

bool padlatched(int player, int button) {
  if (!validplayer(player) || !validbutton(button)) return false;
  return padheld(player, button) || pads[size_t(player)].latched[size_t(button)];
}

void unlatchpads() {
  for (padstate& s : pads) s.latched.fill(false);
}

void flushpads() {
  unlatchpads();
  for (padstate& s : pads) s.hits.fill(0);
}

bool nextpadnotice(padnotice& n) {
  if (noticecount == 0) return false;
  n = notices[size_t(noticehead)];
  noticehead = (noticehead + 1) % noticesize;
  --noticecount;
  return true;
}

}  // namespace media
