#!/usr/bin/env bash
# The page against the desktop: a lobby on the loopback; headless chromium hosts by room code
# (tests/web/online.mjs) and the desktop game joins by the code in an Xvfb window. A page sends no
# UDP, so the two play through the lobby's relay. Both keep a replay of the match, and the two must
# hold the same inputs to the same final hash.
# Usage: tests/web/online.sh FLOPFIST ASSETS BUILD   (BUILD holds lobby/flopfist-lobby and
# tests/replayhash). Screenshots: build/web-shots/online-page-*.png and tests/artefacts/web_desktop_*.png.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../real/lib.bash"
binary=$(realpath "$binary") assets=$(realpath "$assets") build=$(realpath "$3")

start_xvfb
out=$(mktemp -d)
make_workdir; deskdir=$workdir
pids=()
trap 'kill $xvfb_pid 2>/dev/null || true; for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$out" "$deskdir"' EXIT

# The lobby's WebSocket port is the one after its UDP port, as the page expects by default.
for _ in $(seq 1 20); do
  lobbyport=$(free_udp_port)
  python3 -c "import socket,sys; s=socket.socket(); s.bind(('127.0.0.1', int(sys.argv[1]) + 1))" "$lobbyport" 2>/dev/null && break
done
"$build/lobby/flopfist-lobby" --port "$lobbyport" --ws-port $((lobbyport + 1)) >"$out/lobby.log" 2>&1 &
pids+=($!)

node "$here/online.mjs" "127.0.0.1:$lobbyport" "$out" &
pagepid=$!; pids+=("$pagepid")
code=""
for _ in $(seq 1 900); do
  [ -s "$out/code" ] && { code=$(cat "$out/code"); break; }
  kill -0 "$pagepid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$code" ] || { cat "$out/lobby.log"; fail "the page printed no room code"; }

printf '2\nDESK\n' >"$deskdir/online.cfg"
joined_at=$(date +%s%N)
(cd "$deskdir" && exec "$binary" --lobby "127.0.0.1:$lobbyport" --join "$code") &
deskpid=$!; pids+=("$deskpid")
deskwin=$(window_of "$deskpid")
focus "$deskwin"
for _ in $(seq 1 90); do
  snap web_desktop
  match_on web_desktop && break
  sleep 0.5
done
match_on web_desktop || { cat "$out/lobby.log"; fail "no match on the desktop's screen"; }
echo "from --join $code to the match on the desktop's screen: $(( ($(date +%s%N) - joined_at) / 1000000 )) ms (window start-up included)"
touch "$out/joined"
xdotool key F3
hold Left 1.5
snap web_desktop_f3
hold Right 1
wait "$pagepid" || fail "the page's side failed"
for _ in $(seq 1 50); do
  compgen -G "$deskdir/replays/*.ffr" >/dev/null && break
  sleep 0.1
done
sleep 0.5
snap web_desktop_menu  # the ONLINE menu's foot names the path
[ -f "$out/page.ffr" ] || fail "the page handed over no replay"
page=$("$build/tests/replayhash" "$out/page.ffr") || fail "the page's replay: $page"
desk=$("$build/tests/replayhash" "$deskdir"/replays/*.ffr) || fail "the desktop's replay: $desk"
echo "page:    $page"
echo "desktop: $desk"
[ "$page" = "$desk" ] || fail "the page's and the desktop's replays differ"
case $page in "HOST VS DESK steps "*) ;; *) fail "not the versus replay of HOST and DESK: $page" ;; esac
cat "$out/lobby.log"
grep -q "room $code relayed" "$out/lobby.log" || fail "the lobby logged no relayed path for $code"
echo "the page and the desktop played one match through the relay and kept it alike"
