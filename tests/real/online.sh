#!/usr/bin/env bash
# As two players on one machine: flopfist --host in one window, found in the other's JOIN GAME list
# and joined with Enter. Both play; Escape on one side tells the other at once and both keep a
# replay, the two alike to the last frame; back in the ONLINE menu both choose the rematch, play it
# and keep it alike too; a host (joined by --join 127.0.0.1) killed mid-match leaves the joiner
# with CONNECTION LOST and its replay within a few seconds; and through a lobby started here,
# --host prints its room code and --join CODE plays a match by it.
source "$(dirname "${BASH_SOURCE[0]}")/lib.bash"

start_xvfb
workdirs=()
pids=()
trap 'kill $xvfb_pid 2>/dev/null || true; for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "${workdirs[@]}"' EXIT

# Starts the game in a fresh folder as the player named $1, with the other arguments; sets dir and pid.
# A host announces itself to this machine only: no test broadcasts on a real network.
start_side() {
  make_workdir; workdirs+=("$workdir"); dir=$workdir
  printf '2\n%s\n' "$1" >"$dir/online.cfg"
  shift
  (cd "$dir" && exec "$binary" --announce machine "$@") &
  pid=$!; pids+=("$pid")
}
# Waits up to $2 seconds for a replay in folder $1.
replay_within() {
  local n=$(( $2 * 10 ))
  for _ in $(seq 1 "$n"); do
    compgen -G "$1/replays/*.ffr" >/dev/null && return 0
    sleep 0.1
  done
  return 1
}

port=$(free_udp_port)

# ---- Both play; the joiner leaves with Escape ----
start_side ANNA --host "$port"; hostdir=$dir; hostpid=$pid
hostwin=$(window_of "$hostpid")
# The joiner finds ANNA in JOIN GAME's list (beaconed on this machine only) and joins with Enter:
# PLAY, down to 2 PLAYERS ONLINE, JOIN GAME.
start_side bo; guestdir=$dir; guestpid=$pid
guestwin=$(window_of "$guestpid")
focus "$guestwin"
await_mainmenu online_guest_menu
press Return
for _ in 1 2 3 4; do press Down; done
press Return; press Down; press Return
sleep 2  # a beacon a second
snap online_join_list
press Return
for _ in $(seq 1 60); do
  snap online_guest
  match_on online_guest && break
  sleep 0.5
