#!/usr/bin/env bash
# As a player under plain Xvfb (no window manager): F11 and Alt+Enter switch fullscreen and back,
# and a start with FULLSCREEN 1 is fullscreen; the picture stays centred each time. The grey menu
# entries (OPTIONS to QUIT) are found by their colour, and their centre of mass must sit where a
# centred, letterboxed picture puts it.
source "$(dirname "${BASH_SOURCE[0]}")/lib.bash"

# Centre of mass "x y" of the pixels of the menu's grey (100, 100, 100) in a whole-screen shot.
grey_centre() {  # shot
  convert "$artefacts/$1.png" -fuzz 4% -fill white -opaque 'rgb(100,100,100)' -fill black +opaque white \
    -colorspace gray -compress none pgm:- |
    awk 'NR == 2 { w = $1 } NR > 3 { for (i = 1; i <= NF; ++i) { if ($i > 128) { sx += n % w; sy += int(n / w); ++c } ++n } }
         END { if (c < 15000) { print "none"; exit } printf "%.1f %.1f\n", sx / c, sy / c }'
}
# Fails unless the point "x y" is within 12 pixels of the expected x and y.
near_point() {  # what "x y" ex ey
  [ "$2" != "none" ] || fail "$1: no menu on the screen"
  awk -v p="$2" -v ex="$3" -v ey="$4" 'BEGIN { split(p, a, " "); d = (a[1]-ex)^2 + (a[2]-ey)^2; exit !(d < 144) }' ||
    fail "$1: the menu's centre is at $2, expected near $3 $4"
}
# Takes shots until the menu's centre is near the expected x and y, for up to 5 s: a loaded machine
# may show a frame or two of the old size while the window changes. Fails with where it stayed.
settle_near() {  # what shot ex ey
  local at=none
  for _ in $(seq 1 20); do
    shot "$2"
    at=$(grey_centre "$2")
    [ "$at" != "none" ] && awk -v p="$at" -v ex="$3" -v ey="$4" \
      'BEGIN { split(p, a, " "); exit !((a[1]-ex)^2 + (a[2]-ey)^2 < 144) }' && return 0
    sleep 0.25
  done
  near_point "$1" "$at" "$3" "$4"
}
# Waits until a screenshot shows the menu's grey entries; saves it as the shot named.
await_grey() {  # shot
  for _ in $(seq 1 50); do
    shot "$1"
    [ "$(grey_centre "$1")" != "none" ] && return 0
    sleep 0.2
  done
  fail "$1: the main menu did not appear"
}

start_xvfb
make_workdir
sw=$(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1] }')
sh=$(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[2] }')
# The 1024 x 768 picture letterboxed on the whole screen: its scale and origin.
scale=$(awk -v w="$sw" -v h="$sh" 'BEGIN { s = w / 1024; if (h / 768 < s) s = h / 768; print s }')
ox=$(awk -v w="$sw" -v s="$scale" 'BEGIN { print (w - 1024 * s) / 2 }')
oy=$(awk -v h="$sh" -v s="$scale" 'BEGIN { print (h - 768 * s) / 2 }')

start_game
win=$(await_window)
focus "$win"
# The pointer out of the picture's way: pointing at an entry would select it and change its colour.
xdotool mousemove 0 0
sleep 1
await_grey fs_window
# Where the grey entries sit in the game's own 1024 x 768 frame.
read -r gx gy <<<"$(grey_centre fs_window)"
fx=$(awk -v a="$gx" -v o="$wx" 'BEGIN { print a - o }')
fy=$(awk -v a="$gy" -v o="$wy" 'BEGIN { print a - o }')
awk -v x="$fx" 'BEGIN { exit !(x > 500 && x < 524) }' || fail "the window's menu is off its own centre ($fx)"
full_x=$(awk -v o="$ox" -v s="$scale" -v f="$fx" 'BEGIN { print o + s * f }')
full_y=$(awk -v o="$oy" -v s="$scale" -v f="$fy" 'BEGIN { print o + s * f }')

press F11
settle_near "F11" fs_f11 "$full_x" "$full_y"

xdotool keydown alt key Return keyup alt
sleep 1
window_origin "$win"
settle_near "Alt+Enter back to a window" fs_altenter \
  "$(awk -v a="$fx" -v o="$wx" 'BEGIN { print a + o }')" "$(awk -v a="$fy" -v o="$wy" 'BEGIN { print a + o }')"
# Alt+Enter was not an Enter: the main menu is still there, not the play-mode menu.
[ "$(grey_centre fs_altenter)" != "none" ] || fail "Alt+Enter chose PLAY"

xdotool keydown alt key Return keyup alt  # fullscreen again, kept in prefs.qmx
settle_near "Alt+Enter to fullscreen" fs_again "$full_x" "$full_y"
press Escape
ends_soon "Escape on the main menu"
game_pid=""

# The next start finds FULLSCREEN 1 and opens fullscreen, centred, the title not cut off.
start_game
win=$(await_window)
xdotool mousemove 0 0
await_grey fs_start
settle_near "a start with FULLSCREEN 1" fs_start "$full_x" "$full_y"
press Escape
ends_soon "Escape on the main menu"
echo "fullscreen: F11, Alt+Enter and a fullscreen start all centred"
