// Ends that come from outside: termination signals, and the window system's connection going away.
#include <SDL_syswm.h>
#include <dlfcn.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

#include "media/internal.h"
#include "media/media.h"

namespace media {

namespace {
volatile std::sig_atomic_t signalled = 0;
int displayfd = -1;  // the X connection of the window, -1 when there is none to watch
constexpr int endsignals[] = {SIGTERM, SIGINT, SIGHUP};

void onsignal(int) {
  signalled = 1;
}

#if defined(SDL_VIDEO_DRIVER_X11)
// Xlib calls this on a broken connection and exits if it returns, running the exit handlers, which
// would call into the dead connection through SDL (that spun for ever once). So it never returns.
int onxioerror(Display*) {
  displaylost();
}

// Xlib comes with SDL's X11 driver; it is looked up rather than linked so the game does not need it.
void catchxioerrors() {
  void* xlib = ::dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
  if (xlib == nullptr) return;
  using setter = XIOErrorHandler (*)(XIOErrorHandler);
  if (auto set = reinterpret_cast<setter>(::dlsym(xlib, "XSetIOErrorHandler"))) set(onxioerror);
  ::dlclose(xlib);
}
#endif

// True when the peer has closed the connection: it hangs up, or reads as ended without blocking.
bool connectionclosed(int fd) {
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, 0) <= 0) return false;
  if ((p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return true;
  char byte;
  return ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}
}  // namespace

void catchsignals() {
  struct sigaction action {};
  action.sa_handler = onsignal;
  sigemptyset(&action.sa_mask);
  for (const int s : endsignals) ::sigaction(s, &action, nullptr);
}

void defaultsignals() {
  for (const int s : endsignals) std::signal(s, SIG_DFL);
  signalled = 0;
}

bool takesignal() {
  const bool was = signalled != 0;
  signalled = 0;
  return was;
}

void watchdisplay(SDL_Window* window) {
  displayfd = -1;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (window == nullptr || !SDL_GetWindowWMInfo(window, &info)) return;
#if defined(SDL_VIDEO_DRIVER_X11)
  if (info.subsystem == SDL_SYSWM_X11) {
    displayfd = ConnectionNumber(info.info.x11.display);
    catchxioerrors();
  }
#endif
}

void forgetdisplay() {
  displayfd = -1;
}

void checkdisplay() {
  if (displayfd >= 0 && connectionclosed(displayfd)) displaylost();
}

void displaylost() {
  static const char line[] = "flopfist: the connection to the display was lost\n";
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line, sizeof line - 1);
  // No exit handlers: they would let go of the window through the dead connection. Nothing is
  // saved on the way out either, so prefs.qmx and scores.txt stay as they were.
  ::_exit(2);
}

}  // namespace media
