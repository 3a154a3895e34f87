// Test mode: keys pressed by place under any layout, and SDL's virtual joysticks as gamepads.
#pragma once

#include <functional>
#include <string>

namespace media::test {

// A key at a place (media::place) whose layout prints symbol on it (an SDL key symbol: the
// lower-case letter for letters). Pushed now, so the next present delivers it.
void pressplace(int place, int symbol);
void releaseplace(int place, int symbol);

// Virtual pads, gone again at the next reset. Each change acts at once; the game hears of it at the
// next present. Pads with the same vendor and product are the same model, as two bought together.
// A handle for the calls below. Unmapped: a plain joystick, a pad only when gamecontrollerdb.txt
// has a line for its GUID.
int plugpad(int vendor, int product, bool mapped = true);
std::string padguid(int handle);  // as gamecontrollerdb.txt writes it
void unplugpad(int handle);
void padbutton(int handle, int button,
               bool down);                // media::pad buttons, the d-pad for the directions
void padstick(int handle, int x, int y);  // the left stick, -32768..32767, y down

// Runs an action (a pad change, a look at the presented frame) in the present that makes frames()
// reach frame, before that present reads its events, like the scripted keys of that frame.
void atframe(int frame, std::function<void()> action);

}  // namespace media::test
