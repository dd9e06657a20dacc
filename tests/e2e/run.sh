#!/usr/bin/env bash
# End to end: the real program under Xvfb, played with xdotool, in one of four
# settings:
#
#   run.sh writable  GAME E2E_X11          a copy of the program in a writable
#                                          folder: the saved files lie next to it,
#                                          nothing in the per-user data folder; no
#                                          sound server: the game plays silently
#   run.sh readonly  GAME E2E_X11          the same program in a read-only folder,
#                                          run as an ordinary user: the files go
#                                          to $XDG_DATA_HOME/agarhold, none next to
#                                          the program, no error box
#   run.sh sound     GAME E2E_X11 EVENTS   a PulseAudio server with a null sink:
#                                          the monitor's recording holds the clock
#                                          ticks and the injection's sound
#   run.sh unsavable GAME E2E_X11          saved files that exist next to the
#                                          program, read-only in a read-only folder,
#                                          run as an ordinary user: they are read
#                                          there; the first close shows the error
#                                          box and the window stays, the second
#                                          shows it again and the program ends
#   run.sh installed PKGDIR E2E_X11        the Debian package in PKGDIR unpacked
#                                          into a read-only root, run from there
#                                          as an ordinary user; its desktop entry
#                                          resolves inside that root
#
# Each run but "unsavable" answers the name dialog, starts a single game with the two preset
# global injections, drags tube 1 onto the board and sees blue cells appear,
# fires a weapon, closes the window with its close box and checks the two
# saved files byte for byte. The window must carry the game's icon and the
# class its desktop entry names.
set -euo pipefail
mode="$1"
case "$mode" in
  writable|readonly|unsavable) game="$2"; x11="$3" ;;
  sound) game="$2"; x11="$3"; events="$4" ;;
  installed) pkgdir="$2"; x11="$3" ;;
  *) echo "unknown mode $mode"; exit 2 ;;
esac
src=$(cd "$(dirname "$0")/../.." && pwd)

. "$(dirname "$0")/lib.sh"
chmod 755 "$work"  # the ordinary user must reach the program inside
fail() {
  echo "FAIL ($mode): $*"
  "$x11" shot "$work/fail.ppm" 2>/dev/null && cp "$work/fail.ppm" "/tmp/agarhold-e2e-$mode-fail.ppm" \
    && echo "screen saved to /tmp/agarhold-e2e-$mode-fail.ppm"
  [ -s "$work/out.log" ] && { echo "--- program output"; cat "$work/out.log"; }
  exit 1
}

# ---- the program, where it runs from, who runs it, where its files must land ----
user=root
mkdir -p "$work/elsewhere" "$work/home" "$work/data" "$work/runtime"
case "$mode" in
  writable|sound)
    mkdir -p "$work/prog"
    cp "$game" "$work/prog/agarhold"
    prog="$work/prog/agarhold"
    files="$work/prog"; not_files="$work/data/agarhold"
    ;;
  readonly)
    mkdir -p "$work/prog"
    cp "$game" "$work/prog/agarhold"
    chmod 555 "$work/prog"
    prog="$work/prog/agarhold"
    user=nobody
    files="$work/data/agarhold"; not_files="$work/prog"
    ;;
  unsavable)
    mkdir -p "$work/prog"
    cp "$game" "$work/prog/agarhold"
    # A highscore file of zeros but for the rating, 1700 (0x06A4, little-endian).
    head -c 2808 /dev/zero >"$work/prog/S.hs"
    printf '\244\006' | dd of="$work/prog/S.hs" bs=1 seek=2800 conv=notrunc status=none
    printf 'Keeper\r\n' >"$work/prog/Pl.nam"
    cp "$work/prog/S.hs" "$work/S.hs.before"
    chmod 444 "$work/prog/S.hs" "$work/prog/Pl.nam"
    chmod 555 "$work/prog"
    prog="$work/prog/agarhold"
    user=nobody
    files="$work/prog"; not_files="$work/data/agarhold"
    ;;
  installed)
    deb=$(ls "$pkgdir"/agarhold_*.deb 2>/dev/null | head -1)
    [ -n "$deb" ] || fail "no package in $pkgdir"
    dpkg-deb -x "$deb" "$work/root"
    chmod -R a-w,a+rX "$work/root"
    prog="$work/root/usr/games/agarhold"
    [ -x "$prog" ] || fail "the package holds no usr/games/agarhold"
    user=nobody
    files="$work/data/agarhold"; not_files="$work/root/usr/games"
    ;;
