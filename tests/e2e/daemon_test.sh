#!/usr/bin/env bash
# Inside a screen-saver daemon's window: frames drawn into the named window at its size, no window
# of our own, one saver per window side by side, clean ends on SIGTERM, SIGINT and SIGHUP, and a
# clear end when the window does not exist or goes away.
source "$E2E_LIB"
: "${TESTWINDOW:?the path of tessarine-testwindow}"
start_xvfb 1024 768

# make_window W H X Y: a stand-in daemon window; sets WINDOW_ID and WINDOW_PID.
make_window() {
  local out="$E2E_WORK/window-$RANDOM"
  "$TESTWINDOW" "$@" >"$out" &
  WINDOW_PID=$!
  E2E_PIDS+=("$WINDOW_PID")
  for _ in $(seq 50); do [ -s "$out" ] && break; sleep 0.1; done
  WINDOW_ID=$(cat "$out")
  [ -n "$WINDOW_ID" ] || fail "no test window"
}

printf '[General]\nVarNum=2\n[SecondVar]\nSimCount=100\n' >"$SETTINGS"
make_window 480 300 20 20
first_window=$WINDOW_ID
make_window 400 260 560 400
second_window=$WINDOW_ID
windows_before=$(visible_window_count)

note "two savers, one per window, both draw"
XSCREENSAVER_WINDOW=$first_window start_bg "$TESSARINE" /s
first=$BG_PID
XSCREENSAVER_WINDOW=$second_window start_bg "$TESSARINE" /s
second=$BG_PID
sleep 3
still_running "$first" || fail "the first saver ended"
still_running "$second" || fail "the second saver ended"
assert_eq "$(visible_window_count)" "$windows_before" "top-level windows"
screenshot "$E2E_WORK/daemon.png"
first_ink=$(ink "$E2E_WORK/daemon.png" g 20 20 480 300)
second_ink=$(ink "$E2E_WORK/daemon.png" g 560 400 400 260)
outside=$(ink "$E2E_WORK/daemon.png" g 0 330 540 430)
note "  green pixels: $first_ink in the first window, $second_ink in the second, $outside outside"
[ "$first_ink" -gt 500 ] || fail "the first window is blank"
[ "$second_ink" -gt 500 ] || fail "the second window is blank"
assert_eq "$outside" 0 "green outside the windows"
written=$(stat -c %Y "$SETTINGS")

note "SIGTERM ends each within a second, by SIGTERM as the daemons expect"
for pid in "$first" "$second"; do
  kill -TERM "$pid"
  wait_exit "$pid" 1
  assert_eq "$EXIT_STATUS" $((128 + 15)) "exit status after SIGTERM"
done
assert_eq "$(stat -c %Y "$SETTINGS")" "$written" "settings file touched on SIGTERM"

for signal in INT HUP; do
  note "SIG$signal ends it cleanly too, by that signal"
  XSCREENSAVER_WINDOW=$first_window start_bg "$TESSARINE" /s
  saver=$BG_PID
  sleep 1
  kill "-$signal" "$saver"
  wait_exit "$saver" 1
  assert_eq "$EXIT_STATUS" $((128 + $(kill -l "$signal"))) "exit status after SIG$signal"
done

note "a window that goes away ends the saver with status 0 and one line"
XSCREENSAVER_WINDOW=$second_window start_bg "$TESSARINE" /s 2>"$E2E_WORK/gone.err"
saver=$BG_PID
sleep 1
kill -USR1 "$WINDOW_PID"
wait_exit "$saver" 3
assert_eq "$EXIT_STATUS" 0 "exit status when the window went away"
# The renderer line aside (which renderer composes the frames, said at the start).
assert_eq "$(grep -vc '^tessarine: renderer ' "$E2E_WORK/gone.err")" 1 \
  "lines on stderr: $(cat "$E2E_WORK/gone.err")"
grep -q "went away" "$E2E_WORK/gone.err" || fail "unclear message: $(cat "$E2E_WORK/gone.err")"

note "a value that names no window: status 1 and one line, no window; a window gone already: 0"
for value in 0x3fffff junk 0 -1 4294967296 "0x200000 "; do
  set +e
  XSCREENSAVER_WINDOW=$value timeout 10 "$TESSARINE" /s 2>"$E2E_WORK/none.err"
  status=$?
  set -e
  assert_eq "$status" "$([ "$value" = 0x3fffff ] && echo 0 || echo 1)" \
    "exit status for XSCREENSAVER_WINDOW='$value'"
  assert_eq "$(wc -l <"$E2E_WORK/none.err")" 1 "lines on stderr for '$value'"
  grep -q "does not exist\|names no window" "$E2E_WORK/none.err" ||
    fail "unclear message: $(cat "$E2E_WORK/none.err")"
  [ -z "$(xdotool search --onlyvisible --name '^Tessarine$' 2>/dev/null)" ] ||
    fail "a saver window for '$value'"
done
note "no guard file of a daemon window is left behind"
assert_eq "$(find "$XDG_RUNTIME_DIR" -name 'one_inst_orvanex_memfile-0x*' | wc -l)" 0 "guard files"
[ -n "${E2E_SCREENSHOTS:-}" ] && cp "$E2E_WORK/daemon.png" "$E2E_SCREENSHOTS"/
echo PASS
