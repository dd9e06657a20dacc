#!/usr/bin/env bash
# The main window on a real screen, under Xvfb with openbox (so the frame is
# real), or under a Wayland compositor:
#
#   window.sh place SCALE GAME E2E_X11    a 1366 x 768 screen at QT_SCALE_FACTOR
#                                         SCALE: the whole frame lies on the
#                                         screen; at 1 the frame's corner is at
#                                         265, 146; where the design place would
#                                         stick out, moved just far enough; where
#                                         the window cannot fit, as large as the
#                                         screen allows
#   window.sh place-late SCALE GAME E2E_X11
#                                         the same with a window manager that is
#                                         late: openbox is stopped while the game
#                                         starts, and the game while openbox then
#                                         frames and shows the window: the window
#                                         shows first where the game asked, and
#                                         that place must fit with its frame
#   window.sh minsize GAME E2E_X11        the window refuses to shrink below its
#                                         747 x 543 client area
#   window.sh maximized GAME E2E_X11      maximised: the title screen and a match
#                                         scaled up uniformly and centred on
#                                         #070707, the board's cells solid blocks,
#                                         and a tube dragged onto the scaled board
#                                         lands on the cell under the pointer
#   window.sh wayland GAME                weston's headless backend and no X
#                                         server: the game starts, shows its name
#                                         dialog, and ends cleanly
#   window.sh dialog WM GAME E2E_X11      with openbox (WM openbox) or no window
#                                         manager (none): the name dialog asks
#                                         for a close button only, no minimise
#                                         or maximise, and is centred on the main
#                                         window frame on frame; the main window
#                                         destroyed from outside ends the game
#                                         at once with status 0
#   window.sh wayland-x11 GAME E2E_X11    weston's X11 backend in Xvfb, seen as
#                                         a player sees it: the name dialog's
#                                         title whole in Qt's title bar, a tube's
#                                         hint whole inside the window, and hints
#                                         still shown after a drag and drop
set -euo pipefail
mode="$1"
wm=openbox
case "$mode" in
  place|place-late) scale="$2"; game="$3"; x11="$4" ;;
  minsize|maximized) scale=1; game="$2"; x11="$3" ;;
  dialog) scale=1; wm="$2"; game="$3"; x11="$4" ;;
  wayland) game="$2" ;;
  wayland-x11) scale=1; game="$2"; x11="$3" ;;
  *) echo "unknown mode $mode"; exit 2 ;;
esac
. "$(dirname "$0")/lib.sh"
fail() {
  echo "FAIL ($mode ${scale:-}): $*"
  if [ -n "${x11:-}" ] && "$x11" shot "$work/fail.ppm" 2>/dev/null; then
    cp "$work/fail.ppm" "/tmp/agarhold-window-$mode-fail.ppm" && echo "screen saved to /tmp/agarhold-window-$mode-fail.ppm"
  fi
  [ -s "$work/out.log" ] && { echo "--- program output"; cat "$work/out.log"; }
  [ -s "$work/weston.log" ] && { cp "$work/weston.log" /tmp/agarhold-window-weston.log; echo "weston log kept in /tmp/agarhold-window-weston.log"; grep -v "\[proto\]" "$work/weston.log" | tail -20; }
  exit 1
}
mkdir -p "$work/prog" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
cp "$game" "$work/prog/agarhold"

