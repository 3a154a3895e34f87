// Test mode: keys by place pushed through SDL's event queue, and virtual joysticks as gamepads.
#include <functional>
#include <utility>
#include <vector>

#include "media/controls.h"
#include "media/internal.h"
#include "media/testcontrols.h"

namespace media {

namespace {
struct testpad {
  int handle;
  SDL_Joystick* joystick;  // kept open so buttons can be set before the game opens the pad
};
std::vector<testpad> attached;
int nexthandle = 1;
struct timed {
  int frame;
  std::function<void()> action;
};
std::vector<timed> actions;  // in the order given

testpad* find(int handle) {
  for (testpad& t : attached) {
    if (t.handle == handle) return &t;
  }
  return nullptr;
}

int deviceindex(SDL_Joystick* j) {
  const SDL_JoystickID id = SDL_JoystickInstanceID(j);
  for (int i = 0; i < SDL_NumJoysticks(); ++i) {
    if (SDL_JoystickGetDeviceInstanceID(i) == id) return i;
  }
  return -1;
}

void detach(const testpad& t) {
  const int index = deviceindex(t.joystick);
  SDL_JoystickClose(t.joystick);
  if (index >= 0) SDL_JoystickDetachVirtual(index);
}

void pushplace(Uint32 type, int place, int symbol) {
  SDL_Event e{};
  e.type = type;
  e.key.type = type;
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.key.timestamp = SDL_GetTicks();
  e.key.keysym.scancode = SDL_Scancode(place);
  e.key.keysym.sym = SDL_Keycode(symbol);
  SDL_PushEvent(&e);
}

SDL_GameControllerButton sdlbutton(int button) {
  switch (button) {
    case pad::up:
      return SDL_CONTROLLER_BUTTON_DPAD_UP;
    case pad::down:
      return SDL_CONTROLLER_BUTTON_DPAD_DOWN;
    case pad::left:
      return SDL_CONTROLLER_BUTTON_DPAD_LEFT;
    case pad::right:
      return SDL_CONTROLLER_BUTTON_DPAD_RIGHT;
    case pad::a:
      return SDL_CONTROLLER_BUTTON_A;
    case pad::b:
      return SDL_CONTROLLER_BUTTON_B;
    case pad::back:
      return SDL_CONTROLLER_BUTTON_BACK;
    default:
      return SDL_CONTROLLER_BUTTON_START;
  }
}
}  // namespace

void detachtestpads() {
  for (const testpad& t : attached) detach(t);
  attached.clear();
  actions.clear();
}

void runtestactions() {
  // An action may schedule more, so the due ones are taken out before any runs.
  std::vector<timed> due;
  for (auto t = actions.begin(); t != actions.end();) {
    if (t->frame <= sys.frames) {
      due.push_back(std::move(*t));
      t = actions.erase(t);
    } else {
      ++t;
    }
  }
  for (timed& t : due) t.action();
}

namespace test {

void pressplace(int place, int symbol) {
  pushplace(SDL_KEYDOWN, place, symbol);
}
void releaseplace(int place, int symbol) {
  pushplace(SDL_KEYUP, place, symbol);
}

int plugpad(int vendor, int product, bool mapped) {
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  // A game controller with every standard button and axis, so SDL makes its mapping itself.
  desc.type = mapped ? SDL_JOYSTICK_TYPE_GAMECONTROLLER : SDL_JOYSTICK_TYPE_UNKNOWN;
  desc.naxes = SDL_CONTROLLER_AXIS_MAX;
  desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
  desc.vendor_id = Uint16(vendor);
  desc.product_id = Uint16(product);
  desc.name = "Flopfist test pad";
  const int index = SDL_JoystickAttachVirtualEx(&desc);
  if (index < 0) return 0;
  SDL_Joystick* j = SDL_JoystickOpen(index);
  if (j == nullptr) {
    SDL_JoystickDetachVirtual(index);
    return 0;
  }
  attached.push_back({nexthandle, j});
  return nexthandle++;
}

std::string padguid(int handle) {
  const testpad* t = find(handle);
  if (t == nullptr) return "";
  char text[33] = {};
  SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(t->joystick), text, sizeof text);
  return text;
}

void unplugpad(int handle) {
  for (auto t = attached.begin(); t != attached.end(); ++t) {
    if (t->handle != handle) continue;
    detach(*t);
    attached.erase(t);
    return;
  }
}

void padbutton(int handle, int button, bool down) {
  if (testpad* t = find(handle))
    SDL_JoystickSetVirtualButton(t->joystick, sdlbutton(button), down ? 1 : 0);
}

void padstick(int handle, int x, int y) {
  testpad* t = find(handle);
  if (t == nullptr) return;
  SDL_JoystickSetVirtualAxis(t->joystick, SDL_CONTROLLER_AXIS_LEFTX, Sint16(x));
  SDL_JoystickSetVirtualAxis(t->joystick, SDL_CONTROLLER_AXIS_LEFTY, Sint16(y));
}

void atframe(int frame, std::function<void()> action) {
  actions.push_back({frame, std::move(action)});
}

}  // namespace test
}  // namespace media