esac
# The ordinary user owns its home, data and runtime folders, as at a login.
[ "$user" = root ] || chown nobody:nogroup "$work/elsewhere" "$work/home" "$work/data" "$work/runtime"
chmod 700 "$work/runtime"

# ---- the desktop entry of the installed package resolves inside its root ----
if [ "$mode" = installed ]; then
  entry="$work/root/usr/share/applications/agarhold.desktop"
  [ -f "$entry" ] || fail "no desktop entry"
  key() { sed -n "s/^$1=//p" "$entry" | head -1; }
  exec_cmd=$(key Exec | awk '{print $1}')
  case "$exec_cmd" in
    /*) exec_path="$work/root$exec_cmd" ;;
    *) exec_path=""
       # Debian's PATH for a desktop session holds /usr/games after /usr/bin.
       for d in usr/bin usr/games; do
         [ -x "$work/root/$d/$exec_cmd" ] && { exec_path="$work/root/$d/$exec_cmd"; break; }
       done ;;
  esac
  [ -n "$exec_path" ] && [ -x "$exec_path" ] || fail "Exec=$(key Exec) names no program in the package"
  [ "$(realpath "$exec_path")" = "$(realpath "$prog")" ] || fail "Exec=$(key Exec) is not $prog"
  icon=$(key Icon)
  for size in 16 32 48 64 128 256 512; do
    png="$work/root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png"
    [ -f "$png" ] || fail "Icon=$icon: no ${size}x${size} icon in the package"
    # The PNG header's width and height (big-endian, bytes 16..23) match the folder.
    read -r w h < <(od -An -v -t u1 -j 16 -N 8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "$png is ${w}x${h}"
  done
  wmclass_expected=$(key StartupWMClass)
  meta=$(ls "$work"/root/usr/share/metainfo/*.metainfo.xml | head -1)
  grep -q '<launchable type="desktop-id">agarhold.desktop</launchable>' "$meta" || fail "metainfo launches no agarhold.desktop"
  man="$work/root/usr/share/man/man6/agarhold.6.gz"
  [ "$(gzip -dc "$man" | sed -n 's/^\.TH \([A-Z]*\) \([0-9]\).*/\1 \2/p')" = "AGARHOLD 6" ] || fail "no manual page in section 6"
else
  wmclass_expected=$(sed -n 's/^StartupWMClass=//p' "$src/data/agarhold.desktop")
fi

# ---- a free X display, picked by the server itself ----
start_xvfb 1280x1024

# ---- sound: a private PulseAudio server with one null sink, or none at all ----
if [ "$mode" = sound ]; then
  env -u DISPLAY HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --load="module-null-sink sink_name=cap" --load="module-native-protocol-unix auth-anonymous=1" \
    >"$work/pulse.log" 2>&1 &
  pids+=($!)
  pulse="unix:$work/runtime/pulse/native"
  for _ in $(seq 100); do PULSE_SERVER="$pulse" pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  PULSE_SERVER="$pulse" pactl info >/dev/null 2>&1 || fail "PulseAudio did not start: $(cat "$work/pulse.log")"
  # The recorder's stream asks for 20 ms pieces: the null sink then renders
  # in small blocks, and the recording keeps the time at which each sound was
  # played.
  PULSE_SERVER="$pulse" "$events" --record-from cap.monitor "$work/rec.raw" &
  rec_pid=$!
  pids+=($rec_pid)
  for _ in $(seq 200); do [ -s "$work/rec.raw.clock" ] && break; sleep 0.05; done
  [ -s "$work/rec.raw.clock" ] || fail "the recorder records nothing"
  # A moment is placed in the recording by the server's own timing of the
  # recording stream, not by what the recorder has written so far: a recorder
  # (or this script) held up by a busy machine would shift every moment.
  rec_at() { "$events" "$work/rec.raw" --at "$1"; }
  since_rec() { rec_at "$(date +%s.%N)"; }
else
  # A server address where none listens: the game must find no sound device
  # and play on silently (and no server may be started on its behalf).
  pulse="unix:$work/no-sound-server"
fi

# ---- start the program from another folder ----
run_env=(env -i PATH=/usr/local/bin:/usr/bin:/bin:/usr/games DISPLAY="$DISPLAY" HOME="$work/home"
         XDG_RUNTIME_DIR="$work/runtime" XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=xcb
         PULSE_SERVER="$pulse" LANG=C.UTF-8)