# ---- Wayland: weston on its headless backend, no X server at all ----
if [ "$mode" = wayland ]; then
  # The protocol log shows which windows the game made and what it drew.
  env -i PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home" \
    weston --backend=headless-backend.so --socket=agarhold-test --width=1024 --height=768 \
      --idle-time=0 --logger-scopes=log,proto >"$work/weston.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -S "$work/runtime/agarhold-test" ] && break; sleep 0.1; done
  [ -S "$work/runtime/agarhold-test" ] || fail "weston did not start"
  # The platform is not named: with WAYLAND_DISPLAY and no DISPLAY, Qt picks Wayland.
  (cd "$work/home" && exec env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" \
     WAYLAND_DISPLAY=agarhold-test LANG=C.UTF-8 "$work/prog/agarhold") >"$work/out.log" 2>&1 &
  game_pid=$!
  pids+=($game_pid)
  # The name dialog's window: its title, then a frame with its picture.
  for _ in $(seq 100); do grep -q 'set_title("Player Name")' "$work/weston.log" && break; sleep 0.1; done
  grep -q 'set_title("Player Name")' "$work/weston.log" || fail "no \"Player Name\" window"
  grep -q 'set_title("Form1")' "$work/weston.log" || fail "no \"Form1\" window"
  sleep 1
  kill -0 "$game_pid" 2>/dev/null || fail "the game ended by itself"
  # The game's windows drew: buffers attached to their surfaces and committed.
  attached=$(grep -c 'wl_surface@[0-9]*\.attach(wl_buffer@' "$work/weston.log" || true)
  echo "buffers the game attached: $attached"
  [ "$attached" -ge 2 ] || fail "the game's windows drew nothing"
  cp "$work/weston.log" /tmp/agarhold-window-weston-ok.log
  # Terminated as a session ends it: a plain exit, no abort, no core.
  kill -TERM "$game_pid"
  status=0
  wait "$game_pid" || status=$?
  echo "exit status after SIGTERM: $status"
  [ "$status" = 0 ] || [ "$status" = 143 ] || fail "exit status $status after SIGTERM"
  grep -qi "could not find the qt platform plugin\|core dumped\|Aborted" "$work/out.log" && fail "the program aborted"
  echo "--- program output"; cat "$work/out.log"
  echo "1 passed, 0 failed"
  exit 0
fi

# ---- Wayland in a window of an X display: what the player sees ----
if [ "$mode" = wayland-x11 ]; then
  start_xvfb 1366x768
  env -i PATH=/usr/bin:/bin DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home" \
    weston --backend=x11-backend.so --socket=agarhold-test --width=1366 --height=768 \
      --idle-time=0 --logger-scopes=log >"$work/weston.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -S "$work/runtime/agarhold-test" ] && break; sleep 0.1; done
  [ -S "$work/runtime/agarhold-test" ] || fail "weston did not start"
  (cd "$work/home" && exec env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" \
     WAYLAND_DISPLAY=agarhold-test PULSE_SERVER="unix:$work/no-sound-server" LANG=C.UTF-8 \
     "$work/prog/agarhold") >"$work/out.log" 2>&1 &
  game_pid=$!
  pids+=($game_pid)
  # The name dialog's client area is its #00005E.
  for _ in $(seq 100); do dialog=$("$x11" find 0 0 94) && break; sleep 0.1; done
  [ -n "${dialog:-}" ] || fail "no name dialog on the screen"
  sleep 1
  read -r dx dy dw dh <<<"$("$x11" find 0 0 94)"
  echo "name dialog: client $dx,$dy ${dw}x$dh"
  [ "$dh" = 84 ] || fail "the name dialog is $dh high, not 84"
  # Qt's title bar above it: the window icon, the title centred on the bar,
  # the three buttons. A title cut short at the buttons runs into them and
  # is not centred. The title is read in the dark ink of the active window:
  # the dialog takes the keyboard when weston activates it, which a busy
  # machine may put off for a while; until then the bar is pale.
  title_ink() {
    ink=$("$x11" ink "$dx" $((dy - 24)) "$dw" 18)
    # Runs of ink 7 or more pixels apart: the icon (at the left), the words
    # of the title, the three buttons (the last three).
    read -r tl tr <<<"$(awk -v ink="$ink" -v w="$dw" 'BEGIN {
      n = 0; gap = 99
      for (i = 1; i <= w; i++) {
        if (substr(ink, i, 1) == "1") { if (gap >= 7) { n++; s[n] = i - 1 } e[n] = i - 1; gap = 0 } else gap++
      }
      first = (n > 0 && s[1] < 30) ? 2 : 1; last = n - 3
      if (last >= first) printf "%d %d", s[first], e[last]; else printf "-1 -1" }')"
  }
  activated=$(date +%s.%N)
  for _ in $(seq 300); do title_ink; [ "$tl" -ge 0 ] && break; sleep 0.1; done
  echo "title ink from $tl to $tr on a bar of $dw ($ink), $(awk -v a="$activated" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s after the first look"
  [ "$tl" -ge 0 ] || fail "no title in the middle of the name dialog's title bar (the dialog never became active?)"
  off=$(( (tl + tr) - (dw - 1) ))
  [ "$off" -le 4 ] && [ "$off" -ge -4 ] || fail "the title (pixels $tl..$tr) is not centred on the $dw pixel bar: cut short?"
  # Weston's X11 backend moves its own pointer by the X pointer's motion,
  # clamped to its output, so the two may start out of line: a click then
  # lands elsewhere (here once on the panel's terminal launcher). Pushed into
  # both corners in steps, they agree; then the pointer goes to OK.
  for corner in "1365 767" "0 0"; do
    read -r kx ky <<<"$corner"
    for s in 4 3 2 1 0; do
      xdotool mousemove $(( kx > 0 ? kx - 20 * s : 20 * s )) $(( ky > 0 ? ky - 20 * s : 20 * s )); sleep 0.03
    done
    sleep 0.1
  done
  ox=$((dx + (dw - 215) / 2 + 172)); oy=$((dy + 66))
  for s in 4 3 2 1 0; do xdotool mousemove $((ox - 20 * s)) $((oy + 20 * s)); sleep 0.03; done
  sleep 0.2; xdotool click 1
  for _ in $(seq 50); do "$x11" find 0 0 94 >/dev/null || break; sleep 0.1; done
  "$x11" find 0 0 94 >/dev/null && fail "the name dialog stays open"
  # The main window's client area: its #070707 margins (below weston's panel).
  read -r cx cy cw ch <<<"$("$x11" find 7 7 7 0 40 1366 728)" || fail "no main window on the screen"
  echo "main window: client $cx,$cy ${cw}x$ch"
  [ "$cw" = 747 ] && [ "$ch" = 543 ] || fail "the main window's client is ${cw}x$ch"
  click() { xdotool mousemove $((cx + $1)) $((cy + $2)); sleep 0.15; xdotool click 1; sleep 0.25; }
  click $((2 + 370)) $((2 + 249))
  sleep 0.5
  click $((192 + 188)) $((200 + 146))
  sleep 3.8
  # Tube 1, 123 pixels from the window's right edge: its hint is far wider.
  xdotool mousemove $((cx + 620)) $((cy + 124)); sleep 0.2; xdotool mousemove $((cx + 624)) $((cy + 128))
  for _ in $(seq 30); do tip=$("$x11" find 255 255 220) && break; sleep 0.1; done
  [ -n "${tip:-}" ] || fail "no hint over tube 1"
  sleep 0.3
  read -r hx hy hw hh <<<"$("$x11" find 255 255 220)"
  echo "hint of tube 1: $hx,$hy ${hw}x$hh"
  [ "$hw" -ge 200 ] || fail "the hint is only $hw pixels wide"
  [ "$hx" -ge $((cx - 3)) ] && [ $((hx + hw)) -le $((cx + cw + 3)) ] && [ $((hy + hh)) -le $((cy + ch + 3)) ] \
    || fail "the hint at $hx..$((hx + hw)) runs out of the window ($cx..$((cx + cw)))"
  # Tube 1 dropped on the board. Weston keeps the keyboard after a drag, so
  # the window stays inactive (grey title) until the next click; the hints
  # show all the same.
  xdotool mousedown 1
  for s in 1 2 3 4 5 6 7 8 9 10; do
    xdotool mousemove $((cx + 624 - (624 - 524) * s / 10)) $((cy + 128 + (271 - 128) * s / 10)); sleep 0.05
  done
  xdotool mouseup 1
  sleep 0.5
  echo "title bar after the drop: $("$x11" ink "$cx" $((cy - 24)) "$cw" 18 | tr -d 0 | wc -c) dark columns"
  "$x11" find 255 255 220 >/dev/null && fail "a hint stays up after the drop"
  xdotool mousemove $((cx + 660)) $((cy + 124)); sleep 0.2; xdotool mousemove $((cx + 664)) $((cy + 128))
  tip=""
  for _ in $(seq 30); do tip=$("$x11" find 255 255 220) && break; sleep 0.1; done
  [ -n "$tip" ] || fail "no hint over tube 2 after a drop"
  echo "hint of tube 2 after the drop: $tip"
  kill -TERM "$game_pid"
  status=0
  wait "$game_pid" || status=$?
  [ "$status" = 0 ] || fail "exit status $status after SIGTERM"
  echo "1 passed, 0 failed"
  exit 0
