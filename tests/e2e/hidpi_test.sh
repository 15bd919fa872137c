#!/usr/bin/env bash
# A 4K screen at scale 2 (QT_SCALE_FACTOR=2, or the desktop's Xft.dpi of 192) shows exactly the
# picture of a 1080p screen, each pixel doubled: symbols and the credit line at twice their
# 1080p size. A daemon's window takes its scale from Xft.dpi; TESSARINE_SCALE overrides both.
source "$E2E_LIB"
: "${TESTWINDOW:?the path of tessarine-testwindow}"
printf '[General]\nVarNum=2\n[SecondVar]\nSimCount=100\nSimSize=7\n' >"$SETTINGS"
CREDIT=0,200,0  # the credit line's colour; the glyphs never reach it

# run_saver NAME [ENV...]: a screenshot NAME.png of the running saver.
run_saver() {
  local name=$1
  shift
  xdotool mousemove 10 10
  env "$@" "$TESSARINE" /s &
  local saver=$!
  E2E_PIDS+=("$saver")
  wait_window Tessarine 20 >/dev/null || fail "no saver window ($name)"
  sleep 2
  screenshot "$E2E_WORK/$name.png"
  WINDOW=$(xdotool search --onlyvisible --name '^Tessarine$' | head -n 1)
  kill -TERM "$saver"
  wait "$saver" 2>/dev/null || true
}

note "1920 x 1080 at scale 1: the credit line's size to compare with"
start_xvfb 1920 1080
run_saver plain
read -r cx cy cw ch <<<"$(inkbox "$E2E_WORK/plain.png" "$CREDIT")"
note "  credit line at $cx,$cy, ${cw} x ${ch} pixels"
stop_xvfb

start_xvfb 3840 2160
for way in QT_SCALE_FACTOR=2 Xft.dpi; do
  note "3840 x 2160 with $way: the 1080p picture, each pixel doubled"
  if [ "$way" = Xft.dpi ]; then
    echo "Xft.dpi: 192" | xrdb -merge
    run_saver "hidpi-xft"
    shot="$E2E_WORK/hidpi-xft.png"
  else
    run_saver "hidpi" QT_SCALE_FACTOR=2
    shot="$E2E_WORK/hidpi.png"
  fi
  eval "$(xdotool getwindowgeometry --shell "$WINDOW" 2>/dev/null || echo WIDTH=3840 HEIGHT=2160)"
  assert_eq "$(blocks "$shot" 2)" "0 of 2073600" "2 x 2 blocks of more than one colour ($way)"
  assert_eq "$(inkbox "$shot" "$CREDIT")" "$((2 * cx)) $((2 * cy)) $((2 * cw)) $((2 * ch))" \
    "credit line box ($way)"
  [ "$(ink "$shot" g)" -gt 20000 ] || fail "no symbols ($way)"
done

note "TESSARINE_SCALE=1 overrides the desktop's scale: native pixels, a 1080p-sized credit line"
run_saver "native" TESSARINE_SCALE=1
read -r _ _ nw nh <<<"$(inkbox "$E2E_WORK/native.png" "$CREDIT")"
assert_eq "$nw $nh" "$cw $ch" "credit line size at scale 1 on 4K"
[ "$(blocks "$E2E_WORK/native.png" 2 | cut -d' ' -f1)" -gt 100 ] || fail "still doubled pixels"

note "a daemon's window takes the scale from Xft.dpi"
"$TESTWINDOW" 800 600 100 100 >"$E2E_WORK/window" &
E2E_PIDS+=("$!")
for _ in $(seq 50); do [ -s "$E2E_WORK/window" ] && break; sleep 0.1; done
XSCREENSAVER_WINDOW=$(cat "$E2E_WORK/window") start_bg "$TESSARINE" /s
saver=$BG_PID
sleep 2
screenshot "$E2E_WORK/daemon-hidpi.png"
kill -TERM "$saver"
wait "$saver" 2>/dev/null || true
assert_eq "$(blocks "$E2E_WORK/daemon-hidpi.png" 2 100 100 800 600)" "0 of 120000" \
  "2 x 2 blocks of more than one colour in the daemon's window"
[ "$(ink "$E2E_WORK/daemon-hidpi.png" g 100 100 800 600)" -gt 2000 ] || fail "the window is blank"
[ -n "${E2E_SCREENSHOTS:-}" ] && cp "$E2E_WORK/hidpi.png" "$E2E_WORK/daemon-hidpi.png" "$E2E_SCREENSHOTS"/
echo PASS
