#!/usr/bin/env bash
# End to end: how soon the player hears a drop, all through a long match, and
# what the game leaves on the sound server.
#
#   sound_latency.sh pulse    GAME E2E_X11 EVENTS [SECONDS]
#   sound_latency.sh pipewire GAME E2E_X11 EVENTS [SECONDS]
#   sound_latency.sh memory   GAME E2E_X11 EVENTS [MATCHES]
#
# The real program under Xvfb plays a single game at the default speed for
# SECONDS (default 100) against a private PulseAudio server (pulse) or a
# headless PipeWire with its PulseAudio service and WirePlumber (pipewire,
# skipped with status 77 when not installed), each with a null sink recorded
# from its monitor. Every 3.5 s a filled tube is dragged onto the board; the
# time just before the mouse release is taken, and the injection sound's first
# samples are found in the recording. Prints each drop's delay and the median
# and the worst.
#
# It fails when a drop is heard more than 150 ms late (or not at all), beyond
# the time the processes its sound goes through stood waiting for a busy CPU
# in the 0.3 s after the release; when the
# game holds more than one stream on the server at any of the checks through
# the match, when its stream does not say it is a game with the game's icon and
# desktop entry, or when a stream is left once the program has ended.
#
# memory: MATCHES (default 20) single games one after the other at the fastest
# speed, left to the computer, on PulseAudio; prints the program's private
# dirty memory and its streams on the server at the start of each.
set -euo pipefail
mode="$1"; game="$2"; x11="$3"; events="$4"; seconds="${5:-100}"
[ "$mode" = memory ] && seconds="${5:-20}"
case "$mode" in
  pulse|memory) ;;
  pipewire)
    for p in pipewire pipewire-pulse wireplumber dbus-run-session; do
      command -v "$p" >/dev/null || { echo "SKIP: $p is not installed"; exit 77; }
    done ;;
  *) echo "unknown mode $mode"; exit 2 ;;
esac
src=$(cd "$(dirname "$0")/../.." && pwd)

. "$(dirname "$0")/lib.sh"
fail() {
  echo "FAIL ($mode): $*"
  [ -s "$work/out.log" ] && { echo "--- program output"; tail -30 "$work/out.log"; }
  [ -s "$work/server.log" ] && { echo "--- sound server output"; tail -20 "$work/server.log"; }
  exit 1
}
now() { date +%s.%N; }

mkdir -p "$work/prog" "$work/home" "$work/data" "$work/runtime" "$work/elsewhere"
chmod 700 "$work/runtime"
cp "$game" "$work/prog/agarhold"
start_xvfb 1024x768

