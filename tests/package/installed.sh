#!/usr/bin/env bash
# The game as its .deb installs it: the desktop entry and catalogue entry validate, lintian finds no
# error, and the game unpacked into a scratch root (dpkg -x), started from an empty working folder
# with a scratch HOME and no FLOPFIST_* or XDG_* variables, finds its data through
# <executable>/../share/games/flopfist, writes nothing at all on a first run that changes nothing,
# then keeps a changed option under ~/.config/flopfist and a match's replay under
# ~/.local/share/flopfist, and never writes in the working folder. The window carries the icon
# and the desktop entry's window class.
# Usage: tests/package/installed.sh build/flopfist_<version>_<arch>.deb
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
deb=$(realpath "$1")
scratch=$(mktemp -d /tmp/flopfist-package-XXXXXX)
root=$scratch/root
dpkg -x "$deb" "$root"
# lintian takes half a minute: it runs while the game is tried.
(lintian --display-info --pedantic "$deb" >"$scratch/lintian" 2>&1; echo $? >"$scratch/lintian.rc") &
lintian_pid=$!
echo "== The installed tree ($(stat -c %s "$deb") bytes packed, $(dpkg-deb -f "$deb" Installed-Size) KB installed)"
(cd "$root" && find . -mindepth 1 | sort | sed 's|^\./|/|')
# The dependency's font, as an installed fonts-liberation would put it beside the game.
font=$(readlink "$root/usr/share/games/flopfist/images/font.ttf")
font=$(realpath -m "/usr/share/games/flopfist/images/$font")
mkdir -p "$root$(dirname "$font")"
ln -s "$font" "$root$font"
unpacked=$scratch/unpacked  # anything in the root newer than this, the game wrote
touch "$unpacked"
source "$here/../real/lib.bash" "$root/usr/games/flopfist" "$root/usr/share/games/flopfist"
unset FLOPFIST_HOME FLOPFIST_DATA XDG_CONFIG_HOME XDG_DATA_HOME
export HOME=$scratch/home
mkdir -p "$HOME"
appid=$(basename "$root"/usr/share/applications/*.desktop .desktop)

desktop-file-validate "$root/usr/share/applications/$appid.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$appid.metainfo.xml" || fail "appstreamcli validate"
for size in 48 64 128 256; do
  [ "$(identify -format '%wx%h' "$root/usr/share/icons/hicolor/${size}x$size/apps/$appid.png")" = "${size}x$size" ] ||
    fail "the ${size}x$size icon is not that size"
done
grep -qx "StartupWMClass=$appid" "$root/usr/share/applications/$appid.desktop" || fail "no StartupWMClass=$appid"

start_xvfb
trap 'kill $xvfb_pid 2>/dev/null || true; kill $game_pid 2>/dev/null || true; rm -rf "$scratch"' EXIT
workdir=$scratch/work
mkdir "$workdir"
notes=$scratch/notes  # this script's own files
mkdir "$notes"
# Every file in the scratch HOME and the working folder, and any the installed tree gained.
snapshot() { (cd "$scratch" && find home work | sort; cd "$root" && find . -newer "$unpacked" | sort); }
start_installed() {
  (cd "$workdir" && exec "$binary" 2>"$notes/stderr") &
  game_pid=$!
  win=$(await_window) || true
  [ -n "$win" ] || { cat "$notes/stderr" >&2; fail "the installed game's window did not appear"; }
  focus "$win"
}

# ---- The quiet first run: to the main menu and out, nothing written anywhere ----
before=$(snapshot)
start_installed
await_mainmenu package_mainmenu
# The window's class and icon, as a dock or task switcher reads them.
xprop -id "$win" WM_CLASS | grep -q "\"$appid\"" || fail "window class: $(xprop -id "$win" WM_CLASS)"
xprop -id "$win" -notype 32c _NET_WM_ICON | python3 -c '
import sys
words = [int(w) for w in sys.stdin.read().split("=", 1)[1].replace(",", " ").split()]
w, h = words[0], words[1]
out = bytearray()
for argb in words[2:2 + w * h]:
    out += bytes([(argb >> 16) & 255, (argb >> 8) & 255, argb & 255, (argb >> 24) & 255])
sys.stdout.buffer.write(b"%d %d\n" % (w, h) + out)' >"$notes/icon.raw"
read -r iw ih <"$notes/icon.raw"
tail -c +$(($(head -n 1 "$notes/icon.raw" | wc -c) + 1)) "$notes/icon.raw" >"$notes/icon.rgba"
convert -size "${iw}x$ih" -depth 8 "rgba:$notes/icon.rgba" "$artefacts/package_window_icon.png"
[ "$(compare -metric AE "$artefacts/package_window_icon.png" "$root/usr/share/games/flopfist/images/icon64.png" null: 2>&1 | cut -d' ' -f1)" = 0 ] ||
  fail "the window's icon is not the game's icon"
# The icon as the window carries it, beside the window: what a title bar or dock would show.
convert "$artefacts/package_mainmenu-frame.png" -resize 50% \( "$artefacts/package_window_icon.png" -background '#303030' -gravity center -extent 96x96 \) \
  -background '#303030' -gravity north +append "$artefacts/package_window_with_icon.png"
press Escape
ends_soon "Escape on the main menu"
expect_exit 0 || fail "the first run did not end with code 0"
[ ! -s "$notes/stderr" ] || { cat "$notes/stderr" >&2; fail "the first run printed messages"; }
[ "$(snapshot)" = "$before" ] || fail "the quiet first run wrote: $(diff <(echo "$before") <(snapshot) | grep '^>')"

# ---- Changing GRAVITY, and a versus match left at once: each kept in its XDG folder ----
start_installed
await_mainmenu package_second
press Down     # OPTIONS
press Return
sleep 0.4
press Right    # GRAVITY 1 -> 2
press Escape
sleep 0.4
press Up       # PLAY
press Return
sleep 0.8
press Down     # 2 PLAYERS VS
press Return
sleep 2.5
snap package_match
leave_to_mainmenu package_leave
press Escape
ends_soon "Escape on the main menu"
expect_exit 0 || fail "the second run did not end with code 0"

config=$HOME/.config/flopfist data=$HOME/.local/share/flopfist
[ "$(sed -n 11p "$config/prefs.qmx")" = $'2\r' ] || fail "GRAVITY 2 not kept in $config/prefs.qmx"
compgen -G "$data/replays/000001.ffr" >/dev/null || fail "no replay in $data/replays: $(find "$HOME")"
for d in "$HOME/.config" "$config" "$HOME/.local" "$HOME/.local/share" "$data" "$data/replays"; do
  [ "$(stat -c %a "$d")" = 700 ] || fail "$d has mode $(stat -c %a "$d"), not 700"
done
[ -z "$(ls -A "$workdir")" ] || fail "the working folder holds: $(ls -A "$workdir")"
[ -z "$(cd "$root" && find . -newer "$unpacked")" ] || fail "the installed tree changed: $(cd "$root" && find . -newer "$unpacked")"
echo "== The player's files after the second run"
(cd "$HOME" && find . -mindepth 1 | sort)
wait "$lintian_pid"
echo "== lintian (errors fail; warnings, information and pedantic notes listed)"
grep -v 'root privileges' "$scratch/lintian" || echo "(nothing)"
# lintian ends with 1 on an error tag, 2 when it could not check at all.
[ "$(cat "$scratch/lintian.rc")" = 0 ] && ! grep -q '^E: ' "$scratch/lintian" || fail "lintian reports errors"
echo "package: all checks passed"
