// The desktop host: precise sleeping and frame pacing by the clock, files left to the disk.
#include <sys/prctl.h>
#include <time.h>

#include <cerrno>
#include <cstdlib>

#include "media/internal.h"
#include "media/pacing.h"
#include "media/paths.h"

namespace media {

namespace {
pacer framepacer;

// How early a sleep ends so that its wake-up latency does not make the frame late; the rest is
// spun. Small enough that an idle menu costs almost nothing.
constexpr double spinms = 0.1;

void sleepuntil(double deadline) {
  const double sleepend = deadline - spinms;
  if (realms() < sleepend) {
    const double absolute = (sleepend + realstart()) / 1000.0;
    timespec ts{};
    ts.tv_sec = time_t(absolute);
    ts.tv_nsec = long((absolute - double(ts.tv_sec)) * 1e9);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
  }
  while (realms() < deadline) {
  }
}

// Waits for the frame's turn by the pacing rule; sync 1 hands the wait to the display instead.
void pace(int sync) {
  const bool wantvsync = sync == 1;
  if (wantvsync != sys.vsync && sys.renderer != nullptr) {
    SDL_RenderSetVSync(sys.renderer, wantvsync ? 1 : 0);
    sys.vsync = wantvsync;
  }
  if (sync != -1) return;
  const double now = realms();
  const double wait = framepacer.wait(now, double(sys.hz));
  if (wait > 0) sleepuntil(now + wait);
}
}  // namespace

void hoststart() {
  // The window's class names the game as its desktop entry does (StartupWMClass), so a dock groups
  // the running game under the entry. SDL 2 reads these from the environment; a player's own wins.
  ::setenv("SDL_VIDEO_X11_WMCLASS", appid, 0);
  ::setenv("SDL_VIDEO_WAYLAND_WMCLASS", appid, 0);
  // Lets a sleep end within microseconds of its deadline, so frame pacing needs little spinning.
  prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
}

void showframe(int sync, bool fresh) {
  pace(sync);
  if (fresh && sys.renderer != nullptr) SDL_RenderPresent(sys.renderer);
}

void restartpacing() {
  framepacer.restart();
}

void sleepfor(double ms) {
  sleepuntil(realms() + ms);
}

void filesaved() {}

// Sounds are decoded as they load, so the device is there from the start.
bool audioopenslate() {
  return false;
}

// Installed with the game: every file is there from the start.
bool filesarrivelate() {
  return false;
}

std::string assetpath(const std::string& path) {
  return joinpath(datafolder(), path);
}

}  // namespace media
