#!/usr/bin/env bash
# What enlarging the window costs: the program's CPU during a match at the
# default speed with its window at the design size and with its client area
# as large as a maximised window on a 1366 x 768 screen under a 19 pixel title
# bar (1366 x 749, factor 1.379), under Xvfb with no window manager. Percent
# of one core, from /proc/PID/stat over 20 s; the pointer rests on the
# letterbox beside the screens.
#
# Usage: scripts/measure-enlarged.sh build/agarhold build/e2e_x11 [RUNS]
# RUNS (default 3) rounds, each on a fresh X server; the table at the end gives
# the median of each figure. SECONDS_PER_FIGURE (default 20) sets the
# measuring time; SHOT=file.ppm saves the enlarged match of the last round.
set -euo pipefail
game=$(realpath "$1"); x11=$(realpath "$2")
runs=${3:-3}
span=${SECONDS_PER_FIGURE:-20}
work=$(mktemp -d)
xpid=""; gpid=""
stop() { local p; for p in "$@"; do [ -z "$p" ] || { kill "$p"; wait "$p"; } 2>/dev/null || true; done; }
trap 'stop "$gpid" "$xpid"; rm -rf "$work"' EXIT
mkdir -p "$work/prog" "$work/rt" "$work/home"; chmod 700 "$work/rt"
cp "$game" "$work/prog/agarhold"
export XDG_RUNTIME_DIR="$work/rt" QT_QPA_PLATFORM=xcb HOME="$work/home"
hz=$(getconf CLK_TCK)

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
cpu() {  # CPU of process $1 over `span` seconds, in percent of one core
  local t0 s e
  t0=$(ticks "$1"); s=$(date +%s%N); sleep "$span"; e=$(date +%s%N)
  awk -v d=$(( $(ticks "$1") - t0 )) -v hz="$hz" -v ns=$(( e - s )) \
    'BEGIN { printf "%.2f\n", d / hz * 100 / (ns / 1e9) }'
}
# A click at design point (X, Y) of the client, whose corner is at (wx, wy),
# shown at factor f with the design area's corner at (ox, oy) in the client.
click() {
  read -r X Y <<<"$(awk -v x="$1" -v y="$2" -v f="$f" -v ox="$ox" -v oy="$oy" -v wx="$wx" -v wy="$wy" \
    'BEGIN { printf "%d %d", wx + ox + (x + 0.5) * f, wy + oy + (y + 0.5) * f }')"
  xdotool mousemove "$X" "$Y"; sleep 0.15; xdotool click 1; sleep 0.25
}

for run in $(seq "$runs"); do
  for size in design enlarged; do
    : >"$work/display"
    Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 & xpid=$!
    for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
    export DISPLAY=":$(head -1 "$work/display")"
    "$work/prog/agarhold" >/dev/null 2>&1 & gpid=$!
    dialog=$(xdotool search --sync --name '^Player Name$' | head -1)
    sleep 0.5
    read -r dx dy < <(xdotool getwindowgeometry "$dialog" | awk '/Position/ {split($2,p,","); print p[1], p[2]}')
    xdotool mousemove $((dx + 172)) $((dy + 66)) click 1
    main=$(xdotool search --name '^Form1$' | head -1)
    wx=265; wy=146; f=1; ox=0; oy=0
    if [ "$size" = enlarged ]; then
      wx=0; wy=19
      xdotool windowmove "$main" "$wx" "$wy" windowsize "$main" 1366 749
      sleep 1
      read -r cw ch < <(xdotool getwindowgeometry "$main" | awk '/Geometry/ {split($2,g,"x"); print g[1], g[2]}')
      [ "$cw" = 1366 ] && [ "$ch" = 749 ] || { echo "the window is ${cw}x$ch, not 1366x749" >&2; exit 1; }
      read -r f ox oy <<<"$(awk 'BEGIN { f = 749 / 543; printf "%.6f %d %d", f, (1366 - 747 * f) / 2, 0 }')"
    else
      read -r wx wy < <(xdotool getwindowgeometry "$main" | awk '/Position/ {split($2,p,","); print p[1], p[2]}')
    fi
    # The start picture, "Done" in the chooser, the countdown.
    click $((2 + 370)) $((2 + 249)); sleep 0.5
    click $((192 + 188)) $((200 + 146)); sleep 4
    if [ "$size" = enlarged ]; then xdotool mousemove 40 300; else xdotool mousemove $((wx + 20)) $((wy + 520)); fi
    echo "$(cpu "$gpid")" >>"$work/$size"
    if [ "$run" = "$runs" ] && [ "$size" = enlarged ] && [ -n "${SHOT:-}" ]; then "$x11" shot "$SHOT"; fi
    stop "$gpid" "$xpid"; gpid=""; xpid=""
  done
  echo "run $run: match at the design size $(tail -1 "$work/design") %, enlarged $(tail -1 "$work/enlarged") %"
done

median() { sort -n "$work/$1" | awk '{v[NR] = $1} END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%g\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo
echo "median of $runs run(s), the program's CPU in % of one core over $span s of a match:"
printf '%-40s %8s\n' "at the design size (747 x 543)" "$(median design)"
printf '%-40s %8s\n' "enlarged (1366 x 749, factor 1.379)" "$(median enlarged)"
