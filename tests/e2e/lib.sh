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
