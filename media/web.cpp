// The browser host: steps paced by the page's animation frames, saved files kept in IndexedDB.
#include <emscripten.h>
#include <unistd.h>

#include <cstdio>

#include "media/internal.h"

namespace media {

namespace {
// The page's frame clock: each animation frame adds the time since the last to what is owed, and
// a step is taken for each sixtieth of a second owed, so a 120 or 144 Hz screen does not speed the
// game up and a 30 Hz one takes two steps a frame. Like the desktop's pacing, a long stall (a
// hidden tab, a hit pause) is forgiven rather than caught up. 1 ms of slack keeps a 60 Hz screen,
// whose frames come a hair early or late, at one step a frame.
EM_JS(int, stepowed, (double hz), {
  var clock = Module.flopfistClock || (Module.flopfistClock = {owed: 0, last: -1, steps: 0});
  var now = performance.now();
  if (clock.last >= 0) clock.owed += now - clock.last;
  clock.last = now;
  var step = 1000 / hz;
  if (clock.owed > 3 * step) clock.owed = step;
  if (clock.owed < step - 1) return 0;
  clock.owed -= step;
  clock.steps++;  // read by the browser tests
  return 1;
});

EM_JS(void, restartclock, (), {
  var old = Module.flopfistClock;
  Module.flopfistClock = {owed: 0, last: -1, steps: old ? old.steps : 0};
});

EM_ASYNC_JS(void, nextanimationframe, (), {
  await new Promise(function(resolve) { requestAnimationFrame(resolve); });
});

// The saved files live in /play, the working folder, backed by IndexedDB. Reading waits for the
// stored copy to arrive; every save is written back at once, one write-back at a time.
EM_ASYNC_JS(void, mountsaves, (), {
  FS.mkdir('/play');
  FS.mount(IDBFS, {}, '/play');
  await new Promise(function(resolve) {
    FS.syncfs(true, function(err) {
      if (err) console.log('flopfist: saved files could not be read: ' + err);
      resolve();
    });
  });
  Module.flopfistSync = {busy: false, again: false};
});

EM_JS(void, writesaves, (), {
  var sync = Module.flopfistSync;
  if (!sync) return;
  if (sync.busy) { sync.again = true; return; }
  sync.busy = true;
  var run = function() {
    FS.syncfs(false, function(err) {
      if (err) console.log('flopfist: saved files could not be stored: ' + err);
      if (sync.again) { sync.again = false; run(); return; }
      sync.busy = false;
      if (Module.onSaved) Module.onSaved();
    });
  };
  run();
});

// Fetches what the page left for after the title (the music): once, after the first frame shown.
EM_JS(void, fetchlater, (), {
  var later = Module.fetchLater;
  Module.fetchLater = null;
  if (later) later();
});

bool mounted = false;
int presented = 0;
bool audiotried = false;
}  // namespace

void hoststart() {
  // The game yields to the page once a frame, in showframe; SDL need not yield on its own too.
  SDL_SetHint(SDL_HINT_EMSCRIPTEN_ASYNCIFY, "0");
  if (mounted) return;
  mounted = true;
  mountsaves();
  if (::chdir("/play") != 0) std::fprintf(stderr, "flopfist: no folder for saved files\n");
}

void showframe(int /*sync: the page's frames pace every present*/, bool fresh) {
  if (fresh && sys.renderer != nullptr) {
    SDL_RenderPresent(sys.renderer);
    if (presented++ == 0) fetchlater();
  }
  while (stepowed(double(sys.hz)) == 0) nextanimationframe();
  // The page paints a frame only once the animation frame that brought it has returned, and
  // opening the audio holds the page for a good part of a second: it waits until the first
  // frames are on the screen.
  if (presented >= 3 && !audiotried) {
    audiotried = true;
    openlatesound();
  }
}

void restartpacing() {
  restartclock();
}

void sleepfor(double ms) {
  emscripten_sleep(unsigned(ms));
}

void filesaved() {
  writesaves();
}

// Opening the page's audio takes a good part of a second (its Web Audio context), and a browser
// plays nothing before the player's first key anyway: the first frame does not wait for it.
bool audioopenslate() {
  return true;
}

// The music comes in a package of its own after the first frame.
bool filesarrivelate() {
  return true;
}

std::string assetpath(const std::string& path) {
  return !path.empty() && path[0] != '/' ? "/assets/" + path : path;
}

}  // namespace media
