#!/usr/bin/env bash
# Start-up of the real program: run switches, the settings file, the single instance, a settings
# file that cannot be written, and no display at all.
source "$E2E_LIB"
start_xvfb 1024 768

note "a first start with /p creates the file with exactly the defaults and no window"
"$TESSARINE" /p
expected='[General]
SimColor=2
BGColor=0
BGPic=0
BGPicPath=
VarNum=1
Laying=0
[FirstVar]
SimCount=55
Moving=1
ChBrightness=1
MovingSpeed=10
ChBrightnessSpeed=1
MinSimSize=10
MaxSimSize=110
[SecondVar]
SimCount=55
Moving=1
SimSize=4
MovingSpeed=10
ChBrightnessSpeed=1
[ThirdVar]
ChainsCount=10
SimCount=15
MovSpeed=7
RotSpeed=7
SimSize=4
Rotation=2
RotDirection=1'
assert_eq "$(cat "$SETTINGS")" "$expected" "first settings file"

for switch in /p /a "/p 1234"; do
  note "$switch rewrites a hand-made file with clamped values and exits 0"
  printf '; my notes\n[ThirdVar]\nMovSpeed=11\nChainsCount=35\nSimCount=19\n[General]\nSimColor=0\nBGPic=1\nBGPicPath=/nonexistent.bmp\n' >"$SETTINGS"
  before=$(visible_window_count)
  # shellcheck disable=SC2086
  timeout 20 "$TESSARINE" $switch || fail "$switch exited with $?"
  assert_eq "$(visible_window_count)" "$before" "windows after $switch"
  assert_eq "$(ini_value "$SETTINGS" ThirdVar MovSpeed)" 10 "MovSpeed"
  assert_eq "$(ini_value "$SETTINGS" ThirdVar ChainsCount)" 10 "ChainsCount on 1024x768"
  assert_eq "$(ini_value "$SETTINGS" ThirdVar SimCount)" 19 "SimCount on 1024x768"
  assert_eq "$(ini_value "$SETTINGS" General SimColor)" 2 "SimColor"
  assert_eq "$(ini_value "$SETTINGS" General BGPic)" 0 "BGPic"
  assert_eq "$(head -n 1 "$SETTINGS")" "; my notes" "unknown lines"
done

note "a second instance exits 0 at once while the first runs, and leaves the file alone"
start_bg "$TESSARINE" /s
first=$BG_PID
wait_window Tessarine 20 >/dev/null || fail "the first instance shows no window"
printf 'hand-edited while running\n' >"$SETTINGS"
for switch in /s /c /p ""; do
  start=$(date +%s%N)
  # shellcheck disable=SC2086
  timeout 10 "$TESSARINE" $switch || fail "second instance '$switch' exited with $?"
  elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
  [ "$elapsed_ms" -lt 2000 ] || fail "second instance took ${elapsed_ms} ms"
done
assert_eq "$(cat "$SETTINGS")" "hand-edited while running" "file after second instances"
still_running "$first" || fail "the first instance ended"

note "a guard left by a killed instance does not block the next start"
kill -9 "$first"
wait "$first" 2>/dev/null || true
timeout 20 "$TESSARINE" /p || fail "start after kill -9 exited with $?"
assert_eq "$(ini_value "$SETTINGS" General SimColor)" 2 "file rewritten after kill -9"

note "a settings file that cannot be written: Application Error, status 1, the file unchanged"
ro="$E2E_WORK/ro"
mkdir -p "$ro/config" "$ro/runtime"
printf '[General]\nSimColor=3\n' >"$ro/config/Orvanex.ini"
chmod 444 "$ro/config/Orvanex.ini"
chmod 555 "$ro/config"
chmod 777 "$ro/runtime"
set +e
XDG_CONFIG_HOME="$ro/config" XDG_RUNTIME_DIR="$ro/runtime" \
  as_nobody "$TESSARINE" /p 2>"$E2E_WORK/ro.err" &
ro_pid=$!
E2E_PIDS+=("$ro_pid")
box=$(wait_window "Application Error" 20) || fail "no Application Error box"
press_in_window "$box" Return
wait_exit "$ro_pid" 10
set -e
assert_eq "$EXIT_STATUS" 1 "exit status with a read-only file"
grep -q "Unable to write to Orvanex.ini" "$E2E_WORK/ro.err" || fail "no message on stderr"
assert_eq "$(cat "$ro/config/Orvanex.ini")" "$(printf '[General]\nSimColor=3')" "read-only file"

note "no display at all: one line on stderr and status 1, no core dump"
for display in "" ":987"; do
  set +e
  env -u WAYLAND_DISPLAY DISPLAY="$display" "$TESSARINE" /p 2>"$E2E_WORK/nodisplay.err"
  status=$?
  set -e
  assert_eq "$status" 1 "exit status without display '$display'"
  assert_eq "$(wc -l <"$E2E_WORK/nodisplay.err")" 1 "lines on stderr without display '$display'"
  grep -q "cannot open a display" "$E2E_WORK/nodisplay.err" || fail "unclear message: $(cat "$E2E_WORK/nodisplay.err")"
done

note "a platform that fails says which and why, not that the working X display is missing"
for platform in wayland bogus; do
  set +e
  env -u WAYLAND_DISPLAY QT_QPA_PLATFORM=$platform timeout 20 "$TESSARINE" /p 2>"$E2E_WORK/platform.err"
  status=$?
  set -e
  assert_eq "$status" 1 "exit status for QT_QPA_PLATFORM=$platform"
  assert_eq "$(wc -l <"$E2E_WORK/platform.err")" 1 "lines for $platform: $(cat "$E2E_WORK/platform.err")"
  note "  $(cat "$E2E_WORK/platform.err")"
  grep -q "DISPLAY=:" "$E2E_WORK/platform.err" && fail "the X display named for $platform"
  grep -qi "$platform" "$E2E_WORK/platform.err" || fail "$platform not named"
done

note "a saver killed and started again at once always finds the display (a server that resets)"
# An X server without -noreset resets when its last client leaves, refusing connections
# meanwhile; the new start must neither hit that nor cause it.
stop_xvfb
fifo="$E2E_WORK/resetting-displayfd"
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -ac 3>"$fifo" >"$E2E_WORK/xvfb2.log" 2>&1 &
XVFB_PID=$!
read -r -t 20 number <"$fifo" || fail "Xvfb did not start"
export DISPLAY=":$number"
for run in $(seq "${RACE_RUNS:-20}"); do
  start_bg "$TESSARINE" /c
  first=$BG_PID
  for _ in $(seq 80); do xdotool search --pid "$first" >/dev/null 2>&1 && break; sleep 0.25; done
  kill -9 "$first"
  wait "$first" 2>/dev/null || true
  start_bg "$TESSARINE" /c 2>"$E2E_WORK/race.err"
  second=$BG_PID
  found=""
  for _ in $(seq 80); do
    if xdotool search --pid "$second" >/dev/null 2>&1; then found=1; break; fi
    still_running "$second" || break
    sleep 0.25
  done
  [ -n "$found" ] || fail "start $run after a kill failed: $(cat "$E2E_WORK/race.err")"
  kill -9 "$second"
  wait "$second" 2>/dev/null || true
done
note "  $run starts in a row"
echo PASS
