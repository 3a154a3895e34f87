#!/usr/bin/env bash
# As a player: raise GRAVITY on the options screen, leave, quit, and find GRAVITY 2 again at the next
# start, in prefs.qmx and on the screen, with the real binary under Xvfb.
source "$(dirname "${BASH_SOURCE[0]}")/lib.bash"

# Brightest value (0..1) of a region of a shot, in game-frame coordinates.
region_max() {  # shot w h x y
  convert "$artefacts/$1.png" -crop "$2x$3+$((wx + $4))+$((wy + $5))" +repage -format '%[fx:maxima]' info:
}
# Waits for the main menu: the title lit at the top, above nothing but the entries.
await_menu() {  # shot
  for _ in $(seq 1 50); do
    shot "$1"
    lit "$(region_max "$1" 1024 125 0 18)" && return 0
    sleep 0.2
  done
  fail "the main menu did not appear"
}
# The band of options row 1 (GRAVITY, y = 210, 37 pixels high) cut out of a shot.
gravity_row() {  # shot
  convert "$artefacts/$1.png" -crop "1024x40+$wx+$((wy + 208))" +repage "$artefacts/$1_gravity.png"
}
# Number of pixels that differ between two row bands.
row_difference() {  # band band
  compare -metric AE -fuzz 3% "$artefacts/$1_gravity.png" "$artefacts/$2_gravity.png" null: 2>&1 || true
}

start_xvfb
make_workdir

# ---- First start: OPTIONS, Right on GRAVITY, Escape, Escape ----
start_game
win=$(await_window)
focus "$win"
await_menu options_menu
press Down
press Return
sleep 0.4
press Down  # GRAVITY drawn grey, so the row looks the same whatever the palette is doing
sleep 0.3
shot options_gravity1
press Up
press Right
press Down
sleep 0.3
shot options_gravity2
lit "$(region_max options_gravity2 1024 40 0 208)" || fail "no GRAVITY row on the options screen"
press Escape
sleep 0.4
press Escape
ends_soon "Escape on the main menu"
expect_exit 0 || fail "the first run did not end with code 0"

[ "$(sed -n 11p "$workdir/prefs.qmx")" = $'2\r' ] || fail "line 11 of prefs.qmx is not 2: $(od -c "$workdir/prefs.qmx" | head -5)"
[ "$(printf '1\r\n4\r\n5\r\n1\r\n5\r\n1\r\n3\r\n0\r\n6\r\n6\r\n2\r\n1\r\n10\r\n')" = "$(cat "$workdir/prefs.qmx")" ] ||
  fail "prefs.qmx is not the defaults with GRAVITY 2"

# ---- Second start: the options screen shows GRAVITY 2 ----
start_game
win=$(await_window)
focus "$win"
await_menu options_menu_again
press Down
press Return
sleep 0.4
press Down
sleep 0.3
shot options_gravity_again
press Escape
sleep 0.4
press Escape
ends_soon "Escape on the main menu"
expect_exit 0 || fail "the second run did not end with code 0"

gravity_row options_gravity1
gravity_row options_gravity2
gravity_row options_gravity_again
changed=$(row_difference options_gravity1 options_gravity2)
again=$(row_difference options_gravity2 options_gravity_again)
[ "$changed" -gt 30 ] || fail "GRAVITY 1 and GRAVITY 2 look alike ($changed pixels differ)"
[ "$again" -le 2 ] || fail "the second start does not show GRAVITY 2 ($again pixels differ)"
[ "$(sed -n 11p "$workdir/prefs.qmx")" = $'2\r' ] || fail "the second run lost GRAVITY 2"

echo "options: all checks passed"
