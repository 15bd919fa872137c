#!/usr/bin/env bash
# The choice of renderer on screen: under Xvfb the only GL is Mesa's rasteriser, which auto
# refuses and TESSARINE_RENDERER=gl takes; a failing self-check or a device lost while the saver
# runs leaves the frames to the processor, and the saver goes on and ends as always.
source "$E2E_LIB"
start_xvfb 800 600
printf '[General]\nSimColor=1\nBGColor=%d\n' $((0x4C4C4C)) >"$SETTINGS"

# run_saver SECONDS [VAR=VALUE...]: runs the saver that long with the environment given, then
# ends it with a key; sets ERR (its standard error) and checks the screen just before.
run_saver() {
  local seconds=$1
  shift
  xdotool mousemove 400 300
  ERR="$E2E_WORK/err-$RANDOM"
  start_bg env TESSARINE_STATS=1 "$@" "$TESSARINE" /s 2>"$ERR"
  local saver=$BG_PID
  wait_window Tessarine 20 >/dev/null || fail "no saver window"
  sleep "$seconds"
  still_running "$saver" || fail "the saver ended by itself: $(cat "$ERR")"
  screenshot "$E2E_WORK/shot.png"
  local grey credit
  grey=$(count "$E2E_WORK/shot.png" 76,76,76)
  credit=$(ink "$E2E_WORK/shot.png" r 200 580 600 20)
  [ "$grey" -gt $((800 * 600 * 7 / 10)) ] && [ "$credit" -gt 100 ] ||
    fail "no frames on screen ($grey grey pixels, $credit of the credit line)"
  xdotool key space
  wait_exit "$saver" 5
  assert_eq "$EXIT_STATUS" 0 "exit status"
}

expect_line() { grep -q -- "$1" "$ERR" || fail "no line '$1' in: $(cat "$ERR")"; }

note "auto refuses the software rasteriser and says why"
run_saver 1
expect_line "renderer software (the only GL is a software rasteriser, llvmpipe"

note "gl takes it: the self-check passes and every statistics line names the device"
run_saver 6 TESSARINE_RENDERER=gl
expect_line "self-check on the graphics device: passed"
expect_line "renderer gl (llvmpipe"
grep -q "steps per second .*; renderer gl (llvmpipe" "$ERR" || fail "statistics: $(cat "$ERR")"
note "  $(grep -o 'self-check.*' "$ERR")"

note "a failing self-check leaves the frames to the processor"
run_saver 1 TESSARINE_RENDERER=gl TESSARINE_FAIL_SELF_CHECK=1
expect_line "renderer software (the self-check was made to fail)"

note "a device lost while the saver runs: the processor takes over from the next frame"
run_saver 6 TESSARINE_RENDERER=gl TESSARINE_FAIL_DEVICE_AFTER=30
expect_line "renderer gl (llvmpipe"
expect_line "renderer software (the graphics device failed: the device was lost (made to fail))"
grep -q "steps per second .*; renderer software (the graphics device failed" "$ERR" ||
  fail "statistics after the loss: $(cat "$ERR")"

note "SIGTERM ends a saver composing on the device"
start_bg env TESSARINE_RENDERER=gl "$TESSARINE" /s
saver=$BG_PID
wait_window Tessarine 20 >/dev/null || fail "no saver window"
sleep 1
kill -TERM "$saver"
wait_exit "$saver" 5
[ "$EXIT_STATUS" -eq 0 ] || [ "$EXIT_STATUS" -eq $((128 + 15)) ] ||
  fail "exit status $EXIT_STATUS after SIGTERM"
note "two monitors: each window composes on the device, the scene and exit rule as always"
stop_xvfb
start_xvfb 1280 480
xrandr --setmonitor LEFT 640/169x480/127+0+0 screen >/dev/null
xrandr --setmonitor RIGHT 640/169x480/127+640+0 none >/dev/null
xdotool mousemove 300 200
start_bg env TESSARINE_RENDERER=gl "$TESSARINE" /s 2>"$E2E_WORK/two.err"
saver=$BG_PID
wait_window Tessarine 20 >/dev/null || fail "no saver window"
sleep 3
screenshot "$E2E_WORK/two.png"
for left in 0 640; do
  convert "$E2E_WORK/two.png" -crop "640x480+$left+0" +repage "$E2E_WORK/part.png"
  [ "$(count "$E2E_WORK/part.png" 76,76,76)" -gt $((640 * 480 * 7 / 10)) ] ||
    fail "the monitor at $left is not covered: $(cat "$E2E_WORK/two.err")"
done
xdotool mousemove 900 200
wait_exit "$saver" 5
assert_eq "$EXIT_STATUS" 0 "exit status after moving the pointer"
echo PASS
