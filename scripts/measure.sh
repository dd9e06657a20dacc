#!/usr/bin/env bash
# Measures the real program under Xvfb: time from start to the first painted
# title screen, peak memory, and CPU use during a minute of a match at the
# default speed. Usage: scripts/measure.sh build/agarhold build/e2e_x11 [shot.ppm]
# The optional third argument saves the screen at the end of the minute.
set -euo pipefail
game=$(realpath "$1"); x11=$(realpath "$2")
work=$(mktemp -d)
trap 'kill $gpid $xpid 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/prog" "$work/rt"; chmod 700 "$work/rt"
cp "$game" "$work/prog/agarhold"
# Xvfb picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 & xpid=$!
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -1 "$work/display")" XDG_RUNTIME_DIR="$work/rt" QT_QPA_PLATFORM=xcb
# The title picture's blue lettering lies around client (390, 120); the window
# opens at screen position (265, 146).
px=$((265 + 390)); py=$((146 + 120))
start=$(date +%s%N)
"$work/prog/agarhold" >/dev/null 2>&1 & gpid=$!
while :; do
  read -r r g b < <("$x11" pixel $px $py 2>/dev/null || echo "0 0 0")
  [ "$b" -gt 60 ] && break
  [ $(( $(date +%s%N) - start )) -gt 10000000000 ] && { echo "no title screen after 10 s"; exit 1; }
done
echo "first painted title screen after $(( ($(date +%s%N) - start) / 1000000 )) ms"
dialog=$(xdotool search --sync --name '^Player Name$' | head -1)
read -r dx dy < <(xdotool getwindowgeometry "$dialog" | awk '/Position/ {split($2,p,","); print p[1], p[2]}')
xdotool mousemove $((dx + 172)) $((dy + 66)) click 1; sleep 0.5
main=$(xdotool search --name '^Form1$' | head -1)
read -r wx wy < <(xdotool getwindowgeometry "$main" | awk '/Position/ {split($2,p,","); print p[1], p[2]}')
ticks() { awk '{print $14 + $15}' "/proc/$gpid/stat"; }
hz=$(getconf CLK_TCK)
t0=$(ticks); sleep 10; t1=$(ticks)
echo "CPU on the title screen: $(( (t1 - t0) * 1000 / hz / 10 )) ms per second"
xdotool mousemove $((wx + 2 + 370)) $((wy + 2 + 249)) click 1; sleep 0.5
xdotool mousemove $((wx + 192 + 188)) $((wy + 200 + 146)) click 1; sleep 4
xdotool mousemove $((wx + 20)) $((wy + 520))
t0=$(ticks); sleep 60; t1=$(ticks)
echo "CPU during a minute of a match: $(( (t1 - t0) * 1000 / hz / 60 )) ms per second ($(( (t1 - t0) * 100 / hz / 60 ))% of one core)"
[ $# -ge 3 ] && "$x11" shot "$3"
echo "peak memory: $(awk '/VmHWM/ {print $2, $3}' /proc/$gpid/status)"
