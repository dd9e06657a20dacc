# What the end-to-end scripts share: `work`, the script's temporary folder,
# and `pids`, the processes it started, both gone when it exits. A script
# sources this first and then defines `fail`, which the helpers call.
work=$(mktemp -d)
pids=()
cleanup() {
  # A process a test stopped (SIGSTOP) acts on the signal once it runs again.
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null && kill -CONT "$p" 2>/dev/null || true; done
  # One that has not gone after 10 s (a compositor busy ending, on a loaded
  # machine) is killed: the test's verdict is in, and it must not hang.
  local p left
  for _ in $(seq 100); do
    left=""
    for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && left="$left $p"; done
    [ -z "$left" ] && break
    sleep 0.1
  done
  for p in $left; do kill -KILL "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  chmod -R u+w "$work" 2>/dev/null || true  # a test may leave a read-only folder
  rm -rf "$work"
}
trap cleanup EXIT

# Starts the program: "$@" is the command with its environment, run from
# $work/elsewhere with its output in $work/out.log. Sets game_pid (among pids)
# and waits for the name dialog, whose window it leaves in `dialog`.
start_program() {
  (cd "$work/elsewhere" && exec "$@") >"$work/out.log" 2>&1 &
  game_pid=$!
  pids+=($game_pid)
  dialog=$(timeout 20 xdotool search --sync --name '^Player Name$' | head -1) || fail "no name dialog"
  sleep 0.3
}

# A free X display of screen size $1 (WIDTHxHEIGHT), picked by the server
# itself; sets DISPLAY and xvfb_pid.
start_xvfb() {
  # -noreset: with the server's default, the last client leaving (a probe
  # such as xprop) resets it, and a client connecting meanwhile is refused.
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  pids+=($xvfb_pid)
  for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  export DISPLAY=":$(head -1 "$work/display")"
}

# No error box ($1 tells when): the game's boxes are its only windows besides
# "Form1" and "Player Name".
no_error_box() {
  local w name
  for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
    name=$(xdotool getwindowname "$w" 2>/dev/null || true)
    case "$name" in Form1|"Player Name") ;; *) fail "a window \"$name\" is open $1" ;; esac
  done
}

# The time the threads of the processes $@ (the game's when none are named)
# stood ready to run while a busy machine ran something else: the kernel's
# run-queue wait, in ns. A process that is gone counts nothing.
run_wait() {
  local p
  for p in "${@:-$game_pid}"; do cat /proc/"$p"/task/*/schedstat 2>/dev/null || true; done |
    awk '{ s += $2 } END { printf "%.0f", s }'
}

# The time the game's threads and the X server's stood ready to run while a
# busy machine ran something else (the kernel's run-queue wait, from its
# scheduler statistics), in ns; fails once the game is gone. A thread counts
# with the most it was seen to have, so one that ends takes nothing away.
held_up() {
  local f rest wait
  [ -e "/proc/$game_pid/schedstat" ] || return 1
  for f in /proc/"$game_pid"/task/*/schedstat ${xvfb_pid:+/proc/"$xvfb_pid"/task/*/schedstat}; do
    read -r _ wait rest 2>/dev/null <"$f" && echo "$f $wait"
  done >>"$work/held_up"
  awk '{ if ($2 > most[$1]) most[$1] = $2 } END { for (k in most) s += most[k]; printf "%.0f", s }' "$work/held_up"
}

# Does "${@:3}" (a signal, a window closed) and waits for the game's end, at
# most 30 s. The time it took is counted without the time the game, or the X
# server it waits on while its windows go, stood ready to run (held_up), and
# without this script's own delays in noticing the end (the last look that
# found it running counts): more than $1 s of that is a game that lingers.
# $2 names the moment in the messages.
time_to_end() {
  local bound=$1 what=$2 t0 q0 q alive_at waited took own
  shift 2
  rm -f "$work/held_up"
  t0=$(date +%s.%N); q0=$(held_up)
  alive_at=$t0; waited=$q0
  "$@"
  for _ in $(seq 600); do
    q=$(held_up) || break
    [ "$(awk '{ print $3 }' "/proc/$game_pid/stat" 2>/dev/null)" = Z ] && break
    alive_at=$(date +%s.%N); waited=$q
    sleep 0.05
  done
  kill -0 "$game_pid" 2>/dev/null && [ "$(awk '{ print $3 }' "/proc/$game_pid/stat")" != Z ] \
    && fail "$what: still running after 30 s"
  read -r took own < <(awk -v t0="$t0" -v a="$alive_at" -v e="$(date +%s.%N)" -v q0="$q0" -v q="$waited" \
    'BEGIN { printf "%.3f %.3f\n", e - t0, (a - t0) - (q - q0) / 1e9 }')
  echo "$what: ended after $took s, $own s of it the game's own"
  awk -v t="$own" -v m="$bound" 'BEGIN { exit !(t <= m) }' || fail "$what: took $own s of its own to end"
}
