#!/usr/bin/env bash
# The same speed on every refresh rate: a scene step lasts as many refreshes as keep the step
# rate nearest 60 per second, in the saver's own window and in a daemon's. (Xvfb has no vertical
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

# expect_steps LINE STEPS HZ: the report names the refresh and step rates, and frames come at it.
expect_steps() {
  note "  $1"
  [[ "$1" == *"refresh $3.0 Hz, $2.0 steps per second"* ]] || fail "not $2 steps at $3 Hz"
  local fps
  fps=$(sed -E 's/^tessarine: ([0-9.]+) fps.*/\1/' <<<"$1")
  awk -v f="$fps" -v s="$2" 'BEGIN { exit !(f > s * 0.93 && f < s * 1.03) }' ||
    fail "$fps frames per second where $2 steps are due"
}

"$TESTWINDOW" 400 300 50 50 >"$E2E_WORK/window" &
E2E_PIDS+=("$!")
for _ in $(seq 50); do [ -s "$E2E_WORK/window" ] && break; sleep 0.1; done
for mode in "144 72" "240 60"; do
  read -r hz steps <<<"$mode"
  note "at $hz Hz the saver steps $steps times a second"
  use_mode "$hz"
  xdotool mousemove 500 400
  expect_steps "$(second_report "$TESSARINE" /s)" "$steps" "$hz"
  note "and so does a daemon's window at $hz Hz"
  expect_steps "$(second_report env XSCREENSAVER_WINDOW="$(cat "$E2E_WORK/window")" "$TESSARINE" /s)" \
    "$steps" "$hz"
done
echo PASS
