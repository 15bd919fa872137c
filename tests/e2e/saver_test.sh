#!/usr/bin/env bash
# The saver on screen: it covers the screen with the background grey and the credit line, shows
# a bitmap background stretched over the screen, and closes on exactly the input it should.
source "$E2E_LIB"
start_xvfb 1024 768

START_X=500
START_Y=400

# start_saver: starts `tessarine /s` with the pointer at the start position; sets SAVER and WIN.
start_saver() {
  xdotool mousemove "$START_X" "$START_Y"
  sleep 0.2
  start_bg "$TESSARINE" /s
  SAVER=$BG_PID
  WIN=$(wait_window Tessarine 20) || fail "no saver window"
  sleep 0.7  # a few frames
  still_running "$SAVER" || fail "the saver ended by itself"
}

# expect_open WHAT: the saver still runs after the input.
expect_open() {
  sleep 0.4
  still_running "$SAVER" || fail "$1 closed the saver"
}

# expect_closed WHAT: the saver ends with status 0 after the input.
expect_closed() {
  wait_exit "$SAVER" 5 || true
  assert_eq "$EXIT_STATUS" 0 "exit status after $1"
}

note "the saver covers the screen with the background grey, red glyphs and a red credit line"
printf '[General]\nSimColor=1\nBGColor=%d\n' $((0x4C4C4C)) >"$SETTINGS"
start_saver
eval "$(xdotool getwindowgeometry --shell "$WIN")"
assert_eq "$X,$Y,$WIDTH,$HEIGHT" "0,0,1024,768" "saver window geometry"
screenshot "$E2E_WORK/grey.png"
grey=$(count "$E2E_WORK/grey.png" 76,76,76)
[ "$grey" -gt $((1024 * 768 * 8 / 10)) ] || fail "the background grey covers only $grey pixels"
# Red ink in the bottom-right band, and none elsewhere on the screen.
credit=$(ink "$E2E_WORK/grey.png" r 424 748 600 20)
[ "$credit" -gt 100 ] || fail "no red credit line at the bottom right ($credit)"
assert_eq "$(ink "$E2E_WORK/grey.png" g)$(ink "$E2E_WORK/grey.png" b)" 00 "green or blue ink"

note "a key press closes it with status 0, and the cursor shows again"
assert_eq "$("$TESTWINDOW" --cursor)" hidden "cursor while the saver runs"
xdotool key space
expect_closed "a key press"
assert_eq "$("$TESTWINDOW" --cursor)" visible "cursor after closing"

note "a movement of exactly 5 pixels on both axes does not close it, 6 does"
start_saver
xdotool mousemove $((START_X + 5)) $((START_Y + 5)) sleep 0.2
xdotool mousemove $((START_X - 5)) $((START_Y - 5)) sleep 0.2
expect_open "a movement of 5 pixels"
xdotool mousemove $((START_X + 6)) $((START_Y))
expect_closed "a movement of 6 pixels"

for button in 1 2 3; do
  note "mouse button $button closes it"
  start_saver
  xdotool click "$button"
  expect_closed "button $button"
done

note "a wheel turn and a lone button release do not close it"
start_saver
xdotool click 4
xdotool click 5
xdotool mouseup 1
expect_open "the wheel or a release"
xdotool key Escape
expect_closed "Escape"

note "a bitmap background is stretched over the whole screen"
convert \( xc:red xc:lime +append \) \( xc:blue xc:yellow +append \) -append \
  -type truecolor "BMP3:$E2E_WORK/quarters.bmp"
printf '[General]\nBGPic=1\nBGPicPath=%s\n' "$E2E_WORK/quarters.bmp" >"$SETTINGS"
start_saver
screenshot "$E2E_WORK/picture.png"
# Each colour fills a quarter of the screen, less the few glyphs drawn over it.
quarter=$((1024 * 768 / 4))
for colour in 255,0,0 0,255,0 0,0,255 255,255,0; do
  n=$(count "$E2E_WORK/picture.png" "$colour")
  [ "$n" -le "$quarter" ] && [ "$n" -gt $((quarter * 8 / 10)) ] ||
    fail "colour $colour covers $n pixels, not a quarter of the screen"
done
xdotool click 1
expect_closed "a click over the picture"
[ -n "${E2E_SCREENSHOTS:-}" ] && cp "$E2E_WORK"/*.png "$E2E_SCREENSHOTS"/
echo PASS
