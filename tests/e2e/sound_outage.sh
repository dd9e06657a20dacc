#!/usr/bin/env bash
# End to end: the real program under Xvfb while the desktop's sound server goes
# away and comes back, and the program ended by the signals a desktop sends at
# logout.
#
#   sound_outage.sh outage  GAME E2E_X11 EVENTS   a PulseAudio server with a null
#                            sink plays the match's clock ticks; it is killed,
#                            later started again, and then the sink the game
#                            plays to is unloaded and another one loaded
#   sound_outage.sh late    GAME E2E_X11 EVENTS   no server when the program
#                            starts; one arrives during the match
#   sound_outage.sh signals GAME E2E_X11          SIGTERM, SIGINT and SIGHUP, each
#                            in a match and in the name dialog, and SIGTERM in
#                            the middle of the name's save
#
# While there is no server (or no sink) the game keeps its pace (the time label
# changes every second), shows no error box, does not spin a core and does not
# crash; once a server or a sink is back its monitor records the clock ticks
# again, 4 s apart and in step with the ticks before the outage. A signal ends
# the program within a second, with no temporary file left beside the saved
# files and their bytes unchanged.
set -euo pipefail
mode="$1"
case "$mode" in
  outage|late) game="$2"; x11="$3"; events="$4" ;;
  signals) game="$2"; x11="$3" ;;
  *) echo "unknown mode $mode"; exit 2 ;;
esac

. "$(dirname "$0")/lib.sh"
fail() {
  echo "FAIL ($mode): $*"
  "$x11" shot "$work/fail.ppm" 2>/dev/null && cp "$work/fail.ppm" "/tmp/agarhold-outage-$mode-fail.ppm" \
    && echo "screen saved to /tmp/agarhold-outage-$mode-fail.ppm"
  [ -s "$work/out.log" ] && { echo "--- program output"; tail -50 "$work/out.log"; }
  [ -s "$work/pulse.log" ] && { echo "--- sound server output"; tail -20 "$work/pulse.log"; }
  exit 1
}
now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'; }

mkdir -p "$work/prog" "$work/home" "$work/data" "$work/runtime" "$work/elsewhere"
chmod 700 "$work/runtime"
cp "$game" "$work/prog/agarhold"

# ---- a free X display, picked by the server itself ----
start_xvfb 1024x768

# ---- the sound server: always at the same address, so a new one is found where the old one was ----
pulse="unix:$work/runtime/pulse/native"
pulse_pid=""
start_server() {
  env -u DISPLAY HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" pulseaudio -n --daemonize=no \
    --exit-idle-time=-1 --load="module-null-sink sink_name=$1" \
    --load="module-native-protocol-unix auth-anonymous=1" >>"$work/pulse.log" 2>&1 &
  pulse_pid=$!
  pids+=($pulse_pid)
  for _ in $(seq 100); do PULSE_SERVER="$pulse" pactl info >/dev/null 2>&1 && return 0; sleep 0.1; done
  fail "PulseAudio did not start"
}
# Records the monitor of sink $1 into $2; sets rec_pid.
record() {
  PULSE_SERVER="$pulse" "$events" --record-from "$1.monitor" "$2" 2>/dev/null &
  rec_pid=$!
  pids+=($rec_pid)
  for _ in $(seq 200); do [ -s "$2.clock" ] && break; sleep 0.05; done
  [ -s "$2.clock" ] || fail "nothing recorded from $1"
}
# Waits until the recording $1 holds at least $2 ticks, at most $3 seconds;
# prints their wall times, placed by the server's own timing of the
# recording stream (which a busy machine cannot shift, unlike the time at
# which this script looks).
ticks_in() {
  local out origin
  for _ in $(seq $(($3 * 5))); do
    out=$("$events" "$1" --ticks 2>/dev/null) || true
    [ "$(echo "$out" | grep -c .)" -ge "$2" ] && break
    sleep 0.2
  done
  origin=$("$events" "$1" --at 0 | awk '{ printf "%.4f", -$1 }')
  echo "$out" | awk -v t0="$origin" 'NF { printf "%.3f\n", t0 + $1 }'
}

