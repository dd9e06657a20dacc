#!/usr/bin/env bash
# Measures the real program under Xvfb next to a bare Qt window of the same
# size on the same display: start-up to the first painted frame, CPU of the
# program and of the X server on the title screen and during a match at the
# default speed (percent of one core over 20 s, from the nanoseconds each of
# the process's threads ran, /proc/PID/task/*/schedstat), and the private dirty
# memory (/proc/PID/smaps_rollup). "bare+frames" is the bare window repainting
# a tiny square every 30 ms, the star field's cadence: the floor any Qt window
# animating at that rate costs here. "bare+ticks" adds a 25 ms timer that does
# nothing, as the match clock once ran from start-up. "stars alone" is the
# title screen with nothing over its stars but what hides them (title_stars,
# found beside the program): what the moving stars cost by themselves.
#
# Usage: scripts/measure.sh build/agarhold build/e2e_x11 build/bare_qt_window [RUNS]
# RUNS (default 3) whole rounds are made, each on a fresh X server; the table
# at the end gives the median of each figure. CPU is counted as CPU time of the
# process, so other work on the machine changes it little; the load average
# at the start and the end is printed, as a busy machine still raises it. SECONDS_PER_FIGURE
# (default 20) sets the measuring time; SHOT=file.ppm saves the screen at the
# end of the last match.
set -euo pipefail
game=$(realpath "$1"); x11=$(realpath "$2"); bare=$(realpath "$3")
stars=$(dirname "$game")/title_stars
[ -x "$stars" ] || stars=""
runs=${4:-3}
span=${SECONDS_PER_FIGURE:-20}
work=$(mktemp -d)
xpid=""; gpid=""; bpid=""
stop() { local p; for p in "$@"; do [ -z "$p" ] || { kill "$p"; wait "$p"; } 2>/dev/null || true; done; }
trap 'stop "$gpid" "$bpid" "$xpid"; rm -rf "$work"' EXIT
mkdir -p "$work/prog" "$work/rt"; chmod 700 "$work/rt"
cp "$game" "$work/prog/agarhold"
export XDG_RUNTIME_DIR="$work/rt" QT_QPA_PLATFORM=xcb
now_ns() { date +%s%N; }
# Nanoseconds of CPU the threads of a process have run (threads that ended are
# not counted: the program's and the X server's live throughout).
ticks() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ n += $1 } END { printf "%d\n", n }'; }
# CPU of each given process over `span` seconds, in percent of one core, one
# figure a line in the order given.
# In the profiling round perf samples each process meanwhile, with its call
# graphs, into $PROFILE/<what>-<pid>.data.
cpu() {
  local what=$1 t0=() t1=() perfs=() s e p i
  shift
  if [ -n "$profiling" ]; then
    for p in "$@"; do
      perf record -q -g -e cpu-clock -p "$p" -o "$PROFILE/$what-$(cat /proc/$p/comm)-$p.data" \
        -- sleep "$span" >/dev/null 2>&1 & perfs+=($!)
    done
  fi
  for p in "$@"; do t0+=("$(ticks "$p")"); done
  s=$(now_ns); sleep "$span"; e=$(now_ns)
  for p in "$@"; do t1+=("$(ticks "$p")"); done
  for p in "${perfs[@]}"; do wait "$p" || true; done
  for i in "${!t0[@]}"; do
    awk -v d=$(( ${t1[$i]} - ${t0[$i]} )) -v ns=$(( e - s )) \
      'BEGIN { printf "%.2f\n", d * 100 / ns }'
  done
}
private_dirty() { awk '/^Private_Dirty:/ {printf "%.1f\n", $2 / 1024}' "/proc/$1/smaps_rollup"; }
# Starts the command in the background (its pid in $started) and sets $ms to
# the milliseconds from its start until screen pixel (px, py) shows its first
# frame: "light" for the bare window's gray, "blue" for the title picture's
# lettering. One watcher process, connected before the start, looks every
# millisecond; a new probe process for every look would itself take the CPU
# and the X server's time from the program starting.
launch() {
  local mode=$1 fd seen start
  shift
  exec {fd}< <("$x11" waitpixel "$px" "$py" "$mode")
  read -r -u "$fd" seen
  start=$(now_ns)
  "$@" >/dev/null 2>&1 & started=$!
  read -r -u "$fd" seen || seen=timeout
  exec {fd}<&-
  [ "$seen" != timeout ] || { echo "nothing painted at $px, $py after 10 s" >&2; exit 1; }
  ms=$(( (seen - start) / 1000000 ))
}
# The profiling round's figures are not counted: perf costs time of its own.
record() { [ -n "$profiling" ] || echo "$2" >>"$work/$1"; }