done
match_on online_guest || { focus "$hostwin"; xdotool windowraise "$hostwin"; sleep 0.3; snap online_host_waiting; fail "the joiner's match did not start from JOIN GAME's list"; }
hold Left 1.5; xdotool key F3
focus "$hostwin"; hold Right 1.5
snap online_host
match_on online_host || fail "no match in the host's window"
focus "$guestwin"
press Escape
replay_within "$guestdir" 3 || fail "the joiner kept no replay"
replay_within "$hostdir" 3 || fail "the host was not told the joiner left, or kept no replay"
kill -0 "$hostpid" || fail "the host ended"
# The two replays hold the same inputs up to the same end, and each reaches the final hash it kept.
build=$3
cp "$hostdir"/replays/*.ffr "$artefacts/online_host.ffr"; cp "$guestdir"/replays/*.ffr "$artefacts/online_guest.ffr"
hosts=$("$build/tests/replayhash" "$hostdir"/replays/*.ffr) || fail "the host's replay: $hosts"
guests=$("$build/tests/replayhash" "$guestdir"/replays/*.ffr) || fail "the joiner's replay: $guests"
echo "host:  $hosts"
echo "guest: $guests"
[ "$hosts" = "$guests" ] || fail "the two replays differ"
case $hosts in "ANNA VS BO steps "*) ;; *) fail "not the versus replay of ANNA and BO: $hosts" ;; esac

# ---- Both back in the ONLINE menu: a rematch once both choose it, and the host leaves it ----
focus "$guestwin"
sleep 0.5
snap online_rematch_menu
press Return
focus "$hostwin"
press Return
for _ in $(seq 1 40); do
  snap online_rematch
  match_on online_rematch && break
  sleep 0.5
done
match_on online_rematch || fail "no rematch in the host's window"
hold Right 1
press Escape
for _ in $(seq 1 30); do
  [ "$(ls "$hostdir"/replays/*.ffr | wc -l)" = 2 ] && [ "$(ls "$guestdir"/replays/*.ffr | wc -l)" = 2 ] && break
  sleep 0.1
done
hosts=$("$build/tests/replayhash" "$hostdir"/replays/*.ffr) || fail "the host's replays: $hosts"
guests=$("$build/tests/replayhash" "$guestdir"/replays/*.ffr) || fail "the joiner's replays: $guests"
echo "rematch, host:  $hosts"
echo "rematch, guest: $guests"
[ "$(echo "$hosts" | wc -l)" = 2 ] || fail "the rematch was not kept on both sides"
[ "$hosts" = "$guests" ] || fail "the two replays of the rematch differ"
kill "$hostpid" "$guestpid"

# ---- The host killed mid-match ----
port=$(free_udp_port)
start_side "" --host "$port"; hostdir=$dir; hostpid=$pid
hostwin=$(window_of "$hostpid")
start_side "" --join "127.0.0.1:$port"; guestdir=$dir; guestpid=$pid
guestwin=$(window_of "$guestpid")
focus "$guestwin"
# The match is on once the joiner's window shows player 1 (start-up is slow on a busy machine).
for _ in $(seq 1 60); do
  snap online_guest
  match_on online_guest && break
  sleep 0.5
done
match_on online_guest || { focus "$hostwin"; xdotool windowraise "$hostwin"; sleep 0.3; snap online_host_waiting; fail "the joiner's match did not start (host killed)"; }
sleep 1
kill -9 "$hostpid"
replay_within "$guestdir" 5 || fail "no CONNECTION LOST and replay within 5 s of the host's end"
kill -0 "$guestpid" || fail "the joiner ended with the host"
lost=$("$build/tests/replayhash" "$guestdir"/replays/*.ffr) || fail "the joiner's replay after the loss: $lost"
focus "$guestwin"
snap online_lost
lit "$(region_max online_lost 600 80 212 300)" || fail "no message on the joiner's screen"
echo "the joiner kept its replay after the host was killed"
kill "$guestpid" 2>/dev/null || true

# ---- By room code through a local lobby ----
lobbyport=$(free_udp_port)
make_workdir; workdirs+=("$workdir"); lobbylog=$workdir/lobby.log
"$build/lobby/flopfist-lobby" --port "$lobbyport" --ws-port 0 >"$lobbylog" 2>&1 &
lobbypid=$!; pids+=("$lobbypid")
port=$(free_udp_port)
make_workdir; workdirs+=("$workdir"); hostdir=$workdir
printf '2\nANNA\n' >"$hostdir/online.cfg"
(cd "$hostdir" && exec "$binary" --announce machine --lobby "127.0.0.1:$lobbyport" --host "$port") >"$hostdir/out.txt" &
hostpid=$!; pids+=("$hostpid")
hostwin=$(window_of "$hostpid")
code=""
for _ in $(seq 1 300); do
  code=$(sed -n 's/^room code: \([2-9A-Z]\{5\}\)$/\1/p' "$hostdir/out.txt")
  [ -n "$code" ] && break
  sleep 0.1
done
[ -n "$code" ] || { cat "$hostdir/out.txt" "$lobbylog"; fail "the host printed no room code"; }
echo "room code $code"
grep -q "^127.0.0.1:$lobbyport\$" "$hostdir/online.cfg" || fail "--lobby was not kept in online.cfg"
focus "$hostwin"
snap online_code_host
joined_at=$(date +%s%N)
start_side bo --lobby "127.0.0.1:$lobbyport" --join "$code"; guestdir=$dir; guestpid=$pid
guestwin=$(window_of "$guestpid")
focus "$guestwin"
for _ in $(seq 1 60); do
  snap online_code_guest
  match_on online_code_guest && break
  sleep 0.5
done
match_on online_code_guest || { cat "$lobbylog"; fail "no match by room code"; }
echo "from --join $code to the match on the joiner's screen: $(( ($(date +%s%N) - joined_at) / 1000000 )) ms (window start-up included)"
xdotool key F3
hold Left 1
snap online_code_f3
press Escape
replay_within "$guestdir" 3 || fail "the joiner by code kept no replay"
sleep 0.5
snap online_code_menu  # the ONLINE menu's foot names the path while the link stays open
replay_within "$hostdir" 3 || fail "the host by code kept no replay"
hosts=$("$build/tests/replayhash" "$hostdir"/replays/*.ffr) || fail "the host's replay by code: $hosts"
guests=$("$build/tests/replayhash" "$guestdir"/replays/*.ffr) || fail "the joiner's replay by code: $guests"
echo "by code, host:  $hosts"
echo "by code, guest: $guests"
[ "$hosts" = "$guests" ] || fail "the two replays by code differ"
cat "$lobbylog"
grep -q "room $code punched" "$lobbylog" || fail "the lobby logged no punched path for $code"
echo "the match by room code was played and kept alike"