# ---- the program, started from another folder ----
start_game() {
  # With every signal at its default: a background job of a script would
  # otherwise ignore SIGINT from the start.
  start_program env --default-signal=INT,HUP,TERM -i PATH=/usr/local/bin:/usr/bin:/bin DISPLAY="$DISPLAY" \
    HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=xcb \
    PULSE_SERVER="$pulse" LANG=C.UTF-8 "$work/prog/agarhold"
}
answer_dialog() {
  local dx dy
  read -r dx dy < <(xdotool getwindowgeometry "$dialog" | awk '/Position/ {split($2,p,","); print p[1], p[2]}')
  xdotool mousemove $((dx + 100)) $((dy + 40)) click 1
  xdotool key ctrl+a
  xdotool type --delay 20 "Tester"
  xdotool mousemove $((dx + 172)) $((dy + 66)) click 1
  main=$(timeout 10 xdotool search --sync --name '^Form1$' | head -1) || fail "no main window"
  read -r wx wy < <(xdotool getwindowgeometry "$main" | awk '/Position/ {split($2,p,","); print p[1], p[2]}')
  sleep 0.3
}
click() { xdotool mousemove "$1" "$2"; sleep 0.1; xdotool click 1; sleep 0.2; }
# A single game with the preset global injections; returns when its countdown is over.
start_match() {
  click $((wx + 2 + 432 + 30)) $((wy + 2 + 256 + 8))   # game mode 1
  click $((wx + 2 + 370)) $((wy + 2 + 249))            # the start image
  sleep 0.5
  click $((wx + 192 + 188)) $((wy + 200 + 146))        # "Done"
  match_start=$(now)
  sleep 3.8
}
alive() { kill -0 "$game_pid" 2>/dev/null || fail "the program ended $1 ($(wait "$game_pid"; echo "status $?"))"; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$game_pid/stat"; }
# The pixels of the match-time label "Time :N", as one checksum. It is called
# in a command substitution: a failure is told on stderr, not into the value.
time_label() {
  "$x11" shot "$work/label.ppm" || fail "no screenshot" >&2
  local y off
  for y in $(seq $((wy + 479)) $((wy + 498))); do
    off=$((15 + (y * 1024 + wx + 330) * 3))   # "P6\n1024 768\n255\n" is 15 bytes
    dd if="$work/label.ppm" iflag=skip_bytes,count_bytes skip="$off" count=300 bs=4096 status=none
  done | md5sum | cut -c1-12
}
# Watches the program for $1 seconds, a look a second or as often as the
# machine allows: the time label must
# keep changing (a frozen game would show the same picture on and on), no
# error box may open and the program must live. The label changes once a
# second of match time, and the match clock runs on the game's timers: a
# label that stays the same for more than 2 s of the game's own time (from
# the end of the look that saw it change to the start of the present one,
# so that a slow look counts for nothing, less what the game stood waiting
# to run, as the kernel counts it) is a game that stopped. Sets cpu_pct, the share of one
# core it used.
watch_game() {
  local seconds="$1" what="$2" t0 c0 c1 last cur changes=0 looks=0 at since q_since stood
  t0=$(now); c0=$(cpu_ticks); last=$(time_label); since=$t0; q_since=$(run_wait)
  # For $1 seconds of the wall clock, however few looks a slow machine
  # allows in them (the match must not run out meanwhile: an ended match's
  # clock stands still).
  while [ "$looks" -lt 2 ] || awk -v e="$(elapsed "$t0")" -v s="$seconds" 'BEGIN { exit !(e < s) }'; do
    looks=$((looks + 1))
    sleep 1
    alive "$what"
    at=$(now)
    cur=$(time_label)
    if [ "$cur" != "$last" ]; then
      # The picture seen was there by the end of this look at the latest.
      changes=$((changes + 1)); since=$(now); q_since=$(run_wait)
    else
      stood=$(awk -v a="$since" -v b="$at" -v q0="$q_since" -v q="$(run_wait)" 'BEGIN { printf "%.2f", (b - a) - (q - q0) / 1e9 }')
      awk -v t="$stood" 'BEGIN { exit !(t > 2.0) }' && fail "$what: the time label stayed the same for $stood s of the game's own time"
    fi
    last=$cur
  done
  c1=$(cpu_ticks)
  cpu_pct=$(awk -v c="$((c1 - c0))" -v t="$(elapsed "$t0")" -v hz="$(getconf CLK_TCK)" \
    'BEGIN { printf "%.1f", 100 * c / hz / t }')
  no_error_box "$what"
  echo "$what: $looks looks in $(elapsed "$t0") s, time label changed $changes times, CPU $cpu_pct % of a core"
  [ "$changes" -ge 1 ] || fail "$what: the time label never changed"
}
# The ticks at the wall times $2.. must lie on whole 4 s steps after the tick
# $1 (the match clock kept its pace), at least $min_ticks of them (two unless
# set otherwise). The match clock runs on the game's timers: a game that a
# busy machine keeps from running falls behind the wall clock by as much as
# it was kept waiting, so a tick may be late by that much more than 0.35 s.
# The wait is the kernel's count of the time the game's threads stood ready
# to run since `wait_ref` was taken (run_wait) at or before the tick $1.
# All its threads count: one kept waiting while it holds a lock the others
# need (the sound thread's) holds them up as well.
in_step() {
  local first="$1" late; shift
  [ "$#" -ge "${min_ticks:-2}" ] || fail "$what_ticks: only $# clock ticks to compare"
  late=$(awk -v q="$(run_wait)" -v q0="$wait_ref" 'BEGIN { printf "%.3f", 0.35 + (q - q0) / 1e9 }')
  echo "  (the game stood waiting to run for $(awk -v l="$late" 'BEGIN { printf "%.3f", l - 0.35 }') s since the first tick)"
  # A tick is taken for the latest step it may belong to: one more than
  # 0.35 s early for its step is late for the one before.
  awk -v f="$first" -v late="$late" 'BEGIN { for (i = 1; i < ARGC; ++i) { d = ARGV[i] - f; n = int((d + 0.35) / 4);
      off = d - 4 * n; printf "  tick %.3f s after the first: %+.3f s from its 4 s step\n", d, off;
      if (off > late || off < -0.35 || d < -0.35) bad = 1 } exit bad }' "$@" \
    || fail "$what_ticks: the clock ticks are out of step with the match clock"
}
# A match takes a few per cent of a core; a quarter of one is a wait that spins.
# Without a server it may not take much more than with one.
check_cpu() {
  awk -v c="$cpu_pct" -v base="$1" 'BEGIN { exit !(c <= 25 && c <= 2 * base + 10) }' \
    || fail "$2: CPU $cpu_pct % of a core (first measured: $1 %)"
}