# PROFILE=folder adds one round after the others, not counted in the table,
# in which perf records where the time goes (perf report -i FILE --no-children).
rounds=$runs
load0=$(cut -d' ' -f1-3 /proc/loadavg)
[ -n "${PROFILE:-}" ] && { mkdir -p "$PROFILE"; PROFILE=$(realpath "$PROFILE"); rounds=$((runs + 1)); }
for run in $(seq "$rounds"); do
  profiling=""
  [ "$run" -gt "$runs" ] && profiling=1
  # Xvfb picks a free display and writes its number once it accepts clients;
  # a black root, so that the first paint of either window shows.
  : >"$work/display"
  # -noreset: else each probe that leaves last resets the server, and a
  # program connecting meanwhile is refused (Qt then aborts at start-up).
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -br -noreset 3>"$work/display" >/dev/null 2>&1 & xpid=$!
  for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
  export DISPLAY=":$(head -1 "$work/display")"
  # Both windows open at screen position (265, 146). The bare window's
  # background is light gray; the title picture's blue lettering lies around
  # client (390, 120).
  px=$((265 + 390)); py=$((146 + 120))

  launch light "$bare"; bpid=$started; record bare_startup "$ms"
  sleep 1
  { read -r b_cpu; read -r b_x; } < <(cpu bare "$bpid" "$xpid")
  record bare_cpu "$b_cpu"; record bare_x "$b_x"
  record bare_mem "$(private_dirty "$bpid")"
  stop "$bpid"; bpid=""
  # The floor: the bare window repainting a tiny square every 30 ms.
  "$bare" --frames >/dev/null 2>&1 & bpid=$!
  sleep 1
  { read -r f_cpu; read -r f_x; } < <(cpu frames "$bpid" "$xpid")
  record frame_cpu "$f_cpu"; record frame_x "$f_x"
  stop "$bpid"; bpid=""
  # The same with a 25 ms timer beside it.
  "$bare" --ticking >/dev/null 2>&1 & bpid=$!
  sleep 1
  { read -r k_cpu; read -r k_x; } < <(cpu ticking "$bpid" "$xpid")
  record tick_cpu "$k_cpu"; record tick_x "$k_x"
  stop "$bpid"; bpid=""
  s_cpu=-; s_x=-
  if [ -n "$stars" ]; then
    "$stars" >/dev/null 2>&1 & bpid=$!
    sleep 1
    { read -r s_cpu; read -r s_x; } < <(cpu stars "$bpid" "$xpid")
    record stars_cpu "$s_cpu"; record stars_x "$s_x"
    stop "$bpid"; bpid=""
  fi

  launch blue "$work/prog/agarhold"; gpid=$started; record game_startup "$ms"
  dialog=$(xdotool search --sync --name '^Player Name$' | head -1)
  read -r dx dy < <(xdotool getwindowgeometry "$dialog" | awk '/Position/ {split($2,p,","); print p[1], p[2]}')
  xdotool mousemove $((dx + 172)) $((dy + 66)) click 1
  main=$(xdotool search --name '^Form1$' | head -1)
  read -r wx wy < <(xdotool getwindowgeometry "$main" | awk '/Position/ {split($2,p,","); print p[1], p[2]}')
  # The pointer rests beside the player bar, over nothing that reacts.
  xdotool mousemove $((wx + 20)) $((wy + 520)); sleep 1
  { read -r t_cpu; read -r t_x; } < <(cpu title "$gpid" "$xpid")
  record title_cpu "$t_cpu"; record title_x "$t_x"
  record title_mem "$(private_dirty "$gpid")"

  # Start a match: the start picture, "Done" in the chooser, the countdown.
  xdotool mousemove $((wx + 2 + 370)) $((wy + 2 + 249)) click 1; sleep 0.5
  xdotool mousemove $((wx + 192 + 188)) $((wy + 200 + 146)) click 1; sleep 4
  xdotool mousemove $((wx + 20)) $((wy + 520))
  { read -r m_cpu; read -r m_x; } < <(cpu match "$gpid" "$xpid")
  record match_cpu "$m_cpu"; record match_x "$m_x"
  record match_mem "$(private_dirty "$gpid")"
  if [ "$run" = "$runs" ] && [ -n "${SHOT:-}" ]; then "$x11" shot "$SHOT"; fi
  stop "$gpid" "$xpid"; gpid=""; xpid=""
  [ -n "$profiling" ] && { echo "profiles in $PROFILE"; continue; }
  echo "run $run: title game $t_cpu % X $t_x % | match game $m_cpu % X $m_x % |" \
       "bare window $b_cpu % X $b_x % | bare with frames $f_cpu % X $f_x % | bare with ticks $k_cpu % X $k_x % |" \
       "stars alone $s_cpu % X $s_x % | start-up $(tail -1 "$work/game_startup") ms," \
       "bare $(tail -1 "$work/bare_startup") ms"
