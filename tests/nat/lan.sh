#!/usr/bin/env bash
# JOIN GAME's list on a home network made of network namespaces: a host's beacons are heard by two
# listeners on one machine of the same LAN (198.51.100.0/25 on a router's bridge), one of which
# joins it at the address heard, and by one on the host's own machine; a machine on the router's other side (203.0.113.0/28) hears nothing, though
# it can reach the host: broadcasts do not cross routers. Nothing is broadcast outside the
# namespaces made here.
# Usage: lan.sh LANFINDER. Exit 77 (skipped) without root or namespaces.
set -uo pipefail
finder=$1
skip() { echo "SKIPPED: $*"; exit 77; }

[ "$(id -u)" -eq 0 ] || skip "making network namespaces needs root"
command -v ip >/dev/null || skip "no ip command (iproute2)"

p="fflan$$"
work=$(mktemp -d)
spaces=() pids=()
cleanup() {
  local pid n
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  for n in "${spaces[@]}"; do ip netns del "$n" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

inside() { local n=$1; shift; ip netns exec "$p$n" "$@"; }
ipin() { local n=$1; shift; ip -n "$p$n" "$@"; }
space() {
  ip netns add "$p$1" || skip "network namespaces cannot be made here"
  spaces+=("$p$1")
  ipin "$1" link set lo up
}
# A machine NAME at ADDR/25 (with its broadcast address, as DHCP gives one) on the router's bridge.
machine() {
  space "$1"
  ip link add eth0 netns "$p$1" type veth peer name "to$1" netns "${p}r" || return 1
  ipin "$1" addr add "$2/25" brd + dev eth0
  ipin "$1" link set eth0 up
  ipin r link set "to$1" master home
  ipin r link set "to$1" up
  ipin "$1" route add default via 198.51.100.1
}

space r && space out || exit 1
ipin r link add home type bridge
ipin r addr add 198.51.100.1/25 brd + dev home
ipin r link set home up
inside r sysctl -qw net.ipv4.ip_forward=1
ip link add wan netns "${p}r" type veth peer name eth0 netns "${p}out" || exit 1
ipin r addr add 203.0.113.2/28 brd + dev wan
ipin out addr add 203.0.113.1/28 brd + dev eth0
ipin r link set wan up && ipin out link set eth0 up
ipin out route add 198.51.100.0/25 via 203.0.113.2
machine a1 198.51.100.2 && machine a2 198.51.100.3 || exit 1

# No ping here: a TCP connect to a closed port that is refused shows the route works both ways.
said=$(inside out timeout 3 bash -c 'exec 3<>/dev/tcp/198.51.100.2/9' 2>&1)
[[ $said == *refused* ]] || { echo "FAIL: no route from the other side of the router to the host"; exit 1; }

inside a1 "$finder" host ANNA --seconds 20 >"$work/host.out" 2>&1 &
pids+=($!)
hostpid=$!
for _ in $(seq 50); do
  grep -q "^hosting on port" "$work/host.out" && break
  sleep 0.1
done
port=$(sed -n 's/^hosting on port \([0-9]*\)$/\1/p' "$work/host.out")
[ -n "$port" ] || { echo "FAIL: the host did not start"; cat "$work/host.out"; exit 1; }

# Two listeners on one machine at once, as two games there would be; one on the host's own machine,
# which hears its LAN's broadcasts too; and one across the router.
inside a2 "$finder" list --seconds 5 >"$work/second.out" 2>&1 &
pids+=($!)
secondpid=$!
inside a1 "$finder" list --seconds 5 >"$work/self.out" 2>&1 &
pids+=($!)
selfpid=$!
inside out "$finder" list --seconds 4 >"$work/out.out" 2>&1 &
pids+=($!)
outpid=$!
sleep 0.3  # both listening before the joiner, whose join ends the beacons
inside a2 "$finder" list --seconds 5 --join >"$work/joiner.out" 2>&1
joined=$?
wait "$secondpid"; second=$?
wait "$selfpid"; self=$?
wait "$outpid"; across=$?
wait "$hostpid"; hosted=$?
pids=()
echo "host   (a1): $(tr '\n' ' ' <"$work/host.out")"
echo "joiner (a2): $(tr '\n' ' ' <"$work/joiner.out")"
echo "second (a2): $(cat "$work/second.out")"
echo "self   (a1): $(cat "$work/self.out")"
echo "across (out): $(cat "$work/out.out")"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
want="found ANNA 198.51.100.2:$port in "
[ "$joined" -eq 0 ] || fail "the joiner did not find and join the host"
grep -q "^$want" "$work/joiner.out" || fail "the joiner did not list ANNA at 198.51.100.2:$port"
[ "$second" -eq 0 ] && grep -q "^$want" "$work/second.out" || fail "a second listener on the same machine heard nothing"
[ "$self" -eq 0 ] && grep -q "^$want" "$work/self.out" || fail "the host's own machine did not hear it"
[ "$hosted" -eq 0 ] || fail "the host was not joined"
[ "$across" -eq 1 ] && grep -q "^found nothing" "$work/out.out" || fail "a beacon crossed the router"
[ "$failures" -eq 0 ] || exit 1
echo "ok: listed on the LAN, joined at the address heard, not heard across the router"