if [ "$user" = root ]; then
  start_program "${run_env[@]}" "$prog"
else
  start_program setpriv --reuid=nobody --regid=nogroup --clear-groups "${run_env[@]}" "$prog"
fi
no_error_box "at start-up"
read -r dx dy < <(xdotool getwindowgeometry "$dialog" | awk '/Position/ {split($2,p,","); print p[1], p[2]}')
xdotool mousemove $((dx + 100)) $((dy + 40)) click 1
xdotool key ctrl+a
if [ "$mode" = unsavable ]; then
  # The name file cannot be written: an empty name leaves it as it is.
  xdotool key BackSpace
else
  xdotool type --delay 20 "Tester"
fi
xdotool mousemove $((dx + 172)) $((dy + 66)) click 1
sleep 0.5
[ -f "$files/Pl.nam" ] || fail "Pl.nam not written to $files at OK"

main=$(timeout 10 xdotool search --sync --name '^Form1$' | head -1) || fail "no main window"
read -r wx wy < <(xdotool getwindowgeometry "$main" | awk '/Position/ {split($2,p,","); print p[1], p[2]}')
[ -f "$files/S.hs" ] || fail "S.hs not created in $files at start-up"

# The window's icon: the sizes a window manager draws, 16 to 64, the colony in the middle of
# each, a transparent corner; and the class the desktop entry names.
icons=$("$x11" icon "$main") || fail "the window has no icon"
echo "window icons (size, centre, corner):"; echo "$icons"
[ "$(echo "$icons" | awk '{print $1 "x" $2}' | sort -n | tr '\n' ' ')" = "16x16 32x32 48x48 64x64 " ] \
  || fail "icon sizes are not 16 to 64"
echo "$icons" | awk '{ if (substr($3,1,2) != "ff" || substr($4,1,2) != "00") bad = 1 } END { exit bad }' \
  || fail "icon pixels: the centre must be opaque, the corner transparent"
wmclass=$(xprop -id "$main" WM_CLASS | sed 's/.*= //')
echo "WM_CLASS: $wmclass"
[ "$wmclass" = "\"agarhold\", \"$wmclass_expected\"" ] || fail "WM_CLASS $wmclass, not agarhold and $wmclass_expected"

# ---- a program whose files cannot be saved: told twice, the player may go ----
if [ "$mode" = unsavable ]; then
  no_error_box "before the close"
  for attempt in 1 2; do
    "$x11" close "$main"
    box=$(timeout 10 xdotool search --sync --onlyvisible --name '^Agarhold$' | head -1) \
      || fail "close $attempt: no error box"
    echo "close $attempt: error box \"$(xdotool getwindowname "$box")\" shown"
    sleep 0.3
    "$x11" close "$box"   # its OK
    for _ in $(seq 50); do xdotool search --onlyvisible --name '^Agarhold$' >/dev/null 2>&1 || break; sleep 0.1; done
    sleep 0.5
    if [ $attempt = 1 ]; then
      kill -0 "$game_pid" 2>/dev/null || fail "the program ended at the first failed close"
      xdotool search --onlyvisible --name '^Form1$' >/dev/null || fail "the window closed at the first failed close"
    fi
  done
  for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$game_pid" 2>/dev/null && fail "program still running after the second failed close"
  cmp -s "$work/prog/S.hs" "$work/S.hs.before" || fail "S.hs changed"
  [ "$(od -An -c "$work/prog/Pl.nam" | tr -s ' ')" = " K e e p e r \r \n" ] || fail "Pl.nam changed"
  [ ! -e "$work/data/agarhold" ] || fail "files went to the data folder though they exist next to the program"
  echo "1 passed, 0 failed"
  exit 0
fi

click() { xdotool mousemove "$1" "$2"; sleep 0.1; xdotool click 1; sleep 0.2; }
pixel() { "$x11" pixel "$1" "$2"; }

# Game mode 1 (a single game), then the start image.
click $((wx + 2 + 432 + 30)) $((wy + 2 + 256 + 8))
click $((wx + 2 + 370)) $((wy + 2 + 249))
sleep 0.5
# The chooser's Done with the presets.
click $((wx + 192 + 188)) $((wy + 200 + 146))
[ "$mode" = sound ] && echo "chooser done at $(since_rec) s of the recording" && wait_ref=$(run_wait)
sleep 3.8   # countdown 3, 2, 1

