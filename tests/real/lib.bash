# Shared helpers for the real-window tests: Xvfb, a fresh working folder, xdotool keys, screenshots.
# Each test script is called as: script.sh <flopfist binary> <asset folder> <build folder>
set -euo pipefail

binary=$1
assets=$2
# Every test starts the game in a working folder of its own that holds (links to) the data: a
# portable folder, so nothing reaches the XDG folders of whoever runs the tests.
export FLOPFIST_HOME=. FLOPFIST_DATA=.
artefacts="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/tests/artefacts"
mkdir -p "$artefacts"

# Starts Xvfb on a free display and exports DISPLAY; stops it when the script exits. Scripts
# running side by side may pick the same display: Xvfb takes its lock file atomically and the one
# that loses ends at once, so a display is ours only once its lock names our server; otherwise
# the next one is tried. (-displayfd would skip the lock file, and a busy server's socket can then
# be taken over.)
start_xvfb() {
  local n
  for n in $(seq 90 130); do
    if [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; then continue; fi
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp +extension GLX >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
      kill -0 "$xvfb_pid" 2>/dev/null || break
      if [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X$n-lock")" = "$xvfb_pid" ] &&
        DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
        export DISPLAY=":$n"
        trap 'kill $xvfb_pid 2>/dev/null || true; kill $game_pid 2>/dev/null || true; rm -rf "$workdir"' EXIT
        unset SDL_VIDEODRIVER SDL_AUDIODRIVER
        export SDL_AUDIODRIVER=dummy
        return 0
      fi
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  done
  echo "no free X display" >&2
  return 1
}

# A fresh working folder with the assets linked in; exports workdir.
make_workdir() {
  workdir=$(mktemp -d /tmp/flopfist-real-XXXXXX)
  for d in images sounds music; do ln -s "$assets/$d" "$workdir/$d"; done
}

game_pid=""
# Starts the game in the working folder in the background.
start_game() {
  (cd "$workdir" && exec "$binary") &
  game_pid=$!
}

# Waits until a window titled Flopfist exists; prints its id. Up to 30 s: a start on a machine
# busy with builds has taken more than 10.
wait_window() {
  local id=""
  for _ in $(seq 1 300); do
    id=$(xdotool search --name '^Flopfist$' 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "the Flopfist window did not appear" >&2
  return 1
}

# Presses and releases a key (xdotool key name), holding it for a few frames.
press() {
  xdotool keydown "$1"; sleep 0.1; xdotool keyup "$1"; sleep 0.15
}

# Saves a screenshot of the whole screen to tests/artefacts/<name>.png.
shot() {
  import -window root "$artefacts/$1.png"
}

# Window position on the screen, so regions of the game's 1024 x 768 frame can be found in a shot.
window_origin() {
  [ -n "$1" ] || fail "the Flopfist window did not appear"
  eval "$(xdotool getwindowgeometry --shell "$1")"
  wx=$X wy=$Y
}
# Puts the pointer over the game and gives it the keyboard; sets wx, wy.
focus() {
  window_origin "$1"
  xdotool mousemove $((wx + 512)) $((wy + 384))
  xdotool windowfocus "$1" 2>/dev/null || true
}

# Waits for the game to end and checks its exit code.
expect_exit() {
  local want=$1 code=0
  for _ in $(seq 1 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
  wait "$game_pid" || code=$?
  game_pid=""
  if [ "$code" != "$want" ]; then echo "exit code $code, expected $want" >&2; return 1; fi
}

fail() { echo "FAIL: $*" >&2; exit 1; }

# A UDP port free on 127.0.0.1 now, below the kernel's range for ports picked on the fly, so that no
# socket bound to port 0 (a joiner's, a unit test's host) can take it before the game binds it.
free_udp_port() {
  python3 - <<'PY'
import random, socket
low = int(open("/proc/sys/net/ipv4/ip_local_port_range").read().split()[0])
for _ in range(1000):
    port = random.randrange(10000, low)
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        try:
            s.bind(("127.0.0.1", port))
        except OSError:
            continue
    print(port)
    break
else:
    raise SystemExit("no free UDP port")
PY
}

# Builds (once) a preloaded library that time-stamps every present into the file named by
# PRESENT_STAMPS, so frame intervals are measured from outside an unchanged game; prints its path.
present_stamps_shim() {
  local shim="$1/present_stamps.so"
  if [ ! -e "$shim" ]; then
    # Built aside and renamed, as two tests running at once may both build it.
    g++ -shared -fPIC -O2 -x c++ -o "$shim.$$" - -ldl <<'CPP'
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
static FILE* out;
static void stamp() {
  if (!out) out = fopen(getenv("PRESENT_STAMPS"), "w");
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  fprintf(out, "%.3f\n", t.tv_sec * 1e3 + t.tv_nsec / 1e6);
  fflush(out);
}
extern "C" void SDL_RenderPresent(void* r) {
  static auto real = (void (*)(void*))dlsym(RTLD_NEXT, "SDL_RenderPresent");
  stamp();
  real(r);
}
extern "C" void SDL_GL_SwapWindow(void* w) {
  static auto real = (void (*)(void*))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
  stamp();
  real(w);
}
CPP
    mv -f "$shim.$$" "$shim"
  fi
  echo "$shim"
}

# Looks at the game's frame, for most of the tests. The 1024 x 768 frame cut out of a whole-screen
# shot (the window's origin in wx, wy), saved as <name>-frame.png; snap takes and cuts one.
frame_of() {
  convert "$artefacts/$1.png" -crop "1024x768+$wx+$wy" +repage "$artefacts/$1-frame.png"
}
snap() { shot "$1"; frame_of "$1"; }
# Brightest value (0..1) of a region of the game frame.
region_max() {  # shot w h x y
  convert "$artefacts/$1-frame.png" -crop "$2x$3+$4+$5" +repage -format '%[fx:maxima]' info:
}
# Number of pixels that differ between two game frames.
changed() {
  compare -metric AE "$artefacts/$1-frame.png" "$artefacts/$2-frame.png" null: 2>&1 | cut -d' ' -f1 || true
}
# Pixels of player 1's light grey (175) in a game frame: none on a menu, thousands in a match.
player_pixels() {
  convert "$artefacts/$1-frame.png" -fuzz 8% -fill white -opaque 'rgb(180,180,180)' \
    -fill black +opaque white -format '%[fx:round(mean*w*h)]' info:
}
# A brightness above a fifth.
lit() { awk -v v="$1" 'BEGIN { exit !(v > 0.2) }'; }
# Brightest value of a region of a game frame, read here so that the scripts' own region_max
# (some take whole-screen shots) does not matter.
frame_max() {  # shot w h x y
  convert "$artefacts/$1-frame.png" -crop "$2x$3+$4+$5" +repage -format '%[fx:maxima]' info:
}
# Waits, instead of a fixed time past the splash, until the main menu shows: its title lit at the
# top or the grey left end of OPTIONS (whatever the palette does), where the splash has nothing.
# Needs wx, wy (focus); leaves the shot as <name>.png and <name>-frame.png.
await_mainmenu() {  # shot
  for _ in $(seq 1 100); do
    snap "$1"
    if lit "$(frame_max "$1" 1024 125 0 18)" || lit "$(frame_max "$1" 50 40 350 265)"; then return 0; fi
    sleep 0.2
  done
  fail "$1: the main menu did not appear"
}
# Pixels of one colour in a region of a game frame.
colour_pixels() {  # shot w h x y colour fuzz
  convert "$artefacts/$1-frame.png" -crop "$2x$3+$4+$5" +repage -fuzz "$7" -fill white -opaque "$6" \
    -fill black +opaque white -format '%[fx:round(mean*w*h)]' info:
}
# The main menu after a match: OPTIONS lit in grey and nothing below QUIT, where a match has its
# floor.
mainmenu_back() {  # shot
  lit "$(frame_max "$1" 400 40 312 265)" && awk -v v="$(frame_max "$1" 1024 150 0 610)" 'BEGIN { exit !(v < 0.05) }'
}
# The LEAVE? banner over a frozen match: its white title and its light grey (210) line of keys.
leave_asked() {  # shot
  [ "$(colour_pixels "$1" 1024 80 0 295 white 1%)" -gt 1000 ] &&
    [ "$(colour_pixels "$1" 1024 60 0 385 'rgb(210,210,210)' 2%)" -gt 1000 ]
}
# Escape out of a match to the main menu. A one-player or co-op run with points asks LEAVE? over
# the frozen match, and is answered with a second Escape once the question shows (one pressed
# before it is flushed with the first); other matches leave at once. Looked at until the main
# menu shows, as a loaded machine may take a while; the shot is left as <name>.
leave_to_mainmenu() {  # shot
  local asked=-10 k
  press Escape
  for k in $(seq 1 50); do
    snap "$1"
    mainmenu_back "$1" && return 0
    if [ $((k - asked)) -ge 10 ] && leave_asked "$1"; then press Escape; asked=$k; fi
    sleep 0.2
  done
  fail "$1: Escape did not lead back to the main menu"
}
# Like wait_window, but patient: a start on a machine busy with builds can take many seconds.
await_window() {
  timeout 60 xdotool search --sync --name '^Flopfist$' 2>/dev/null | head -n 1
}
# Fails at once, instead of waiting for ever, when the game is still running after 15 seconds.
ends_soon() {
  for _ in $(seq 1 150); do kill -0 "$game_pid" 2>/dev/null || return 0; sleep 0.1; done
  kill "$game_pid" 2>/dev/null || true
  fail "$1: the game did not end"
}

# Holds a key down for $2 seconds.
hold() { xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"; }
# The window of a process, once it is open: up to a minute, as a first start on a busy machine can take.
window_of() {
  local w
  for _ in $(seq 1 600); do
    for w in $(xdotool search --name '^Flopfist$' 2>/dev/null); do
      [ "$(xdotool getwindowpid "$w" 2>/dev/null)" = "$1" ] && { echo "$w"; return 0; }
    done
    sleep 0.1
  done
  fail "no window for process $1"
}
# The match is on in a shot: player 1 in view and the arena's floor lit across the lower screen
# (the waiting screens are dark there, and their grey text could pass for player 1).
match_on() {
  [ "$(player_pixels "$1")" -gt 500 ] && lit "$(region_max "$1" 800 60 112 620)"
}
