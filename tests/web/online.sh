#!/usr/bin/env bash
# The page against the desktop: a lobby on the loopback, headless chromium (tests/web/online.mjs)
# and the desktop game in an Xvfb window. First the page hosts by room code and the desktop joins by
# it; then the desktop hosts and the page joins. A page sends no UDP, so the two play through the
# lobby's relay. Each time both keep a replay of the match, and the two must hold the same inputs
# to the same final hash.
# Usage: tests/web/online.sh FLOPFIST ASSETS BUILD   (BUILD holds lobby/flopfist-lobby and
# tests/replayhash). Screenshots: build/web-shots/online-page-*.png and tests/artefacts/web_desktop_*.png.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../real/lib.bash"
binary=$(realpath "$binary") assets=$(realpath "$assets") build=$(realpath "$3")

start_xvfb
top=$(mktemp -d)
pids=()
# The games end before their display does, so none outlives the test complaining of a lost display.
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done; kill $xvfb_pid 2>/dev/null || true; rm -rf "$top"' EXIT

# The lobby's WebSocket port is the one after its UDP port, as the page expects by default.
for _ in $(seq 1 20); do
  lobbyport=$(free_udp_port)
  python3 -c "import socket,sys; s=socket.socket(); s.bind(('127.0.0.1', int(sys.argv[1]) + 1))" "$lobbyport" 2>/dev/null && break
done
lobby=127.0.0.1:$lobbyport
"$build/lobby/flopfist-lobby" --port "$lobbyport" --ws-port $((lobbyport + 1)) >"$top/lobby.log" 2>&1 &
pids+=($!)

# Waits up to $2 tenths of a second for a non-empty file $1, while process $3 lives.
file_within() {
  for _ in $(seq 1 "$2"); do
    [ -s "$1" ] && return 0
    kill -0 "$3" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# The desktop game as DESK, in a folder of its own, with the other arguments; sets desk and deskpid.
start_desktop() {
  desk=$(mktemp -d "$top/desk-XXXX")
  for d in images sounds music; do ln -s "$assets/$d" "$desk/$d"; done
  printf '2\nDESK\n' >"$desk/online.cfg"
  # Heard in JOIN GAME on this machine only: no broadcast leaves it.
  (cd "$desk" && exec "$binary" --lobby "$lobby" --announce machine "$@") >"$desk/out.txt" &
  deskpid=$!; pids+=("$deskpid")
}

# Once the desktop's match is on, tells the page (file $1/joined), plays, shows F3 and waits for the
# page to leave; then both replays must be alike, as the versus match of $2. Shots named web_desktop_$3*.
play_and_compare() {
  local out=$1 names=$2 shots=web_desktop_$3 page desk_hash
  local win
  win=$(window_of "$deskpid")
  focus "$win"
  for _ in $(seq 1 120); do
    snap "$shots"
    match_on "$shots" && break
    sleep 0.5
  done
  match_on "$shots" || { cat "$top/lobby.log"; fail "no match on the desktop's screen ($3)"; }
  touch "$out/joined"
  xdotool key F3
  hold Left 1.5
  snap "${shots}_f3"
  hold Right 1
  wait "$pagepid" || fail "the page's side failed ($3)"
  for _ in $(seq 1 50); do
    compgen -G "$desk/replays/*.ffr" >/dev/null && break
    sleep 0.1
  done
  sleep 0.5
  snap "${shots}_menu"  # the ONLINE menu's foot names the path
  [ -f "$out/page.ffr" ] || fail "the page handed over no replay ($3)"
  page=$("$build/tests/replayhash" "$out/page.ffr") || fail "the page's replay: $page"
  desk_hash=$("$build/tests/replayhash" "$desk"/replays/*.ffr) || fail "the desktop's replay: $desk_hash"
  echo "page:    $page"
  echo "desktop: $desk_hash"
  [ "$page" = "$desk_hash" ] || fail "the page's and the desktop's replays differ ($3)"
  case $page in "$names steps "*) ;; *) fail "not the versus replay of $names: $page" ;; esac
  kill "$deskpid" 2>/dev/null || true
}

# ---- The page hosts, the desktop joins by the code ----
out=$(mktemp -d "$top/page-hosts-XXXX")
node "$here/online.mjs" "$lobby" "$out" &
pagepid=$!; pids+=("$pagepid")
file_within "$out/code" 900 "$pagepid" || { cat "$top/lobby.log"; fail "the page printed no room code"; }
code=$(cat "$out/code")
joined_at=$(date +%s%N)
start_desktop --join "$code"
play_and_compare "$out" "HOST VS DESK" joins
grep -q "room $code relayed" "$top/lobby.log" || { cat "$top/lobby.log"; fail "the lobby logged no relayed path for $code"; }
echo "the page hosted $code; the desktop joined and the two kept the match alike"

# ---- The desktop hosts, the page joins by the code ----
out=$(mktemp -d "$top/page-joins-XXXX")
start_desktop --host "$(free_udp_port)"
file_within "$desk/out.txt" 600 "$deskpid" || fail "the desktop host printed nothing"
code=$(sed -n 's/^room code: \([2-9A-Z]\{5\}\)$/\1/p' "$desk/out.txt")
[ -n "$code" ] || { cat "$desk/out.txt" "$top/lobby.log"; fail "the desktop host printed no room code"; }
node "$here/online.mjs" "$lobby" "$out" "$code" &
pagepid=$!; pids+=("$pagepid")
play_and_compare "$out" "DESK VS GUEST" hosts
grep -q "room $code relayed" "$top/lobby.log" || { cat "$top/lobby.log"; fail "the lobby logged no relayed path for $code"; }
cat "$top/lobby.log"
echo "the desktop hosted $code; the page joined and the two kept the match alike"
