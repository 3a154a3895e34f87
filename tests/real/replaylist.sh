#!/usr/bin/env bash
# The REPLAYS list with 21 files, under Xvfb with the real binary: the title, the column headers
# and the first row each have dark rows of pixels between them.
source "$(dirname "${BASH_SOURCE[0]}")/lib.bash"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# The runs of lit pixel rows, "first-last" each, in the top 180 rows of a game frame.
lit_runs() {  # shot
  convert "$artefacts/$1-frame.png" -crop 1024x180+0+0 +repage -colorspace gray -threshold 12% \
    -scale '1x180!' -compress none pgm:- |
    awk 'NR > 3 { for (i = 1; i <= NF; ++i) { lit = $i > 0; if (lit && !on) start = y; if (!lit && on) printf "%d-%d ", start, y - 1; on = lit; ++y } }
         END { if (on) printf "%d-%d ", start, y - 1; print "" }'
}

start_xvfb
make_workdir
mkdir "$workdir/replays"
for k in $(seq 1 21); do
  cp "$here/../replays/$(echo single coop versus | cut -d' ' -f$((k % 3 + 1))).ffr" "$workdir/replays/$(printf '%06d' "$k").ffr"
done
start_game
win=$(await_window)
focus "$win"
await_mainmenu replaylist_mainmenu
press Return  # PLAY
sleep 0.3
press Up      # 2 PLAYERS ONLINE, at the foot
press Up      # REPLAYS
press Return
sleep 1
snap replaylist
runs=$(lit_runs replaylist)
echo "lit rows: $runs"
set -- $runs
[ $# -ge 3 ] || fail "the title, the headers and the first row run together: $runs"
title_end=${1#*-}; header_start=${2%-*}
[ "$title_end" -lt "$header_start" ] || fail "the title reaches the headers"
press Escape
press Escape
press Escape
ends_soon "Escape back to the main menu and out"
echo "replaylist: 21 replays listed without overlap"
