#!/usr/bin/env bash
# Two games meet through the lobby from behind home routers made of network namespaces, and play a
# scripted match over the path they find; both sides' final hashes must agree.
#   (a) two routers that keep a socket's port for every destination: the games punch through;
#   (b) one that gives each destination a new port (--random-fully): they fall back to the relay;
#   (c) both players behind one router: they reach each other by their LAN addresses;
#   (d) two plain routers again, with nothing lost in the middle (below): punched all the same.
# The lobby sits on a router in the middle, which loses the first packet each home router sends
# through it: with no latency on these links, a probe would otherwise reach the far router before
# that router has seen its own side's first probe, and conntrack would hold the pair blocked. On
# the internet latency orders them the other way. The games' first probes go out with a low TTL,
# which opens their own router's mapping and dies before the far one: (d) shows that alone is
# enough (with every probe at the usual TTL, natdriver --full-ttl, it is relayed).
# Only documentation addresses are used: 203.0.113.0/24 between the routers, 198.51.100.0/24 at home.
# Usage: routers.sh NATDRIVER LOBBY [FRAMES]. Exit 77 (skipped) without root or namespaces.
# NATTRACE=1 shows each side's meeting step by step.
set -uo pipefail
driver=$1 lobby=$2 frames=${3:-420}
skip() { echo "SKIPPED: $*"; exit 77; }

[ "$(id -u)" -eq 0 ] || skip "making network namespaces needs root"
command -v ip >/dev/null || skip "no ip command (iproute2)"
if ! command -v iptables >/dev/null; then
  echo "iptables is missing: scripts/setup installs it" >&2
  exit 1
fi

top=$(mktemp -d)
# Each case's own: its namespaces' prefix, folder, and the processes it started.
p="" work="" spaces=() lobbypid="" hostpid="" guestpid=""
cleanup() {
  local pid n
  for pid in $hostpid $guestpid $lobbypid; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  for n in "${spaces[@]}"; do ip netns del "$n" 2>/dev/null; done
  spaces=() lobbypid="" hostpid="" guestpid=""
}

inside() { local n=$1; shift; ip netns exec "$p$n" "$@"; }
ipin() { local n=$1; shift; ip -n "$p$n" "$@"; }  # ip's own way in: one process, not two
space() {
  ip netns add "$p$1" || skip "network namespaces cannot be made here"
  spaces+=("$p$1")
  ipin "$1" link set lo up
}
# A cable between two namespaces: link NS1 IF1 ADDR1 NS2 IF2 ADDR2 (either address may be -).
link() {
  ip link add "$2" netns "$p$1" type veth peer name "$5" netns "$p$4" || return 1
  [ "$3" = - ] || ipin "$1" addr add "$3" dev "$2"
  [ "$6" = - ] || ipin "$4" addr add "$6" dev "$5"
  ipin "$1" link set "$2" up && ipin "$4" link set "$5" up
}
# A home router NAME, its public side's gateway GW, its LAN address on a bridge, and MASQUERADE
# with any extra options.
router() {
  local name=$1 gw=$2 lanaddr=$3
  shift 3
  ipin "$name" route add default via "$gw"
  ipin "$name" link add home type bridge
  ipin "$name" addr add "$lanaddr" dev home
  ipin "$name" link set home up
  inside "$name" sysctl -qw net.ipv4.ip_forward=1
  inside "$name" iptables -t nat -A POSTROUTING -o wan -j MASQUERADE "$@"
}
# A player NAME at ADDR/25 behind router R (gateway GW).
player() {
  local name=$1 addr=$2 r=$3 gw=$4
  space "$name"
  link "$name" eth0 "$addr/25" "$r" "to$name" - || return 1
  ipin "$r" link set "to$name" master home
  ipin "$name" route add default via "$gw"
}

# The middle: the lobby's router, 203.0.113.1 towards router a, 203.0.113.17 towards router b,
# losing each home router's first packet or not (LOSE: first or none); router b's MASQUERADE
# options follow.
network() {
  local lose=$1
  shift
  local options_b=("$@")
  space mid && space ra && space rb || return 1
  link mid toa 203.0.113.1/28 ra wan 203.0.113.2/28 || return 1
  link mid tob 203.0.113.17/28 rb wan 203.0.113.18/28 || return 1
  inside mid sysctl -qw net.ipv4.ip_forward=1
  if [ "$lose" = first ]; then
    inside mid iptables -A FORWARD -m recent --name seen --rcheck -j ACCEPT &&
      inside mid iptables -A FORWARD -m recent --name seen --set -j DROP || return 1
  fi
  router ra 203.0.113.1 198.51.100.1/25 || return 1
  router rb 203.0.113.17 198.51.100.129/25 "${options_b[@]}" || return 1
  player a1 198.51.100.2 ra 198.51.100.1 && player a2 198.51.100.3 ra 198.51.100.1 &&
    player b1 198.51.100.130 rb 198.51.100.129
}

# No ping here: a TCP connect to a closed port of the lobby's router that is refused shows the
# route works both ways.
reaches() {
  local said
  said=$(inside "$1" timeout 3 bash -c 'exec 3<>/dev/tcp/203.0.113.1/9' 2>&1)
  [[ $said == *refused* ]]
}

