#!/usr/bin/env bash
# The same speed on every refresh rate: the scenes step 60 times a second, whatever the refresh
# rate, in the saver's own window and in a daemon's; a frame is shown on each refresh that has a
# step due, so at most 60 frames a second, and one per refresh below 60 Hz. (Xvfb has no vertical
# blank: the limiter paces the frames at the refresh rate of the mode xrandr sets.)
source "$E2E_LIB"
: "${TESTWINDOW:?the path of tessarine-testwindow}"
start_xvfb 1024 768

# use_mode HZ: a 1024 x 768 mode refreshing HZ times a second (pixel clock = totals x rate).
use_mode() {
  local clock
  clock=$(awk -v hz="$1" 'BEGIN { printf "%.3f", 1100 * 800 * hz / 1e6 }')
  xrandr --newmode "1024x768_$1" "$clock" 1024 1040 1080 1100 768 771 775 800
  xrandr --addmode screen "1024x768_$1"
  xrandr --output screen --mode "1024x768_$1"
}

# second_report CMD...: runs the saver with statistics until its second report (the first is
# warming up) and prints that line.
second_report() {
  start_bg env TESSARINE_STATS=1 TESSARINE_PACING=limiter "$@" 2>"$E2E_WORK/stats"
  local saver=$BG_PID
  for _ in $(seq 200); do [ "$(grep -c fps "$E2E_WORK/stats" || true)" -ge 2 ] && break; sleep 0.1; done
  kill -TERM "$saver"
  wait "$saver" 2>/dev/null || true
  grep fps "$E2E_WORK/stats" | sed -n 2p
}

# expect_steps LINE HZ: the report names the refresh rate, the steps it measured are within 2 % of
# 60 a second, and frames come once per refresh with a step due.
expect_steps() {
  note "  $1"
  [[ "$1" == *"refresh $(printf %.1f "$2") Hz"* ]] || fail "not the refresh rate of $2 Hz"
  local fps steps
  fps=$(sed -E 's/^tessarine: ([0-9.]+) fps.*/\1/' <<<"$1")
  steps=$(sed -E 's/.*, ([0-9.]+) steps per second.*/\1/' <<<"$1")
  awk -v s="$steps" 'BEGIN { exit !(s > 58.8 && s < 61.2) }' || fail "$steps steps a second at $2 Hz"
  awk -v f="$fps" -v hz="$2" 'BEGIN { e = hz < 60 ? hz : 60; exit !(f > e * 0.93 && f < e * 1.03) }' ||
    fail "$fps frames per second at $2 Hz"
}

"$TESTWINDOW" 400 300 50 50 >"$E2E_WORK/window" &
E2E_PIDS+=("$!")
for _ in $(seq 50); do [ -s "$E2E_WORK/window" ] && break; sleep 0.1; done
# Rates that are no whole multiple of 60 (real modes are never exactly round), below 60 and above.
for hz in 144.0006 75 50 30 165 240; do
  note "at $hz Hz the saver steps 60 times a second"
  use_mode "$hz"
  xdotool mousemove 500 400
  expect_steps "$(second_report "$TESSARINE" /s)" "$hz"
  case $hz in 144.0006 | 50)
    note "and so does a daemon's window at $hz Hz"
    expect_steps "$(second_report env XSCREENSAVER_WINDOW="$(cat "$E2E_WORK/window")" "$TESSARINE" /s)" "$hz"
    ;;
  esac
done
echo PASS