# ---- the sound server, with one null sink "cap" ----
pulse="unix:$work/runtime/pulse/native"
server_env=(env -u DISPLAY HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime")
if [ "$mode" != pipewire ]; then
  "${server_env[@]}" pulseaudio -n --daemonize=no --exit-idle-time=-1 --load="module-null-sink sink_name=cap" \
    --load="module-native-protocol-unix auth-anonymous=1" >"$work/server.log" 2>&1 &
  pids+=($!)
else
  # PipeWire's own daemons on a private session bus; its PulseAudio service
  # listens at the same place as PulseAudio would.
  "${server_env[@]}" XDG_CONFIG_HOME="$work/home/.config" dbus-run-session -- sh -c \
    'pipewire & sleep 0.5; wireplumber & pipewire-pulse & wait' >"$work/server.log" 2>&1 &
  pids+=($!)
fi
for _ in $(seq 100); do PULSE_SERVER="$pulse" pactl info >/dev/null 2>&1 && break; sleep 0.1; done
PULSE_SERVER="$pulse" pactl info >/dev/null 2>&1 || fail "the sound server did not start"
[ "$mode" = pipewire ] && PULSE_SERVER="$pulse" pactl load-module module-null-sink sink_name=cap >/dev/null
PULSE_SERVER="$pulse" pactl set-default-sink cap
# The recording goes through a pipe to a helper that notes when each piece
# of it arrived.
mkfifo "$work/rec.pipe"
"$events" --record "$work/rec.raw" <"$work/rec.pipe" &
pids+=($!)
PULSE_SERVER="$pulse" parec -d cap.monitor --latency-msec=20 --raw --format=s16le --rate=44100 --channels=2 \
  >"$work/rec.pipe" 2>/dev/null &
rec_pid=$!
pids+=($rec_pid)
for _ in $(seq 200); do [ -s "$work/rec.raw" ] && break; sleep 0.02; done
[ -s "$work/rec.raw" ] || fail "parec records nothing"
# The wall time of the recording's first sample (176,400 bytes a second): a
# piece arrives as soon as the server has made it, or a little later, so the
# earliest that the pieces allow. $1 and $2 bound the arrival times used.
rec_origin() {
  awk -v from="$1" -v to="$2" '$1 >= from && $1 <= to { o = $1 - $2 / 176400; if (!n++ || o < best) best = o }
    END { printf "%.4f", best }' "$work/rec.raw.times"
}

# ---- the program: name dialog, a single game with the preset injections ----
start_program env -i PATH=/usr/local/bin:/usr/bin:/bin DISPLAY="$DISPLAY" HOME="$work/home" \
  XDG_RUNTIME_DIR="$work/runtime" XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=xcb PULSE_SERVER="$pulse" \
  LANG=C.UTF-8 "$work/prog/agarhold"
read -r dx dy < <(xdotool getwindowgeometry "$dialog" | awk '/Position/ {split($2,p,","); print p[1], p[2]}')
xdotool mousemove $((dx + 100)) $((dy + 40)) click 1 key ctrl+a
xdotool type --delay 20 "Tester"
xdotool mousemove $((dx + 172)) $((dy + 66)) click 1
main=$(timeout 10 xdotool search --sync --name '^Form1$' | head -1) || fail "no main window"
read -r wx wy < <(xdotool getwindowgeometry "$main" | awk '/Position/ {split($2,p,","); print p[1], p[2]}')
sleep 0.3
click() { xdotool mousemove "$1" "$2"; sleep 0.1; xdotool click 1; sleep 0.2; }
click $((wx + 2 + 432 + 30)) $((wy + 2 + 256 + 8))   # game mode 1
start_match() {
  click $((wx + 2 + 370)) $((wy + 2 + 249))          # the start image
  sleep 0.5
  click $((wx + 192 + 188)) $((wy + 200 + 146))      # "Done"
  sleep 3.8
}

if [ "$mode" = memory ]; then
  # Matches one after the other at the fastest speed, each left to the
  # computer: the game's private dirty memory at the start of each.
  title_screen() { [ "$("$x11" pixel $((wx + 4)) $((wy + 4)))" = "0 0 0" ]; }
  for m in $(seq "$seconds"); do
    start_match
    # The speed slider one step to the left, down to 25 ms: the fastest game.
    click $((wx + 288 + 4 + 4)) $((wy + 496 + 2 + 11))
    kb=$(awk '/^Private_Dirty/ { print $2 }' "/proc/$game_pid/smaps_rollup")
    echo "match $m: private dirty $kb kB, the game's streams on the server: $(PULSE_SERVER="$pulse" pactl list short sink-inputs | grep -c . || true)"
    for _ in $(seq 600); do title_screen && break; sleep 0.5; done
    title_screen || fail "match $m did not end within 5 minutes"
    sleep 1
  done
  exit 0
fi
start_match

# The run-queue wait of the processes a drop's sound goes through (the X
# server, the game, the sound server, the recorder) and of their children.
chain_wait() {
  run_wait $(ps -e -o pid=,ppid= | awk -v roots="${pids[*]}" '
    { parent[$1] = $2 } END { n = split(roots, r, " "); for (i = 1; i <= n; ++i) keep[r[i]] = 1
      do { more = 0; for (p in parent) if (!(p in keep) && (parent[p] in keep)) { keep[p] = 1; more = 1 } } while (more)
      for (p in keep) print p }')
}

# ---- drops and counts through the match ----
# The game's streams on the server (the recorder's is a source output, not
# one of these).
streams() { PULSE_SERVER="$pulse" pactl list short sink-inputs | grep -c . || true; }
tube_x=(624 664 624 624 664); tube_y=(128 128 160 192 160)
icon() { "$x11" area $((wx + ${tube_x[$1]} - 16)) $((wy + ${tube_y[$1]} - 16)) 32 32; }
xdotool mousemove $((wx + 20)) $((wy + 520)); sleep 0.3
# Every tube is full at the start; the first one emptied shows what an empty
# tube looks like.
empty=""
drops=()
held=()
max_streams=0
counts=""
t_end=$(awk -v t="$(now)" -v s="$seconds" 'BEGIN { printf "%.3f", t + s }')
tube=0
while awk -v t="$(now)" -v e="$t_end" 'BEGIN { exit !(t < e) }'; do
  kill -0 "$game_pid" 2>/dev/null || fail "the program ended during the match"
  # The next tube that holds a bacterium, if one does.
  picked=-1
  for k in 0 1 2 3 4; do
    j=$(( (tube + k) % 5 ))
    [ "$(icon $j)" != "$empty" ] && { picked=$j; break; }
  done
  if [ "$picked" -ge 0 ]; then
    x0=$((wx + ${tube_x[$picked]})); y0=$((wy + ${tube_y[$picked]}))
    # Into the free-drop band of the magnified view, a different row each time.
    tx=$((wx + 174 + 350)); ty=$((wy + 70 + 40 + (${#drops[@]} * 37) % 320))
    xdotool mousemove "$x0" "$y0"; sleep 0.1
    xdotool mousedown 1
    for s in 1 2 3 4 5 6 7 8; do xdotool mousemove $((x0 + (tx - x0) * s / 8)) $((y0 + (ty - y0) * s / 8)); sleep 0.03; done
    q0=$(chain_wait)
    drops+=("$("$x11" release 1)")
    xdotool mousemove $((wx + 20)) $((wy + 520))
    sleep 0.3
    held+=("$(awk -v q0="$q0" -v q="$(chain_wait)" 'BEGIN { d = (q - q0) / 1e6; printf "%.1f", (d > 0 ? d : 0) }')")
    tube=$(( (picked + 1) % 5 ))
    # The tube timer shows the emptied tube within 125 ms.
    [ -n "$empty" ] || { sleep 0.4; empty=$(icon "$picked"); }
  fi
  # While the injection sound plays, and once it has ended (2 s later).
  for wait in 1 2; do
    n=$(streams)
    counts="$counts $n"
    [ "$n" -gt "$max_streams" ] && max_streams=$n
    sleep $wait
  done
done
echo "drops: ${#drops[@]}; the game's streams on the server while a drop's sound plays and after it:$counts"

# ---- the stream names a game ----
props=$(PULSE_SERVER="$pulse" pactl list sink-inputs)
desktop_id=$(basename "$src/data/agarhold.desktop" .desktop)
for want in "media.role = \"game\"" "application.icon_name = \"agarhold\"" "application.id = \"$desktop_id\""; do
  [[ $props == *"$want"* ]] || stream_fault="${stream_fault:-} no $want;"
done

# ---- the program ends: nothing of it stays on the server ----
"$x11" close "$main"
for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$game_pid" 2>/dev/null && fail "the program still runs after its close box"
sleep 0.5
after=$(streams)
echo "the game's streams after it ended: $after"
kill "$rec_pid" 2>/dev/null || true
sleep 0.2
# The recording's clock against the wall clock: its origin seen from the
# first and from the second half of the match (a server under load may fall
# behind).
half=$(awk -v a="${drops[0]}" -v b="$(now)" 'BEGIN { printf "%.3f", (a + b) / 2 }')
rec_start=$(rec_origin 0 "$half"); rec_end=$(rec_origin "$half" 9e9)
# Where each drop lies in the recording: samples the recorder had before the
# release cannot hold the sound it plays, so its search begins after them,
# whatever the server's clock did.
moments=()
for d in "${drops[@]}"; do
  moments+=("$(awk -v d="$d" '$1 <= d { b = $2 } END { printf "%.4f", b / 176400 }' "$work/rec.raw.times")")
done

# ---- the delays ----
starts=$("$events" "$work/rec.raw" --starts-of "$src/assets/sounds/p1_0.wav" "${moments[@]}") \
  || fail "the recording cannot be searched"
# Two figures a drop: where the sound begins in the recording after what the
# recorder had at the release, on the recording's own clock (the server mixes
# ahead of what is heard, so this is the smaller one), and when the recorder had
# those first samples (a little late: the recorder takes 20 ms at a time). The
# second is the one judged.
# A drop whose injection sound is not found may have been cut off at once by
# another sound of the game (a tick, the computer's injection: one sound at a
# time); it counts as "cut" when another sound begins within 150 ms of it.
onsets=$("$events" "$work/rec.raw" 0 | awk '$1 == "sound" { print $3 }' || true)
delays=$(paste <(printf '%s\n' "${drops[@]}") <(printf '%s\n' "${moments[@]}") <(echo "$starts") |
  awk -v times="$work/rec.raw.times" -v onsets="$onsets" 'BEGIN { while ((getline l < times) > 0) { split(l, f, " "); at[++n] = f[1]; bytes[n] = f[2] }
      no = split(onsets, on, "\n") }
    $3 == "none" { cut = 0; for (i = 1; i <= no; ++i) if (on[i] >= $2 - 0.03 && on[i] <= $2 + 0.15) cut = 1
      print cut ? "cut cut" : "none none"; next }
    { want = int(($2 + $3 / 1000) * 44100 + 1) * 4; k = 1; while (k < n && bytes[k] < want) ++k
      printf "%.1f %.1f\n", $3, (at[k] - $1) * 1000 }')
paste <(printf '%s\n' "${drops[@]}") <(echo "$delays") <(printf '%s\n' "${held[@]}") |
  awk -v first="${drops[0]}" '{ printf "  drop at %7.2f s: begins %s ms after the release, recorded after %s ms%s\n", $1 - first, $2, $3,
    ($4 >= 1 ? sprintf(" (waited for a CPU %.0f ms)", $4) : "") }'
for column in 1 2; do
  echo "$delays" | awk -v c=$column '{ print $c }' | sort -n | awk -v mode="$mode" -v c=$column -v drift="$rec_start $rec_end" '
    $1 == "none" { missing++; next } $1 == "cut" { cut++; next } { d[n++] = $1 }
    END { split(drift, o, " ")
          printf "%s, %s: %d drops heard, %d cut off by another sound, %d not heard; median %.1f ms, worst %.1f ms\n", mode,
                 c == 1 ? "sound begins (recording clock)" : "first samples recorded", n, cut, missing,
                 n ? (n % 2 ? d[int(n / 2)] : (d[n / 2 - 1] + d[n / 2]) / 2) : 0, n ? d[n - 1] : 0
          if (c == 2) printf "(the recording kept the wall clock within %.1f ms)\n", (o[2] - o[1]) * 1000 }'
done
bad=""
[ "${#drops[@]}" -ge $((seconds / 10)) ] || bad="$bad only ${#drops[@]} drops in $seconds s;"
[[ $delays == *none* ]] && bad="$bad a drop was not heard;"
echo "$delays" | awk '$1 == "cut" { c++ } END { exit !(4 * c > NR) }' && bad="$bad more than a quarter of the drops cut off;"
paste -d ' ' <(echo "$delays") <(printf '%s\n' "${held[@]}") |
  awk '$2 + 0 == $2 && $2 > 150 + $3 { found = 1 } END { exit !found }' && bad="$bad a drop was heard more than 150 ms late;"
[ "$max_streams" -le 1 ] || bad="$bad $max_streams streams of the game at once;"
[ "$after" -eq 0 ] || bad="$bad $after streams left after the program ended;"
[ -z "${stream_fault:-}" ] || bad="$bad the stream says$stream_fault"
[ -z "$bad" ] || { cp "$work/rec.raw" "/tmp/agarhold-latency-$mode.raw"; cp "$work/rec.raw.times" "/tmp/agarhold-latency-$mode.raw.times"
  echo "recording kept in /tmp/agarhold-latency-$mode.raw, drops at ${moments[*]} s"
  grep -E "Sink Input|media\.|application\." <<<"$props" | sed -n 1,40p; fail "$bad"; }
echo "1 passed, 0 failed"
