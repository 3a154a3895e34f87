#!/usr/bin/env bash
# As a player: splash, main menu, controls screen, Escape out, and the window's close button from
# the splash and from a menu, with the real binary under Xvfb.
source "$(dirname "${BASH_SOURCE[0]}")/lib.bash"

# Sends the close request a window manager sends when the close button is clicked (WM_DELETE_WINDOW).
# Xvfb runs without a window manager, so nothing else would turn a click into this message.
close_window() {
  python3 - "$1" <<'PY'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]

class clientmessage(ctypes.Structure):  # XClientMessageEvent, padded to the size of an XEvent
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("l", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]

d = x.XOpenDisplay(None)
if not d:
    sys.exit("cannot open the display")
e = clientmessage()
e.type = 33  # ClientMessage
e.window = int(sys.argv[1])
e.message_type = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
e.format = 32
e.l[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(d, e.window, 0, 0, ctypes.byref(e))
x.XFlush(d)
x.XCloseDisplay(d)
PY
}


# Brightest value (0..1) of a region of a shot, given in game-frame coordinates.
region_max() {  # shot w h x y
  convert "$artefacts/$1.png" -crop "$2x$3+$((wx + $4))+$((wy + $5))" +repage -format '%[fx:maxima]' info:
}

# Bounding box "w h x y" (game-frame coordinates) of the lit pixels in a region of a shot.
lit_box() {  # shot w h x y
  local box
  box=$(convert "$artefacts/$1.png" -crop "$2x$3+$((wx + $4))+$((wy + $5))" +repage \
    -colorspace Gray -threshold 12% -format '%@' info:)
  [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || { echo "0 0 0 0"; return; }
  echo "${BASH_REMATCH[1]} ${BASH_REMATCH[2]} $((BASH_REMATCH[3] + $4)) $((BASH_REMATCH[4] + $5))"
}

# Takes shots until a region (game-frame coordinates) lights up, for at most about 6 seconds.
shot_when_lit() {  # shot w h x y
  for _ in $(seq 1 30); do
    shot "$1"
    lit "$(region_max "$@")" && return 0
    sleep 0.2
  done
  return 1
}

dark() { awk -v v="$1" 'BEGIN { exit !(v < 0.05) }'; }

start_xvfb
workdirs=()
cutoff=()
trap 'kill $xvfb_pid 2>/dev/null || true; kill $game_pid 2>/dev/null || true; rm -rf "${workdirs[@]}"' EXIT

# ---- A session: splash, main menu, controls, back, Escape ----
make_workdir; workdirs+=("$workdir")
start_game
win=$(await_window)
focus "$win"
# The picture at (409, 196), 205 x 275; nothing of the menu yet.
shot_when_lit shell_splash 205 275 409 196 || fail "no splash picture"
dark "$(region_max shell_splash 1024 150 0 0)" || fail "the top of the splash is not empty"
read -r w h x y < <(lit_box shell_splash 1024 60 0 495)
[ "$w" -gt 100 ] || fail "no splash caption"
[ $((x + w / 2 - 512)) -ge -8 ] && [ $((x + w / 2 - 512)) -le 8 ] || fail "caption not centred: $x+$w"

shot_when_lit shell_mainmenu 1024 125 0 18 || fail "the main menu did not follow the splash"
sleep 0.2
shot shell_mainmenu
read -r w h x y < <(lit_box shell_mainmenu 1024 125 0 18)
[ "$w" -gt 300 ] || fail "no title at the top"
[ $((x + w / 2 - 512)) -ge -8 ] && [ $((x + w / 2 - 512)) -le 8 ] || fail "title not centred: $x+$w"
[ "$y" -ge 18 ] && [ $((y + h)) -le 145 ] || fail "title not at y 20: $y+$h"
# The chosen entry takes the cycling palette's colour, dark now and then: looked at until lit.
shot_when_lit shell_play 400 70 312 190 || fail "no PLAY entry"
dark "$(region_max shell_mainmenu 1024 150 0 610)" || fail "something below the menu entries"

press Down
press Down
press Return
sleep 0.4
shot shell_controls
for yline in 150 190 232 280 322 380 406 432 458 484 510 536 562 588 614 640 690; do
  read -r w h x y < <(lit_box shell_controls 1024 20 0 $((yline + 3)))
  [ "$w" -gt 200 ] || fail "controls line at $yline missing"
  # Noted rather than failed at once, so the checks after it still run.
  edge=$(awk -v a="$(region_max shell_controls 2 20 0 $((yline + 3)))" \
    -v b="$(region_max shell_controls 2 20 1022 $((yline + 3)))" 'BEGIN { print (a > b ? a : b) }')
  dark "$edge" || cutoff+=("$yline")
done
press Escape
sleep 0.4
shot shell_back
dark "$(region_max shell_back 1024 150 0 610)" || fail "Escape did not leave the controls screen"
lit "$(region_max shell_back 400 70 312 190)" || fail "the main menu did not come back"
press Escape
ends_soon "Escape on the main menu"
expect_exit 0 || fail "Escape on the main menu"
# A first session that changed nothing leaves nothing behind.
[ -z "$(cd "$workdir" && find . -type f)" ] || fail "a session that changed nothing wrote: $(cd "$workdir" && find . -type f)"

# ---- The close button during the splash ----
make_workdir; workdirs+=("$workdir")
start_game
win=$(await_window)
[ -n "$win" ] || fail "the Flopfist window did not appear"
sleep 0.3
close_window "$win"
ends_soon "close button on the splash"
expect_exit 0 || fail "close button on the splash"

# ---- The close button on a menu ----
make_workdir; workdirs+=("$workdir")
start_game
win=$(await_window)
focus "$win"
await_mainmenu shell_mainmenu_again
press Return  # PLAY: the play-mode menu
sleep 0.3
shot shell_playmode
lit "$(region_max shell_playmode 500 60 262 180)" || fail "no play-mode menu"
close_window "$win"
ends_soon "close button on the play-mode menu"
expect_exit 0 || fail "close button on the play-mode menu"

[ ${#cutoff[@]} -eq 0 ] || fail "controls lines cut off by the screen edge at y = ${cutoff[*]}"
echo "shell: all checks passed"