# With a sound server, drop between two clock ticks, about 1.5 s after the
# first (4 s into the match): a tick cuts off the sound that plays, one sound
# at a time.
if [ "$mode" = sound ]; then
  for _ in $(seq 100); do tick=$("$events" "$work/rec.raw" --first-tick) && break; sleep 0.2; done
  [ -n "${tick:-}" ] || fail "no clock tick within 20 s"
  echo "first tick at $tick s of the recording"
  sleep "$(awk -v t="$tick" -v now="$(since_rec)" 'BEGIN { w = t + 0.8 - now; print (w > 0 ? w : 0) }')"
fi

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
released=$("$x11" release 1)
[ "$mode" = sound ] && drop_at=$(rec_at "$released") && echo "tube dropped at $drop_at s of the recording"
sleep 0.4
read -r r g b < <(pixel "$tx" "$ty")
echo "board pixel before the drop: blue $before_b; after: $r $g $b"
[ "$b" -ge $((before_b + 40)) ] && [ "$r" -lt 40 ] && [ "$g" -lt 40 ] || fail "no blue cells where the tube was dropped"

# The clock ticks every 4 s of match time: record a few of them.
[ "$mode" = sound ] && sleep 13

# Fire the first global injection: the button dims to opacity 10.
read -r w1r w1g w1b < <(pixel $((wx + 592 + 16)) $((wy + 384 + 16)))
click $((wx + 592 + 16)) $((wy + 384 + 16))
xdotool mousemove $((wx + 20)) $((wy + 520))
sleep 0.5
read -r w2r w2g w2b < <(pixel $((wx + 592 + 16)) $((wy + 384 + 16)))
echo "weapon button before: $w1r $w1g $w1b; after: $w2r $w2g $w2b"
[ $((w2r + w2g + w2b)) -lt $((w1r + w1g + w1b)) ] || fail "weapon button not spent"

[ "$mode" = sound ] && late=$(awk -v q="$(run_wait)" -v q0="$wait_ref" 'BEGIN { printf "%.3f", (q - q0) / 1e9 }') &&
  echo "the game stood waiting to run for $late s in the match"
# Close the window as its close box does: the program saves and ends.
"$x11" close "$main"
for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$game_pid" 2>/dev/null && { no_error_box "after the close"; fail "program still running after close"; }
wait "$game_pid" || fail "program exit status $?"

# ---- the saved files, where they belong and nowhere else ----
hs="$files/S.hs"
size=$(stat -c %s "$hs")
[ "$size" -eq 2808 ] || fail "S.hs is $size bytes"
# No game was finished: the defaults stand, with "Hollowbrine" first in table 1,
# score 9999, and the rating 1600 at byte 2800, little-endian.
field() { od -An -v -t "$1" -j "$2" -N "$3" "$hs" | tr -d ' '; }
[ "$(field u1 0 1)" = 11 ] || fail "first name's length byte is $(field u1 0 1)"
[ "$(od -An -c -j 1 -N 11 "$hs" | tr -d ' ')" = Hollowbrine ] || fail "first name is not Hollowbrine"
[ "$(field d4 24 4)" = 9999 ] || fail "first score is $(field d4 24 4)"
[ "$(field d4 2800 4)" = 1600 ] || fail "rating is $(field d4 2800 4)"
[ "$(od -An -c "$files/Pl.nam" | tr -s ' ')" = " T e s t e r \r \n" ] || fail "Pl.nam is $(od -An -c "$files/Pl.nam")"
for f in S.hs Pl.nam; do
  [ ! -e "$not_files/$f" ] || fail "$f also written to $not_files"
  [ ! -e "$work/elsewhere/$f" ] || fail "$f written to the current folder"
done
[ "$mode" = writable ] && [ -e "$work/data/agarhold" ] && fail "a data folder was made though the program's folder is writable"
[ "$mode" = writable ] || [ "$mode" = sound ] || [ "$(ls -A "$files")" = "$(printf 'Pl.nam\nS.hs')" ] \
  || fail "the data folder holds more than the two files: $(ls -A "$files")"

# ---- the recording: ticks about every 4 s and the injection's sound at the drop ----
if [ "$mode" = sound ]; then
  sleep 0.3
  kill "$rec_pid" 2>/dev/null || true
  "$events" "$work/rec.raw" "$drop_at" "$late" || {
    cp "$work/rec.raw" /tmp/agarhold-e2e-sound.raw
    fail "the sounds did not arrive as they should (recording kept in /tmp/agarhold-e2e-sound.raw)"
  }
fi
echo "1 passed, 0 failed"
