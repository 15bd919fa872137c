#!/usr/bin/env bash
# Several monitors, as xss-lock, xautolock and swayidle start the saver: every monitor is covered
# with the scene, the exit rule holds wherever the pointer is, and monitors that come and go
# while it runs get and lose their window.
source "$E2E_LIB"
start_xvfb 3840 1080
# Two 1920 x 1080 monitors side by side; the left one, which holds the output, is the primary.
xrandr --setmonitor LEFT 1920/508x1080/286+0+0 screen
xrandr --setmonitor RIGHT 1920/508x1080/286+1920+0 none
xrandr --output screen --primary
printf '[General]\nSimColor=1\nVarNum=2\n[SecondVar]\nSimCount=100\n' >"$SETTINGS"

# start_saver X Y: starts the saver with the pointer at (X, Y); sets SAVER.
start_saver() {
  xdotool mousemove "$1" "$2"
  sleep 0.2
  start_bg "$TESSARINE" /s
  SAVER=$BG_PID
  wait_window Tessarine 20 >/dev/null || fail "no saver window"
  sleep 1.5
  still_running "$SAVER" || fail "the saver ended by itself"
}

# saver_windows: "x,y,w,h" of each saver window, sorted.
saver_windows() {
  local id
  for id in $(xdotool search --onlyvisible --name '^Tessarine$'); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    echo "$X,$Y,$WIDTH,$HEIGHT"
  done | sort
}

note "both monitors are covered, each with the scene in the chosen colour and its credit line"
start_saver 960 540
assert_eq "$(saver_windows | tr '\n' ' ')" "0,0,1920,1080 1920,0,1920,1080 " "saver windows"
screenshot "$E2E_WORK/monitors.png"
left=$(ink "$E2E_WORK/monitors.png" r 0 0 1920 1080)
right=$(ink "$E2E_WORK/monitors.png" r 1920 0 1920 1080)
note "  red pixels: $left on the primary, $right on the second monitor"
[ "$left" -gt 3000 ] && [ "$right" -gt 3000 ] || fail "a monitor is not covered"
assert_eq "$(ink "$E2E_WORK/monitors.png" g)$(ink "$E2E_WORK/monitors.png" b)" 00 "other colours"
for half in 0 1920; do
  read -r x _ w _ <<<"$(inkbox "$E2E_WORK/monitors.png" 200,0,0 "$half" 1040 1920 40)"
  [ $((x + w)) -ge $((half + 1920 - 4 - 3)) ] || fail "no credit line at the right of the monitor at $half"
done

note "monitors that come and go get and lose their window"
xrandr --delmonitor RIGHT
sleep 1
assert_eq "$(saver_windows | tr '\n' ' ')" "0,0,1920,1080 " "windows with one monitor"
xrandr --setmonitor RIGHT 1920/508x1080/286+1920+0 none
sleep 1
assert_eq "$(saver_windows | wc -l)" 2 "windows with the monitor back"
still_running "$SAVER" || fail "the saver ended while monitors changed"
xdotool key space
wait_exit "$SAVER" 5

note "on the second monitor: 5 pixels keep it, a 6-pixel movement or a click ends it"
start_saver 2880 540
xdotool mousemove 2885 545
sleep 0.4
still_running "$SAVER" || fail "5 pixels on the second monitor ended the saver"
xdotool mousemove 2886 540
wait_exit "$SAVER" 5
assert_eq "$EXIT_STATUS" 0 "exit status after 6 pixels"
start_saver 2880 540
xdotool click 1
wait_exit "$SAVER" 5
assert_eq "$EXIT_STATUS" 0 "exit status after a click"
assert_eq "$("$TESTWINDOW" --cursor)" visible "cursor after closing"
[ -n "${E2E_SCREENSHOTS:-}" ] && cp "$E2E_WORK/monitors.png" "$E2E_SCREENSHOTS"/

note "a run-length bitmap bomb on 16 monitors is refused at once, with one line"
for i in $(seq 0 15); do
  xrandr --setmonitor "M$i" "240/64x1080/286+$((i * 240))+0" "$([ "$i" -eq 0 ] && echo screen || echo none)"
done 2>/dev/null
# 5792 x 5792 pixels declared in 8 bits, run-length coded, with data that ends at once.
{
  printf 'BM\x3a\x04\x00\x00\x00\x00\x00\x00\x36\x04\x00\x00'   # 1082 bytes, pixels at 1078
  printf '\x28\x00\x00\x00\xa0\x16\x00\x00\xa0\x16\x00\x00'     # 40-byte header, 5792 x 5792
  printf '\x01\x00\x08\x00\x01\x00\x00\x00\x04\x00\x00\x00'     # 8 bits, RLE8, 4 data bytes
  head -c 16 /dev/zero                                                  # resolution, colours used
  head -c 1024 /dev/zero                                                # the palette
  printf '\x00\x00\x00\x01'                                           # end of line, end of bitmap
} >"$E2E_WORK/bomb.bmp"
printf '[General]\nBGPic=1\nBGPicPath=%s\n' "$E2E_WORK/bomb.bmp" >"$SETTINGS"
xdotool mousemove 100 500
start_bg "$TESSARINE" /s 2>"$E2E_WORK/bomb.err"
SAVER=$BG_PID
wait_window Tessarine 20 >/dev/null || fail "no saver window"
sleep 2
peak=$(awk '/^VmHWM/ { print $2 }' "/proc/$SAVER/status")
note "  $(saver_windows | wc -l) windows, peak memory $((peak / 1024)) MB"
[ "$peak" -lt $((600 * 1024)) ] || fail "the bomb took $((peak / 1024)) MB"
assert_eq "$(grep -c 'declares more pixels than its data can hold' "$E2E_WORK/bomb.err")" 1 \
  "lines about the bomb: $(cat "$E2E_WORK/bomb.err")"
xdotool key space
wait_exit "$SAVER" 5
for i in $(seq 0 15); do xrandr --delmonitor "M$i"; done 2>/dev/null
rm -f "$SETTINGS"

note "a change of the screen's mode, or a client's resize, leaves the saver covering the screen"
stop_xvfb
start_xvfb 1600 1200
xrandr --newmode 1280x800_60 83.50 1280 1352 1480 1680 800 803 809 831
xrandr --addmode screen 1280x800_60
xrandr --output screen --mode 1280x800_60
start_saver 600 400
assert_eq "$(saver_windows | tr '\n' ' ')" "0,0,1280,800 " "window at 1280 x 800"
xrandr --output screen --mode 1600x1200
sleep 1
assert_eq "$(saver_windows | tr '\n' ' ')" "0,0,1600,1200 " "window after the mode grew"
xdotool windowsize "$(xdotool search --onlyvisible --name '^Tessarine$' | head -n 1)" 300 200
sleep 1
assert_eq "$(saver_windows | tr '\n' ' ')" "0,0,1600,1200 " "window after a client shrank it"
still_running "$SAVER" || fail "the saver ended while the screen changed"
xdotool key space
wait_exit "$SAVER" 5

echo PASS