fi

# ---- X: a free display picked by the server itself, and openbox ----
case "$mode" in
  place|place-late|minsize|maximized|dialog) screen=1366x768 ;;
esac
sw=${screen%x*}; sh=${screen#*x}
start_xvfb "$screen"
if [ "$wm" = openbox ]; then
  # A window manager that gave up at once (it could not connect, on a
  # loaded machine) is started again, up to three times.
  for _ in 1 2 3; do
    HOME="$work/home" openbox --sm-disable >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    pids+=($wm_pid)
    for _ in $(seq 400); do
      [[ "$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null)" == *"window id"* ]] && break 2
      kill -0 "$wm_pid" 2>/dev/null || break
      sleep 0.05
    done
    kill -0 "$wm_pid" 2>/dev/null && break
  done
  [[ "$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null)" == *"window id"* ]] || fail "openbox did not start: $(cat "$work/openbox.log")"
fi
# A busy desktop: the window manager does not answer while the game starts.
# It is stopped in its event loop, once it has answered a request (a second
# desktop), not in the middle of its own start.
if [ "$mode" = place-late ]; then
  # Asked again until answered: a request sent before openbox listens is lost.
  for _ in $(seq 300); do
    xdotool set_num_desktops 2
    [[ "$(xprop -root _NET_NUMBER_OF_DESKTOPS 2>/dev/null)" == *"= 2" ]] && break; sleep 0.1
  done
  [[ "$(xprop -root _NET_NUMBER_OF_DESKTOPS 2>/dev/null)" == *"= 2" ]] || fail "openbox does not answer"
  kill -STOP "$wm_pid"
fi

(cd "$work/home" && exec env -i PATH=/usr/bin:/bin DISPLAY="$DISPLAY" HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" \
   QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale" PULSE_SERVER="unix:$work/no-sound-server" LANG=C.UTF-8 \
   "$work/prog/agarhold") >"$work/out.log" 2>&1 &
game_pid=$!
pids+=($game_pid)

dialog=$(timeout 20 xdotool search --sync --name '^Player Name$' | head -1) || fail "no name dialog"
main=$(timeout 10 xdotool search --sync --name '^Form1$' | head -1) || fail "no main window"
geometry() { "$x11" frame "$1" | tr '\n' ' '; }
on_screen() { [ "$1" -ge 0 ] && [ "$2" -ge 0 ] && [ $(($1 + $3)) -le "$sw" ] && [ $(($2 + $4)) -le "$sh" ]; }

# ---- where it shows first, with a late window manager ----
if [ "$mode" = place-late ]; then
  # The name dialog's window is made after the main window was asked to show:
  # the game has asked. Now the game is the one that is late, and the window
  # manager frames and shows the window where the game asked, before the game
  # can move it.
  kill -STOP "$game_pid"
  kill -CONT "$wm_pid"
  for _ in $(seq 300); do
    [[ "$(xprop -id "$main" _NET_FRAME_EXTENTS 2>/dev/null)" == *=* ]] &&
      grep -q 'Map State: IsViewable' <<<"$(xwininfo -id "$main")" && break
    sleep 0.1
  done
  grep -q 'Map State: IsViewable' <<<"$(xwininfo -id "$main")" || fail "openbox did not show the main window within 30 s"
  read -r fx fy fw fh cx cy cw ch <<<"$(geometry "$main")"
  echo "shown first: frame $fx,$fy ${fw}x$fh, client $cx,$cy ${cw}x$ch on a ${sw}x$sh screen at scale $scale"
  on_screen "$fx" "$fy" "$fw" "$fh" || fail "the window shows first with its frame off the screen"
  kill -CONT "$game_pid"
fi

# The frame settles once the window manager has told it and the game has fitted it.
last=""
for _ in $(seq 40); do
  now=$(geometry "$main"); [ "$now" = "$last" ] && break; last=$now; sleep 0.15
done
read -r fx fy fw fh cx cy cw ch <<<"$(geometry "$main")"
echo "frame $fx,$fy ${fw}x$fh, client $cx,$cy ${cw}x$ch on a ${sw}x$sh screen at scale $scale"

# The name dialog, answered with its OK (136, 56, 73 x 21 at the design scale),
# once it has settled on the main window's centre.
last=""
for _ in $(seq 40); do
  now=$(geometry "$dialog") || true; [ "$now" = "$last" ] && break; last=$now; sleep 0.15
done
read -r _ _ _ _ dx dy _ _ <<<"$(geometry "$dialog")"
answer_dialog() {
  xdotool mousemove "$(awk -v d="$dx" -v s="$scale" 'BEGIN { printf "%d", d + 172 * s }')" \
                    "$(awk -v d="$dy" -v s="$scale" 'BEGIN { printf "%d", d + 66 * s }')" click 1
  for _ in $(seq 50); do xdotool search --onlyvisible --name '^Player Name$' >/dev/null 2>&1 || return 0; sleep 0.1; done
  fail "the name dialog stays open"
}
close_and_end() {
  "$x11" close "$main"
  for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$game_pid" 2>/dev/null && fail "program still running after close"
  wait "$game_pid" || fail "program exit status $?"
}

# ---- where it opens ----
if [ "$mode" = place ] || [ "$mode" = place-late ]; then
  on_screen "$fx" "$fy" "$fw" "$fh" || fail "the frame is not wholly on the screen"
  # The design client area in screen pixels, and the design corner.
  want_w=$(awk -v s="$scale" 'BEGIN { printf "%d", 747 * s + 0.5 }')
  want_h=$(awk -v s="$scale" 'BEGIN { printf "%d", 543 * s + 0.5 }')
  corner_x=$(awk -v s="$scale" 'BEGIN { printf "%d", 265 * s }')
  corner_y=$(awk -v s="$scale" 'BEGIN { printf "%d", 146 * s }')
  near() { [ $(( $1 - $2 )) -le "$3" ] && [ $(( $2 - $1 )) -le "$3" ]; }
  if [ $(( want_w + fw - cw )) -le "$sw" ]; then
    near "$cw" "$want_w" 1 || fail "client width $cw, not $want_w"
    if [ $(( corner_x + fw )) -le "$sw" ]; then
      near "$fx" "$corner_x" 2 || fail "the frame moved across though it fits there: x $fx, not $corner_x"
    else
      near $((fx + fw)) "$sw" 3 || fail "moved too far across: the frame's right edge at $((fx + fw))"
    fi
  fi
  if [ $(( want_h + fh - ch )) -le "$sh" ]; then
    near "$ch" "$want_h" 1 || fail "client height $ch, not $want_h"
    if [ $(( corner_y + fh )) -le "$sh" ]; then
      near "$fy" "$corner_y" 2 || fail "the frame moved down or up though it fits there: y $fy, not $corner_y"
    else
      near $((fy + fh)) "$sh" 3 || fail "moved too far up: the frame's bottom edge at $((fy + fh))"
    fi
  else
    # Too tall for the screen: as tall as the screen allows.
    near $((fy + fh)) "$sh" 3 || fail "the frame's bottom at $((fy + fh)), not the screen's"
    near "$fy" 0 3 || fail "the frame's top at $fy, not the screen's"
  fi
  answer_dialog
  close_and_end
  echo "1 passed, 0 failed"
  exit 0
fi

# ---- the name dialog's buttons and place; a window destroyed from outside ----
if [ "$mode" = dialog ]; then
  # _MOTIF_WM_HINTS: flags, functions, decorations. Asked for: the title and
  # a close button, no minimise (functions 8, decorations 32) and no
  # maximise (16, 64).
  read -r mflags mfunc mdecor _ <<<"$(xprop -id "$dialog" _MOTIF_WM_HINTS | sed 's/.*= //; s/,/ /g')"
  echo "name dialog: _MOTIF_WM_HINTS flags $mflags functions $mfunc decorations $mdecor"
  xprop -id "$dialog" _NET_WM_ALLOWED_ACTIONS 2>/dev/null || true
  [ $((mflags & 3)) = 3 ] || fail "the dialog's hints leave functions or decorations to the window manager (flags $mflags)"
  [ $((mfunc & 32)) = 32 ] || fail "no close function in the dialog's hints ($mfunc)"
  [ $((mfunc & 24)) = 0 ] && [ $((mfunc & 1)) = 0 ] || fail "the dialog offers minimise or maximise (functions $mfunc)"
  [ $((mdecor & 96)) = 0 ] && [ $((mdecor & 1)) = 0 ] || fail "the dialog asks for minimise or maximise buttons (decorations $mdecor)"
  read -r fx fy fw fh cx cy cw ch <<<"$(geometry "$main")"
  read -r gx gy gw gh dx dy _ _ <<<"$(geometry "$dialog")"
  echo "main frame $fx,$fy ${fw}x$fh, dialog frame $gx,$gy ${gw}x$gh"
  ox=$(( (2 * gx + gw) - (2 * fx + fw) )); oy=$(( (2 * gy + gh) - (2 * fy + fh) ))
  [ "$ox" -le 3 ] && [ "$ox" -ge -3 ] && [ "$oy" -le 3 ] && [ "$oy" -ge -3 ] \
    || fail "the dialog's frame is off the main frame's centre by $((ox / 2)), $((oy / 2))"
  answer_dialog
  sleep 0.5
  time_to_end 1.0 "the main window destroyed from outside" xdotool windowclose "$main"
  status=0
  wait "$game_pid" || status=$?
  [ "$status" = 0 ] || fail "destroyed from outside: exit status $status"
  echo "1 passed, 0 failed"
  exit 0
fi

answer_dialog

# ---- it refuses to shrink ----
if [ "$mode" = minsize ]; then
  xdotool windowsize "$main" 600 400
  sleep 0.5
  read -r _ _ _ _ _ _ cw ch <<<"$(geometry "$main")"
  echo "asked for 600 x 400: client ${cw}x$ch"
  [ "$cw" -ge 747 ] && [ "$ch" -ge 543 ] || fail "the window shrank to ${cw}x$ch"
  xdotool windowsize "$main" 900 700
  sleep 0.5
  read -r _ _ _ _ _ _ cw ch <<<"$(geometry "$main")"
  echo "asked for 900 x 700: client ${cw}x$ch"
  [ "$cw" = 900 ] && [ "$ch" = 700 ] || fail "the window did not grow to 900 x 700"
  close_and_end
  echo "1 passed, 0 failed"
  exit 0
fi

# ---- maximised: the screens scaled and centred ----
"$x11" maximize "$main"
last=""
for _ in $(seq 40); do
  sleep 0.15; now=$(geometry "$main"); [ "$now" = "$last" ] && break; last=$now
done
sleep 0.3
read -r _ _ _ _ cx cy cw ch <<<"$(geometry "$main")"
echo "maximised: client $cx,$cy ${cw}x$ch"
[ "$cw" -gt 1000 ] && [ "$ch" -gt 600 ] || fail "the window was not maximised"
# The largest uniform factor, and where the design area lies: centred, on a
# whole screen pixel.
read -r f ox oy <<<"$(awk -v w="$cw" -v h="$ch" 'BEGIN { f = w / 747; if (h / 543 < f) f = h / 543;
  printf "%.6f %d %d", f, (w - 747 * f) / 2, (h - 543 * f) / 2 }')"