startlobby() {
  # Straight through ip (which becomes the program), not the function: $! must be the program.
  ip netns exec "${p}mid" "$lobby" --port 27961 --ws-port 0 --address 203.0.113.1 >"$work/lobby.log" 2>&1 &
  lobbypid=$!
  for _ in $(seq 50); do
    grep -q "listening on udp port" "$work/lobby.log" && return 0
    sleep 0.1
  done
  echo "the lobby did not start:" >&2
  cat "$work/lobby.log" >&2
  return 1
}

# One case: NAME, the host's and the guest's namespaces, the path both must report, whether the
# middle loses first packets, and router b's MASQUERADE options. Fails (1) or passes (0).
runcase() {
  local name=$1 host=$2 guest=$3 want=$4
  shift 4
  local began=$SECONDS
  echo "== $name"
  if ! network "$@"; then
    echo "FAIL $name: the namespaces could not be built"
    return 1
  fi
  local n
  for n in a1 a2 b1; do
    if ! reaches "$n"; then
      echo "FAIL $name: no route from $n to the lobby's router"
      return 1
    fi
  done
  startlobby || return 1
  ip netns exec "$p$host" "$driver" 203.0.113.1:27961 host --frames "$frames" ${NATTRACE:+--trace} >"$work/host.out" 2>&1 &
  hostpid=$!
  local code=""
  for _ in $(seq 50); do
    code=$(sed -n 's/^room code: //p' "$work/host.out")
    [ -n "$code" ] && break
    sleep 0.1
  done
  local guestcode=1 hostcode=1
  if [ -n "$code" ]; then
    # In the background and waited for, so that a signal to end the case is taken at once.
    ip netns exec "$p$guest" "$driver" 203.0.113.1:27961 join "$code" --frames "$frames" ${NATTRACE:+--trace} >"$work/guest.out" 2>&1 &
    guestpid=$!
    wait "$guestpid"
    guestcode=$?
    guestpid=""
  else
    echo "no room code from the host" >"$work/guest.out"
  fi
  # The host ends within a moment of the guest; one left waiting for a guest that failed goes.
  for _ in $(seq 50); do
    kill -0 "$hostpid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$hostpid" 2>/dev/null
  wait "$hostpid"
  hostcode=$?
  hostpid=""
  local hostline guestline
  hostline=$(tail -n 1 "$work/host.out")
  guestline=$(tail -n 1 "$work/guest.out")
  echo "host  ($host): $hostline"
  echo "guest ($guest): $guestline"
  local hosthash guesthash
  hosthash=$(sed -n 's/.*match hash \([0-9a-f]*\)$/\1/p' <<<"$hostline")
  guesthash=$(sed -n 's/.*match hash \([0-9a-f]*\)$/\1/p' <<<"$guestline")
  local why=""
  [ "$hostcode" -eq 0 ] && [ "$guestcode" -eq 0 ] || why="a side did not finish the match"
  [ -z "$why" ] && [ "${hostline%% *}" != "$want" ] && why="the host's path is ${hostline%% *}, not $want"
  [ -z "$why" ] && [ "${guestline%% *}" != "$want" ] && why="the guest's path is ${guestline%% *}, not $want"
  [ -z "$why" ] && { [ -z "$hosthash" ] || [ "$hosthash" != "$guesthash" ]; } && why="the final hashes differ"
  if [ -n "${NATTRACE:-}" ]; then
    echo "-- host"; cat "$work/host.out"; echo "-- guest"; cat "$work/guest.out"
  fi
  if [ -n "$why" ]; then
    echo "FAIL $name: $why"
    echo "-- host"; cat "$work/host.out"; echo "-- guest"; cat "$work/guest.out"; echo "-- lobby"; cat "$work/lobby.log"
    return 1
  fi
  echo "ok $name: $want in $((SECONDS - began)) s"
}

# The cases run side by side, each in a subshell with its own namespaces (the case's letter ends
# their prefix), folder and lobby, which it cleans up however it ends; their reports come in order.
casepids=()
startcase() {
  local k=$1
  shift
  (
    p="ffnat$$$k" work="$top/$k"
    mkdir -p "$work"
    trap cleanup EXIT
    trap 'exit 130' INT TERM
    runcase "$@"
  ) >"$top/$k.log" 2>&1 &
  casepids+=($!)
}
ending() {
  local pid
  for pid in "${casepids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  rm -rf "$top"
}
trap ending EXIT
trap 'exit 130' INT TERM

startcase a "(a) two plain routers" a1 b1 PUNCHED first
startcase b "(b) one router with a new port per destination" a1 b1 RELAYED first --random-fully
startcase c "(c) both players behind one router" a1 a2 LAN first
startcase d "(d) two plain routers, nothing lost in the middle" a1 b1 PUNCHED none
failures=0 skipped=0
for k in a b c d; do
  wait "${casepids[0]}"
  code=$?
  casepids=("${casepids[@]:1}")
  cat "$top/$k.log"
  [ "$code" -eq 77 ] && skipped=1
  [ "$code" -ne 0 ] && [ "$code" -ne 77 ] && failures=$((failures + 1))
done
[ "$failures" -eq 0 ] || { echo "$failures case(s) failed"; exit 1; }
[ "$skipped" -eq 0 ] || exit 77
echo "all cases passed in $SECONDS s"
