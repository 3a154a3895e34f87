#!/usr/bin/env bash
# As a player with a mouse, under Xvfb with the real binary: a click on OPTIONS opens the options,
# a right click comes back, and a click on QUIT ends the game with code 0.
source "$(dirname "${BASH_SOURCE[0]}")/lib.bash"

# Grey (100, 100, 100) pixels of the main menu's unselected entries in a game frame.
grey_pixels() {  # shot
  convert "$artefacts/$1-frame.png" -fuzz 4% -fill white -opaque 'rgb(100,100,100)' \
    -fill black +opaque white -format '%[fx:round(mean*w*h)]' info:
}
# RESET OPTIONS, the options' last row, where the main menu has nothing.
options_shown() {  # shot
  lit "$(region_max "$1" 1024 36 0 652)"
}
await_menu() {  # shot
  for _ in $(seq 1 60); do
    snap "$1"
    [ "$(grey_pixels "$1")" -gt 15000 ] && ! options_shown "$1" && return 0
    sleep 0.2
  done
  fail "$1: the main menu did not appear"
}
# Moves the pointer over a point of the game's frame, then clicks a button there.
click_at() {  # x y button
  xdotool mousemove $((wx + $1)) $((wy + $2))
  sleep 0.2
  xdotool click "$3"
  sleep 0.5
}

start_xvfb
make_workdir
start_game
win=$(await_window)
focus "$win"
await_menu mouse_menu

click_at 512 290 1  # OPTIONS
snap mouse_options
options_shown mouse_options || fail "a click on OPTIONS did not open the options"
click_at 512 290 3  # a right click goes back
await_menu mouse_back
click_at 512 530 1  # QUIT
ends_soon "a click on QUIT"
expect_exit 0 || fail "a click on QUIT did not end with code 0"
echo "mouse: OPTIONS opened by a click, left by a right click, QUIT by a click"
