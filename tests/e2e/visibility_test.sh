#!/usr/bin/env bash
# Nothing is drawn that nobody can see: a window that covers the saver (what a screen locker
# maps) stops its frames, each monitor on its own, and taking it away starts them again; the
# saver still ends on its signal meanwhile. The same for a daemon's window, covered or unmapped.
source "$E2E_LIB"
: "${TESTWINDOW:?the path of tessarine-testwindow}"
start_xvfb 2048 768
# Two monitors side by side; the left one is the primary.
xrandr --setmonitor LEFT 1024/271x768/203+0+0 screen
xrandr --setmonitor RIGHT 1024/271x768/203+1024+0 none
printf '[General]\nVarNum=3\n' >"$SETTINGS"
STATS="$E2E_WORK/stats"

# cpu_ticks PID: the CPU time a process has used, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# wait_said TEXT COUNT: waits until the statistics have said TEXT COUNT times.
wait_said() {
  for _ in $(seq 100); do
    [ "$(grep -c -- "$1" "$STATS" || true)" -ge "$2" ] && return 0
    sleep 0.1
  done
  fail "never said '$1' $2 times: $(cat "$STATS")"
}

# changes X Y W H: whether that area of the screen changes within half a second.
changes() {
  screenshot "$E2E_WORK/a.png"
  sleep 0.5
  screenshot "$E2E_WORK/b.png"
  ! cmp -s <(convert "$E2E_WORK/a.png" -crop "$3x$4+$1+$2" rgb:-) \
    <(convert "$E2E_WORK/b.png" -crop "$3x$4+$1+$2" rgb:-)
}

# cover W H X Y: maps an override-redirect window there; sets COVER.
cover() {
  "$TESTWINDOW" "$@" --over >"$E2E_WORK/cover" &
  COVER=$!
  E2E_PIDS+=("$COVER")
  for _ in $(seq 50); do [ -s "$E2E_WORK/cover" ] && break; sleep 0.1; done
}

note "the saver's own windows: covered, they use no CPU; uncovered, they draw again"
xdotool mousemove 500 400
start_bg env TESSARINE_STATS=1 "$TESSARINE" /s 2>"$STATS"
SAVER=$BG_PID
wait_window Tessarine 20 >/dev/null || fail "no saver window"
sleep 2
before=$(cpu_ticks "$SAVER")
sleep 4
note "  shown: $(($(cpu_ticks "$SAVER") - before)) ticks of CPU in 4 s"
cover 2048 768 0 0
wait_said "paused (covered)" 2
sleep 0.5
before=$(cpu_ticks "$SAVER")
sleep 6
used=$(($(cpu_ticks "$SAVER") - before))
note "  covered: $used ticks of CPU in 6 s ($(getconf CLK_TCK) a second)"
[ "$used" -le 3 ] || fail "the covered saver used $used ticks of CPU in 6 s"
kill -USR1 "$COVER"
wait_said "resumed" 2
changes 0 0 1024 768 || fail "no frames on the primary after the cover went"
changes 1024 0 1024 768 || fail "no frames on the second monitor after the cover went"

grep -q "^tessarine: RIGHT: [0-9.]* fps" "$STATS" || fail "no statistics named for the monitor RIGHT"

note "a cover over one monitor pauses that monitor only"
cover 1024 768 1024 0
wait_said "RIGHT: paused (covered)" 1
changes 0 0 1024 768 || fail "the uncovered primary stopped"
[ "$(grep -c '^tessarine: paused' "$STATS")" -eq 1 ] || fail "the primary paused with the other monitor"
kill -USR1 "$COVER"
wait_said "RIGHT: resumed" 2

note "covered, it still ends on SIGTERM"
cover 2048 768 0 0
wait_said "RIGHT: paused (covered)" 3
kill -TERM "$SAVER"
wait_exit "$SAVER" 5
assert_eq "$EXIT_STATUS" 143 "status after SIGTERM"
kill -USR1 "$COVER"

note "a daemon's window: covered or unmapped, it pauses; shown again, it draws"
"$TESTWINDOW" 600 400 100 100 >"$E2E_WORK/window" &
E2E_PIDS+=("$!")
for _ in $(seq 50); do [ -s "$E2E_WORK/window" ] && break; sleep 0.1; done
: >"$STATS"
start_bg env TESSARINE_STATS=1 XSCREENSAVER_WINDOW="$(cat "$E2E_WORK/window")" "$TESSARINE" /s \
  2>"$STATS"
SAVER=$BG_PID
sleep 1.5
changes 100 100 600 400 || fail "no frames in the daemon's window"
cover 800 600 0 0
wait_said "paused (covered)" 1
kill -USR1 "$COVER"
wait_said "resumed" 1
xdotool windowunmap "$(cat "$E2E_WORK/window")"
wait_said "paused (hidden)" 1
xdotool windowmap "$(cat "$E2E_WORK/window")"
wait_said "resumed" 2
changes 100 100 600 400 || fail "no frames in the daemon's window once mapped again"
kill -TERM "$SAVER"
wait_exit "$SAVER" 5
assert_eq "$EXIT_STATUS" 143 "status after SIGTERM"
echo PASS
