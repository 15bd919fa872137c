#!/usr/bin/env bash
# Wayland: with only a Wayland display (weston, nested in Xvfb with its x11 backend) the saver runs
# natively and full screen, and measures the 5-pixel rule from the first pointer position it
# learns. With an X display as well (XWayland) it runs as an X11 client.
if ! command -v weston >/dev/null || ! command -v weston-screenshooter >/dev/null; then
  echo "SKIP: weston is not installed (install weston and qt6-wayland)"
  exit 77
fi
source "$E2E_LIB"
start_xvfb 1024 768
X_DISPLAY=$DISPLAY
# weston's debug protocol lets weston-screenshooter take screenshots.
weston --backend=x11-backend.so --width=1024 --height=768 --socket=tessarine-wayland \
  --idle-time=0 --no-config --debug >"$E2E_WORK/weston.log" 2>&1 &
E2E_PIDS+=("$!")
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/tessarine-wayland" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/tessarine-wayland" ] || fail "weston did not start: $(tail -n 5 "$E2E_WORK/weston.log")"
sleep 1

# wayland_saver: the saver started with only the Wayland display; sets SAVER.
# Under the leak checker its allocations are traced with the slow, exact unwinder: the Wayland
# libraries keep some until exit, and only a whole stack through them (built without frame
# pointers) lets the checker's suppressions recognise them as theirs. Without the leak check
# (the GL runs) it would only make Mesa's rasteriser crawl.
wayland_saver() {
  local unwind=fast_unwind_on_malloc=0
  [[ "${ASAN_OPTIONS:-}" == *detect_leaks=0* ]] && unwind=fast_unwind_on_malloc=1
  xdotool mousemove 300 300  # over weston's output, where the saver's surface will be
  start_bg env -u DISPLAY WAYLAND_DISPLAY=tessarine-wayland \
    LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}$unwind" "$TESSARINE" /s \
    2> >(tee "$E2E_WORK/wayland.err" >&2)
  SAVER=$BG_PID
  sleep 3
  still_running "$SAVER" || fail "the saver ended by itself"
}

# wayland_screenshot: a screenshot of weston's output once our frames show; sets SHOT.
wayland_screenshot() {
  local i
  for i in $(seq 15); do
    rm -f "$E2E_WORK"/wayland-screenshot-*.png
    (cd "$E2E_WORK" && WAYLAND_DISPLAY=tessarine-wayland timeout 10 weston-screenshooter) ||
      fail "no weston screenshot"
    SHOT=$(ls "$E2E_WORK"/wayland-screenshot-*.png | head -n 1)
    [ "$(ink "$SHOT" g)" -gt 20000 ] && return 0
    sleep 1
  done
  fail "the weston screenshot shows no frames"
}

note "only Wayland: native, full screen, drawn"
wayland_saver
wayland_screenshot
shot=$SHOT
assert_eq "$(identify -format '%wx%h' "$shot")" 1024x768 "screenshot size"
# Full screen: the frames' background covers weston's panel and desktop.
[ "$(count "$shot" 0,0,0)" -gt $((1024 * 768 * 8 / 10)) ] || fail "the saver does not cover the output"
assert_eq "$(xdotool search --onlyvisible --name '^Tessarine$' | wc -l)" 0 "X windows of ours"
if [ "${TESSARINE_RENDERER:-}" = gl ]; then
  # Composed on the device through Qt's OpenGL widget, which passed the self-check.
  grep -q "^tessarine: renderer gl (" "$E2E_WORK/wayland.err" ||
    fail "not on the graphics device: $(cat "$E2E_WORK/wayland.err")"
fi

note "a 1-pixel movement does not end it, wherever the pointer entered; 6 pixels do"
xdotool mousemove 301 300
sleep 0.5
xdotool mousemove 300 301
sleep 0.5
still_running "$SAVER" || fail "a 1-pixel movement ended the saver"
xdotool mousemove 306 301
wait_exit "$SAVER" 5
assert_eq "$EXIT_STATUS" 0 "exit status after 6 pixels"

note "with an X display as well, it runs as an X11 client"
xdotool mousemove 500 400
start_bg env DISPLAY="$X_DISPLAY" WAYLAND_DISPLAY=tessarine-wayland "$TESSARINE" /s
saver=$BG_PID
wait_window Tessarine 20 >/dev/null || fail "no X window with both displays"
xdotool key space
wait_exit "$saver" 5
[ -n "${E2E_SCREENSHOTS:-}" ] && cp "$shot" "$E2E_SCREENSHOTS/wayland.png"
echo PASS