done

[ "$runs" -gt 0 ] || exit 0
median() { [ -s "$work/$1" ] || { echo -; return; }; sort -n "$work/$1" | awk '{v[NR] = $1} END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%g\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo
echo "median of $runs run(s), CPU in % of one core over $span s:"
row() { printf '%-34s %12s %12s %12s %12s %12s\n' "$@"; }
row "" "game" "bare window" "bare+frames" "bare+ticks" "stars alone"
row "title screen: process CPU" "$(median title_cpu)" "$(median bare_cpu)" "$(median frame_cpu)" "$(median tick_cpu)" "$(median stars_cpu)"
row "title screen: X server CPU" "$(median title_x)" "$(median bare_x)" "$(median frame_x)" "$(median tick_x)" "$(median stars_x)"
row "match: process CPU" "$(median match_cpu)" "$(median bare_cpu)" "$(median frame_cpu)" "$(median tick_cpu)"
row "match: X server CPU" "$(median match_x)" "$(median bare_x)" "$(median frame_x)" "$(median tick_x)"
row "title screen: private dirty (MB)" "$(median title_mem)" "$(median bare_mem)"
row "match: private dirty (MB)" "$(median match_mem)" "$(median bare_mem)"
gs=$(median game_startup); bs=$(median bare_startup)
printf '%-34s %12s %12s\n' "start-up to first paint (ms)" "$gs" "$bs"
awk -v g="$gs" -v b="$bs" 'BEGIN { printf "%-34s %12.2f\n", "start-up against the bare window", g / b }'
# One figure against another, for the process and for the X server.
ratio() {
  awk -v what="$1" -v g="$(median "$2")" -v f="$(median "$3")" -v x="$(median "$4")" -v fx="$(median "$5")" \
    'BEGIN { if (g > 0 && f > 0 && fx > 0) printf "%-34s %12.2f %12s\n%-34s %12.2f\n", what, g / f, "(process)", "", x / fx }'
}
ratio "title screen against bare+frames" title_cpu frame_cpu title_x frame_x
ratio "stars alone against bare+frames" stars_cpu frame_cpu stars_x frame_x
ratio "title screen against stars alone" title_cpu stars_cpu title_x stars_x
echo "load average at the start: $load0; at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
