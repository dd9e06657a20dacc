#!/usr/bin/env bash
# End to end: the real program under Xvfb, played with xdotool.
# Answers the name dialog, starts a single game, keeps the two preset global
# injections, waits through the countdown, drags tube 1 onto the board and sees
# blue cells appear there, fires a weapon, closes the window with its close
# command, then checks the two saved files.
set -euo pipefail
game="$1"
x11="$2"

work=$(mktemp -d)
cleanup() {
  [ -n "${game_pid:-}" ] && kill "$game_pid" 2>/dev/null || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; "$x11" shot "$work/fail.ppm" 2>/dev/null && cp "$work/fail.ppm" /tmp/agarhold-e2e-fail.ppm; exit 1; }

# The program keeps its files next to itself: run a copy in a fresh folder.
mkdir -p "$work/prog" "$work/elsewhere" "$work/runtime"
chmod 700 "$work/runtime"
cp "$game" "$work/prog/agarhold"

display=":$((100 + RANDOM % 800))"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY="$display" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

# Started from another folder: the files must still land next to the program.
(cd "$work/elsewhere" && exec "$work/prog/agarhold") >"$work/out.log" 2>&1 &
game_pid=$!

dialog=$(timeout 20 xdotool search --sync --name '^Player Name$' | head -1) || fail "no name dialog"
read -r dx dy < <(xdotool getwindowgeometry "$dialog" | awk '/Position/ {split($2,p,","); print p[1], p[2]}')
sleep 0.3
xdotool mousemove $((dx + 100)) $((dy + 40)) click 1
xdotool key ctrl+a
xdotool type --delay 20 "Tester"
xdotool mousemove $((dx + 172)) $((dy + 66)) click 1
sleep 0.5
[ -f "$work/prog/Pl.nam" ] || fail "Pl.nam not written at OK"

main=$(timeout 10 xdotool search --sync --name '^Form1$' | head -1) || fail "no main window"
read -r wx wy < <(xdotool getwindowgeometry "$main" | awk '/Position/ {split($2,p,","); print p[1], p[2]}')
[ -f "$work/prog/S.hs" ] || fail "S.hs not created at start-up"

click() { xdotool mousemove "$1" "$2"; sleep 0.1; xdotool click 1; sleep 0.2; }
pixel() { "$x11" pixel "$1" "$2"; }

# Game mode 1 (a single game), then the start image.
click $((wx + 2 + 432 + 30)) $((wy + 2 + 256 + 8))
click $((wx + 2 + 370)) $((wy + 2 + 249))
sleep 0.5
# The chooser's Done with the presets.
click $((wx + 192 + 188)) $((wy + 200 + 146))
sleep 3.8   # countdown 3, 2, 1

# Drag tube 1 into the free-drop band of the board: view point (350, 200).
tx=$((wx + 174 + 350)); ty=$((wy + 70 + 200))
read -r _ _ before_b < <(pixel "$tx" "$ty")
xdotool mousemove $((wx + 624)) $((wy + 128))
sleep 0.2
xdotool mousedown 1
for s in 1 2 3 4 5 6 7 8 9 10; do
  xdotool mousemove $((wx + 624 + (tx - wx - 624) * s / 10)) $((wy + 128 + (ty - wy - 128) * s / 10))
  sleep 0.05
done
xdotool mouseup 1
sleep 0.4
read -r r g b < <(pixel "$tx" "$ty")
echo "board pixel before the drop: blue $before_b; after: $r $g $b"
[ "$b" -ge $((before_b + 40)) ] && [ "$r" -lt 40 ] && [ "$g" -lt 40 ] || fail "no blue cells where the tube was dropped"

# Fire the first global injection: the button dims to opacity 10.
read -r w1r w1g w1b < <(pixel $((wx + 592 + 16)) $((wy + 384 + 16)))
click $((wx + 592 + 16)) $((wy + 384 + 16))
xdotool mousemove $((wx + 20)) $((wy + 520))
sleep 0.5
read -r w2r w2g w2b < <(pixel $((wx + 592 + 16)) $((wy + 384 + 16)))
echo "weapon button before: $w1r $w1g $w1b; after: $w2r $w2g $w2b"
[ $((w2r + w2g + w2b)) -lt $((w1r + w1g + w1b)) ] || fail "weapon button not spent"

# Close the window as its close box does.
"$x11" close "$main"
for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$game_pid" 2>/dev/null && fail "program still running after close"
game_pid=""

size=$(stat -c %s "$work/prog/S.hs")
[ "$size" -eq 2808 ] || fail "S.hs is $size bytes"
# No game was finished: the defaults stand, with "Hollowbrine" first in table 1,
# score 9999, and the rating 1600 at byte 2800, little-endian.
field() { od -An -v -t "$1" -j "$2" -N "$3" "$work/prog/S.hs" | tr -d ' '; }
[ "$(field u1 0 1)" = 11 ] || fail "first name's length byte is $(field u1 0 1)"
[ "$(od -An -c -j 1 -N 11 "$work/prog/S.hs" | tr -d ' ')" = Hollowbrine ] || fail "first name is not Hollowbrine"
[ "$(field d4 24 4)" = 9999 ] || fail "first score is $(field d4 24 4)"
[ "$(field d4 2800 4)" = 1600 ] || fail "rating is $(field d4 2800 4)"
[ "$(od -An -c "$work/prog/Pl.nam" | tr -s ' ')" = " T e s t e r \r \n" ] || fail "Pl.nam is $(od -An -c "$work/prog/Pl.nam")"
[ ! -e "$work/elsewhere/S.hs" ] || fail "S.hs written to the current folder"
echo "1 passed, 0 failed"
