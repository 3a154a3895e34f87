#!/usr/bin/env bash
# As a player: a short match, then PLAY, REPLAYS: the list, the match watched again, pause, double
# speed, Escape back; and flopfist --replay with a good file and a cut one, with the real binary.
source "$(dirname "${BASH_SOURCE[0]}")/lib.bash"

# Right edge of the lit pixels in a region of the game frame (0 when none is lit).
lit_right() {  # shot w h x y
  local box
  box=$(convert "$artefacts/$1-frame.png" -crop "$2x$3+$4+$5" +repage -colorspace Gray -threshold 30% \
    -format '%@' info:)
  [[ $box =~ ^([0-9]+)x[0-9]+\+([0-9]+)\+ ]] || { echo 0; return; }
  echo $((BASH_REMATCH[1] + BASH_REMATCH[2]))
}
# Nothing where the replay's status sits at the top left (the list's palette colours vary, so
# this is what tells a replay from the screens around it).
dark() { awk -v v="$(region_max "$1" 300 30 0 0)" 'BEGIN { exit !(v < 0.05) }'; }
start_xvfb
workdirs=()
trap 'kill $xvfb_pid 2>/dev/null || true; kill $game_pid 2>/dev/null || true; rm -rf "${workdirs[@]}"' EXIT

# ---- A short match, left with Escape ----
make_workdir; workdirs+=("$workdir")
start_game
win=$(wait_window)
focus "$win"
await_mainmenu replay_mainmenu
press Return  # PLAY
sleep 0.8
press Return  # 1 PLAYER
sleep 2
hold Right 1.5
hold Up 1
hold Left 1.5
# A blow landed puts points on the board, and the game asks LEAVE? first: Escape again leaves.
leave_to_mainmenu replay_leaving
replays=("$workdir"/replays/*.ffr)
[ ${#replays[@]} -eq 1 ] && [ -s "${replays[0]}" ] || fail "one replay after one match, found: ${replays[*]}"
echo "replay of a $(stat -c %s "${replays[0]}")-byte file"

# ---- PLAY, REPLAYS: the list ----
press Return
sleep 0.8
press Down; press Down; press Down
press Return
# The title, looked at until it shows (the play-mode menu has nothing there).
for _ in $(seq 1 30); do
  snap replay_list
  lit "$(region_max replay_list 600 100 212 20)" && break
  sleep 0.2
done
lit "$(region_max replay_list 600 100 212 20)" || fail "no REPLAYS title"
[ "$(lit_right replay_list 1000 34 0 150)" -gt 800 ] || fail "no row for the match in the list"

# ---- Watching: it moves, P holds it still, Space doubles the speed ----
press Return
sleep 1.5
snap replay_watch
[ "$(player_pixels replay_watch)" -ge 300 ] || fail "the match is not on screen while watching"
lit "$(region_max replay_watch 1024 30 0 738)" || fail "no keys shown at the foot"
normal=$(lit_right replay_watch 330 30 0 0)
press p
sleep 0.4
snap replay_paused_a
sleep 0.8
snap replay_paused_b
[ "$(changed replay_paused_a replay_paused_b)" -eq 0 ] || fail "the paused replay moves"
[ "$(lit_right replay_paused_a 330 30 0 0)" -gt "$normal" ] || fail "PAUSED is not shown"
press Right
sleep 0.3
snap replay_stepped
[ "$(changed replay_paused_b replay_stepped)" -gt 0 ] || fail "Right did not step a frame"
press p
press space
sleep 0.3
snap replay_fast
[ "$(lit_right replay_fast 330 30 0 0)" -gt "$normal" ] || fail "DOUBLE SPEED is not shown"
sleep 4  # the rest of the match at double speed
snap replay_end
lit "$(region_max replay_end 1024 60 0 300)" || fail "no words at the end of the replay"

# ---- Escape back to the list, the menus, and out ----
press Escape
sleep 0.6
snap replay_back
dark replay_back || fail "Escape did not leave the replay"
lit "$(region_max replay_back 600 100 212 20)" || fail "Escape did not go back to the list"
press Escape
sleep 0.4
press Escape
sleep 0.4
press Escape
expect_exit 0 || fail "Escape on the main menu after watching"

# ---- The file on the command line, then the file cut in half ----
shared="$workdir/shared.ffr"
cp "${replays[0]}" "$shared"
(cd "$workdir" && exec "$binary" --replay "$shared") &
game_pid=$!
win=$(wait_window)
focus "$win"
sleep 2.8
snap replay_shared
[ "$(player_pixels replay_shared)" -ge 300 ] || fail "--replay does not show the match"
press Escape
expect_exit 0 || fail "--replay with a good file, left with Escape"

head -c $(($(stat -c %s "$shared") / 2)) "$shared" > "$workdir/cut.ffr"
(cd "$workdir" && exec "$binary" --replay "$workdir/cut.ffr") &
game_pid=$!
win=$(wait_window)
focus "$win"
sleep 2.8
snap replay_cut
lit "$(region_max replay_cut 1024 60 0 320)" || fail "no words about the cut file"
dark replay_cut || fail "a cut file must not play"
press Escape
expect_exit 1 || fail "--replay with a cut file"

echo "replay: all checks passed"