if [ "$mode" = outage ]; then
  start_server cap
  record cap "$work/rec1.raw"
  start_game; answer_dialog; start_match
  wait_ref=$(run_wait)
  first=$(ticks_in "$work/rec1.raw" 1 10 | head -1)
  [ -n "$first" ] || fail "no clock tick with the server there"
  watch_game 8 "with the server"
  base=$cpu_pct
  check_cpu "$base" "with the server"
  what_ticks="before the outage"; in_step "$first" $(ticks_in "$work/rec1.raw" 3 6)

  # The server dies without a word, as a crashed one does.
  kill -KILL "$pulse_pid"; wait "$pulse_pid" 2>/dev/null || true
  echo "server killed at $(elapsed "$match_start") s of the match"
  watch_game 10 "without a server"
  check_cpu "$base" "without a server"

  start_server cap
  record cap "$work/rec2.raw"
  echo "server back at $(elapsed "$match_start") s of the match"
  watch_game 10 "after the server came back"
  what_ticks="after the server came back"; in_step "$first" $(ticks_in "$work/rec2.raw" 2 4)

  # The sink the game plays to goes; another one comes.
  PULSE_SERVER="$pulse" pactl unload-module module-null-sink
  echo "sink unloaded at $(elapsed "$match_start") s of the match"
  watch_game 6 "without a sink"
  check_cpu "$base" "without a sink"
  PULSE_SERVER="$pulse" pactl load-module module-null-sink sink_name=cap2 >/dev/null
  PULSE_SERVER="$pulse" pactl set-default-sink cap2
  record cap2 "$work/rec3.raw"
  watch_game 10 "with a new sink"
  # Late in the match the computer's injections play often, and a sound of its
  # that starts with a tick cuts the tick off (one sound at a time): one tick
  # heard in step is the proof here.
  what_ticks="with a new sink"; min_ticks=1 in_step "$first" $(ticks_in "$work/rec3.raw" 2 8)
fi

if [ "$mode" = late ]; then
  start_game; answer_dialog; start_match
  watch_game 8 "without a server from the start"
  base=$cpu_pct
  check_cpu "$base" "without a server from the start"
  start_server cap
  wait_ref=$(run_wait)
  record cap "$work/rec1.raw"
  echo "server started at $(elapsed "$match_start") s of the match"
  watch_game 10 "after a server arrived"
  check_cpu "$base" "after a server arrived"
  ticks=($(ticks_in "$work/rec1.raw" 3 8))
  [ "${#ticks[@]}" -gt 0 ] || fail "no clock tick from the server that arrived"
  what_ticks="from the server that arrived"
  in_step "${ticks[@]}"