echo "factor $f, design area at $ox,$oy"
# Screen pixel of design point (X, Y) (its centre), and a rectangle of design pixels.
at() { awk -v x="$1" -v y="$2" -v f="$f" -v ox="$ox" -v oy="$oy" -v cx="$cx" -v cy="$cy" \
  'BEGIN { printf "%d %d", cx + ox + (x + 0.5) * f, cy + oy + (y + 0.5) * f }'; }
inner() { awk -v x="$1" -v y="$2" -v w="$3" -v h="$4" -v f="$f" -v ox="$ox" -v oy="$oy" -v cx="$cx" -v cy="$cy" \
  'function up(v) { return v == int(v) ? v : int(v) + 1 }
   BEGIN { x0 = up(cx + ox + x * f); y0 = up(cy + oy + y * f);
           x1 = int(cx + ox + (x + w) * f) - 1; y1 = int(cy + oy + (y + h) * f) - 1;
           printf "%d %d %d %d", x0, y0, x1 - x0 + 1, y1 - y0 + 1 }'; }
px() { read -r X Y <<<"$(at "$1" "$2")"; "$x11" pixel "$X" "$Y"; }
expect() {  # design point, wanted colour, what it is
  local got; got=$(px "$1" "$2"); [ "$got" = "$3" ] || fail "$4: design ($1, $2) shows $got, not $3"
}
area() { read -r X Y W H <<<"$(inner "$@")"; "$x11" area "$X" "$Y" "$W" "$H"; }

# Letterbox: the bands beside (or above and below) the scaled area are #070707.
if awk -v o="$ox" 'BEGIN { exit !(o >= 4) }'; then
  band=$("$x11" area "$cx" "$cy" "$(awk -v o="$ox" 'BEGIN { printf "%d", o }')" "$ch")
else
  band=$("$x11" area "$cx" "$cy" "$cw" "$(awk -v o="$oy" 'BEGIN { printf "%d", o }')")
fi
[ "$band" = "7 7 7 7 7 7" ] || fail "the letterbox is not #070707 throughout: $band"
# Title screen: the match screen's margins, the black title screen inside
# them, the blue title lettering and "EXIT GAME" where the design puts them.
expect 0 0 "7 7 7" "top-left margin"
expect 744 300 "7 7 7" "right margin"
expect 4 4 "0 0 0" "title screen"
expect 736 534 "0 0 0" "title screen's far corner"
read -r _ _ lb _ _ hb <<<"$(area 390 110 40 20)"
echo "title lettering (design 390..430, 110..130): blue $lb..$hb"
[ "$hb" -gt 120 ] || fail "no blue title lettering where the design has it"
read -r _ _ _ _ _ hb <<<"$(area 636 508 90 14)"
[ "$hb" -gt 200 ] || fail "no \"EXIT GAME\" where the design has it"
"$x11" shot "$work/title.ppm"

# A single game: the game-mode link, the start picture, the chooser's Done.
click() { read -r X Y <<<"$(at "$1" "$2")"; xdotool mousemove "$X" "$Y"; sleep 0.15; xdotool click 1; sleep 0.25; }
click $((2 + 432 + 30)) $((2 + 256 + 8))
click $((2 + 370)) $((2 + 249))
sleep 0.5
read -r _ _ _ hr hg hb <<<"$(area 192 200 377 169)"
[ "$hr" -ge 55 ] || fail "no chooser over the scaled match screen"
click $((192 + 188)) $((200 + 146))
sleep 3.8   # countdown 3, 2, 1

# Drag tube 1 onto the scaled board: view point (350, 201), cell (87, 50).
vx=350; vy=201; cellx=$((vx / 4)); celly=$((vy / 4))
read -r sx sy <<<"$(at 624 128)"
read -r tx ty <<<"$(at $((174 + vx)) $((70 + vy)))"
xdotool mousemove "$sx" "$sy"; sleep 0.2
xdotool mousedown 1
for s in 1 2 3 4 5 6 7 8 9 10; do
  xdotool mousemove $((sx + (tx - sx) * s / 10)) $((sy + (ty - sy) * s / 10)); sleep 0.05
done
xdotool mouseup 1
# The colony shows under the pointer once the game has taken the drop and
# painted; then the game is held still (SIGSTOP) while its cells are looked
# at one by one, so that they do not grow meanwhile on a slow machine.
for _ in $(seq 100); do
  read -r r g b <<<"$(px $((174 + vx)) $((70 + vy)))"
  [ "$b" -gt 110 ] && [ "$r" -lt 40 ] && [ "$g" -lt 40 ] && break
  sleep 0.1
done
kill -STOP "$game_pid"
# Every cell is a solid block of screen pixels; blue (tinted) along the row
# through the dropped cell, in a run centred on it.
# A cell caught while the board repaints around it may show two generations
# for a moment: a cell that stays mixed is a fault, one that settles is not.
cell() { area $((174 + 4 * $1)) $((70 + 4 * $2)) 4 4; }
solid_cell() {
  local lr lg lb hr hg hb try
  for try in 1 2 3; do
    read -r lr lg lb hr hg hb <<<"$(cell "$1" "$2")"
    [ "$lr $lg $lb" = "$hr $hg $hb" ] && { echo "$lr $lg $lb"; return 0; }
    # Held still in the middle of a repaint: let it finish.
    kill -CONT "$game_pid"; sleep 0.3; kill -STOP "$game_pid"
  done
  read -r X Y W H <<<"$(inner $((174 + 4 * $1)) $((70 + 4 * $2)) 4 4)"
  echo "cell ($1, $2) is not one solid block: $lr $lg $lb .. $hr $hg $hb (screen $X,$Y ${W}x$H)" >&2
  for yy in $(seq $((Y - 1)) $((Y + H))); do
    row=""; for xx in $(seq $((X - 1)) $((X + W))); do row="$row $("$x11" pixel $xx $yy | tr ' ' ,)"; done
    echo "  row $yy:$row" >&2
  done
  return 1
}
is_blue() { local r g b c; c=$(solid_cell "$1" "$2") || fail "cell ($1, $2) stays mixed"; read -r r g b <<<"$c"
  [ "$b" -gt 110 ] && [ "$r" -lt 40 ] && [ "$g" -lt 40 ]; }
"$x11" shot "$work/match.ppm"
is_blue $cellx $celly || fail "no blue cell under the pointer, cell ($cellx, $celly): $(cell $cellx $celly)"
left=$cellx; while [ $left -gt 76 ] && is_blue $((left - 1)) $celly; do left=$((left - 1)); done
right=$cellx; while [ $right -lt 100 ] && is_blue $((right + 1)) $celly; do right=$((right + 1)); done
top=$celly; while [ $top -gt 1 ] && is_blue $cellx $((top - 1)); do top=$((top - 1)); done
bottom=$celly; while [ $bottom -lt 100 ] && is_blue $cellx $((bottom + 1)); do bottom=$((bottom + 1)); done
echo "blue cells across $left..$right, down $top..$bottom around the pointer's cell ($cellx, $celly)"
[ $(( (left + right) - 2 * cellx )) -le 2 ] && [ $(( 2 * cellx - (left + right) )) -le 2 ] \
  || fail "the colony across $left..$right is not centred on cell $cellx"
[ $(( (top + bottom) - 2 * celly )) -le 2 ] && [ $(( 2 * celly - (top + bottom) )) -le 2 ] \
  || fail "the colony down $top..$bottom is not centred on cell $celly"
[ $((right - left)) -ge 2 ] || fail "a colony of one cell: the tube held nothing?"
# Blocks elsewhere on the board too: a row of cells of the red and empty sides.
for c in 5 20 40 60; do solid_cell $c 50 >/dev/null || fail "cell ($c, 50) stays mixed"; done
kill -CONT "$game_pid"
close_and_end
echo "1 passed, 0 failed"
