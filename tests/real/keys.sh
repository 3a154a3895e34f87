#!/usr/bin/env bash
# As a player: rebind player 1's UP to I on CHANGE KEYS, quit, start again, find I on CONTROLS and
# in controls.cfg, see I and W lit together on TEST KEYS, and lift the fighter with I in a match,
# with the real binary under Xvfb.
source "$(dirname "${BASH_SOURCE[0]}")/lib.bash"

# Red, green and blue (0..255) of one pixel of a game frame.
pixel() {  # shot x y
  convert "$artefacts/$1-frame.png" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:
}
bright() { read -r r g b < <(pixel "$@"); [ "$r" -gt 200 ] && [ "$g" -gt 200 ] && [ "$b" -gt 200 ]; }
await_menu() {  # shot
  for _ in $(seq 1 50); do
    snap "$1"
    lit "$(region_max "$1" 1024 125 0 18)" && return 0
    sleep 0.2
  done
  fail "the main menu did not appear"
}
# The box "w h x y" around player 1's light grey (the match's first fighter) in a game frame.
player_box() {  # shot
  local box
  box=$(convert "$artefacts/$1-frame.png" -fuzz 8% -fill white -opaque 'rgb(180,180,180)' \
    -fill black +opaque white -format '%@' info:)
  [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || { echo "0 0 0 0"; return; }
  echo "${BASH_REMATCH[1]} ${BASH_REMATCH[2]} ${BASH_REMATCH[3]} ${BASH_REMATCH[4]}"
}
# Player 1's lowest point above the floor in hundredths of the arena's height on screen: from the
# rows all wall grey at the top (the ceiling) and at the bottom (the floor), and player 1's box.
# 100 when the floor is out of sight below.
height() {  # shot
  local rows w h x y
  rows=$(convert "$artefacts/$1-frame.png" -fuzz 6% -fill white -opaque 'rgb(112,112,112)' \
    -fill black +opaque white -scale '1x768!' -depth 8 txt:- |
    awk -F'[ ,:()]+' 'NR > 1 { grey[$2] = $4 > 200 }
      END { c = 0; while (c < 768 && grey[c]) c++; f = 768; while (f > 0 && grey[f - 1]) f--;
            print c, f }')
  read -r ceiling floor <<< "$rows"
  read -r w h x y < <(player_box "$1")
  [ "$w" -gt 0 ] || fail "$1: player 1 is not on screen"
  if [ "$floor" -ge 768 ]; then echo 100; return; fi
  echo $((100 * (floor - (y + h)) / (floor - ceiling)))
}
# Player 1's line on CONTROLS (y 150) as a black and white picture <shot>-line1.png, from a shot
# where the palette is bright enough to see it; stretched first, so its shape does not depend on
# the colour it is drawn in.
line1() {  # shot name
  for _ in $(seq 1 20); do
    snap "$1"
    if lit "$(region_max "$1" 1024 40 0 152)"; then
      convert "$artefacts/$1-frame.png" -crop 1024x40+0+152 +repage -colorspace Gray -auto-level \
        -threshold 50% "$artefacts/$1-line1.png"
      return 0
    fi
    sleep 0.2
  done
  fail "$1: player 1's line on CONTROLS never showed"
}
differ() {  # shot shot: pixels that differ between their player 1 lines
  local n
  n=$(compare -metric AE "$artefacts/$1-line1.png" "$artefacts/$2-line1.png" null: 2>&1 || true)
  echo "${n%% *}"
}

start_xvfb
make_workdir

# ---- First start: CONTROLS, CHANGE KEYS, PLAYER 1 UP, I ----
start_game
win=$(await_window)
focus "$win"
await_menu keys_menu
press Down
press Down
press Return  # CONTROLS, CHANGE KEYS chosen
sleep 0.4
line1 keys_controls_default
press Return  # CHANGE KEYS, PLAYER 1 UP chosen
sleep 0.4
press Return  # PLAYER 1 UP waits for its key
sleep 0.3
snap keys_waiting
press i
sleep 0.3
snap keys_changed
press Escape
sleep 0.4
line1 keys_controls
press Escape
sleep 0.4
press Escape
ends_soon "Escape on the main menu"
expect_exit 0 || fail "the first run did not end with code 0"
grep -qx 'player 1 up = I' "$workdir/controls.cfg" || fail "controls.cfg: $(cat "$workdir/controls.cfg")"
grep -qx 'player 2 up = W' "$workdir/controls.cfg" || fail "player 2 lost W: $(cat "$workdir/controls.cfg")"

# ---- Second start: CONTROLS names I; TEST KEYS lights I and W held together ----
start_game
win=$(await_window)
focus "$win"
await_menu keys_menu_again
press Down
press Down
press Return
sleep 0.4
# Player 1's line reads at the second start as just after the change, not as with the defaults.
line1 keys_controls_again
same=$(differ keys_controls keys_controls_again)
other=$(differ keys_controls_default keys_controls_again)
echo "player 1's line on CONTROLS: $same pixels differ from the changed line, $other from the defaults'"
[ "$same" -le 60 ] || fail "CONTROLS names other keys at the second start ($same pixels differ)"
[ "$other" -ge 300 ] || fail "CONTROLS still names the default keys ($other pixels differ)"
press Right
press Return  # TEST KEYS
sleep 0.4
snap keys_test_idle
xdotool keydown i keydown w
sleep 0.4
snap keys_test_held
xdotool keyup i keyup w
# Boxes of 130 x 62: player 1 UP at (191, 200), DOWN at (191, 272); player 2 UP at (703, 200).
bright keys_test_held 197 206 || fail "player 1 UP (I) is not lit while held: $(pixel keys_test_held 197 206)"
bright keys_test_held 709 206 || fail "player 2 UP (W) is not lit while held"
bright keys_test_held 197 278 && fail "player 1 DOWN is lit though not held"
bright keys_test_idle 197 206 && fail "player 1 UP is lit before it is held"
press Escape  # CONTROLS
sleep 0.3
press Escape  # main menu
sleep 0.4

# ---- A versus match: I lifts player 1 off the floor, the old Up arrow does not ----
# A held UP keeps pushing the head up, so the fighter climbs towards the ceiling; a held Down keeps
# it on the floor. Heights are shares of the arena's height on screen, whatever the camera's zoom.
press Up      # the main menu kept CONTROLS selected: up twice to PLAY
press Up
press Return  # PLAY
sleep 0.8
press Down
press Return  # 2 PLAYERS VS
sleep 2.5
xdotool keydown Down; sleep 2; xdotool keyup Down  # to the floor, so the Up arrow starts there
snap keys_match_down
# A ragdoll left alone still bounces now and then: the lowest of three looks is its height.
xdotool keydown Up; sleep 1.2
arrow=100
for look in 1 2 3; do
  snap "keys_match_arrow$look"
  h=$(height "keys_match_arrow$look")
  [ "$h" -lt "$arrow" ] && arrow=$h
  sleep 0.4
done
xdotool keyup Up
xdotool keydown i; sleep 3
snap keys_match_i
xdotool keyup i
down=$(height keys_match_down)
held=$(height keys_match_i)
echo "player 1's lowest point above the floor, in hundredths of the arena: after Down $down, with the unbound Up arrow $arrow, with I $held"
[ "$arrow" -lt 15 ] || fail "the unbound Up arrow lifted player 1 ($arrow)"
[ "$held" -gt 40 ] || fail "I did not lift player 1 ($held)"
press Escape
sleep 0.5
press Escape
ends_soon "Escape on the main menu after the match"
expect_exit 0 || fail "the second run did not end with code 0"
grep -qx 'player 1 up = I' "$workdir/controls.cfg" || fail "the second run lost I"

echo "keys: all checks passed"