fi

if [ "$mode" = signals ]; then
  # Saved files from an earlier run: a rating of 1700 (0x06A4, little-endian) and a name.
  head -c 2808 /dev/zero >"$work/prog/S.hs"
  printf '\244\006' | dd of="$work/prog/S.hs" bs=1 seek=2800 conv=notrunc status=none
  printf 'Keeper\r\n' >"$work/prog/Pl.nam"
  cp "$work/prog/S.hs" "$work/S.hs.before"
  cp "$work/prog/Pl.nam" "$work/Pl.nam.before"
  pulse="unix:$work/no-sound-server"
  for sig in TERM INT HUP; do
    for where in dialog match; do
      start_game
      if [ "$where" = match ]; then
        # An empty name leaves the name file as it is.
        read -r dx dy < <(xdotool getwindowgeometry "$dialog" | awk '/Position/ {split($2,p,","); print p[1], p[2]}')
        xdotool mousemove $((dx + 100)) $((dy + 40)) click 1 key ctrl+a BackSpace
        xdotool mousemove $((dx + 172)) $((dy + 66)) click 1
        main=$(timeout 10 xdotool search --sync --name '^Form1$' | head -1) || fail "no main window"
        read -r wx wy < <(xdotool getwindowgeometry "$main" | awk '/Position/ {split($2,p,","); print p[1], p[2]}')
        sleep 0.3
        start_match
        sleep 1
      fi
      alive "before SIG$sig"
      time_to_end 1.0 "SIG$sig in the $where" kill -"$sig" "$game_pid"
      set +e; wait "$game_pid"; status=$?; set -e
      [ "$status" -lt 128 ] || fail "SIG$sig in the $where: killed by signal $((status - 128)), not a clean end"
      leftovers=$(find "$work/prog" "$work/data" "$work/elsewhere" -name '*.tmp')
      [ -z "$leftovers" ] || fail "SIG$sig in the $where: temporary files left: $leftovers"
      cmp -s "$work/prog/S.hs" "$work/S.hs.before" || fail "SIG$sig in the $where: S.hs changed"
      cmp -s "$work/prog/Pl.nam" "$work/Pl.nam.before" || fail "SIG$sig in the $where: Pl.nam changed"
      [ ! -e "$work/data/agarhold" ] || fail "SIG$sig in the $where: files written to the data folder"
      no_error_box "after SIG$sig"
    done
  done

  # A signal in the middle of a save: the name file's first fsync is held up
  # for 1.5 s (strace delays the call), SIGTERM comes during it. The save is
  # finished first, then the program ends within a second: a whole new file,
  # no temporary one.
  start_game
  strace -q -p "$game_pid" -e trace=fsync -e inject=fsync:delay_enter=1500000:when=1 -o /dev/null &
  strace_pid=$!
  pids+=($strace_pid)
  sleep 0.5
  read -r dx dy < <(xdotool getwindowgeometry "$dialog" | awk '/Position/ {split($2,p,","); print p[1], p[2]}')
  xdotool mousemove $((dx + 100)) $((dy + 40)) click 1 key ctrl+a
  xdotool type --delay 20 "Saver"
  xdotool mousemove $((dx + 172)) $((dy + 66)) click 1
  for _ in $(seq 40); do [ -e "$work/prog/Pl.nam.tmp" ] && break; sleep 0.025; done
  [ -e "$work/prog/Pl.nam.tmp" ] || fail "the name's save did not begin"
  time_to_end 2.5 "SIGTERM during the name's save" kill -TERM "$game_pid"
  set +e; wait "$game_pid"; status=$?; set -e
  [ "$status" -lt 128 ] || fail "SIGTERM during a save: killed by signal $((status - 128))"
  leftovers=$(find "$work/prog" "$work/data" "$work/elsewhere" -name '*.tmp')
  [ -z "$leftovers" ] || fail "SIGTERM during a save: temporary files left: $leftovers"
  [ "$(od -An -c "$work/prog/Pl.nam" | tr -s ' ')" = " S a v e r \r \n" ] \
    || fail "SIGTERM during a save: Pl.nam is $(od -An -c "$work/prog/Pl.nam")"
  cmp -s "$work/prog/S.hs" "$work/S.hs.before" || fail "SIGTERM during a save: S.hs changed"
fi
echo "1 passed, 0 failed"
