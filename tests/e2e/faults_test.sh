#!/usr/bin/env bash
# Faults the saver must survive: a settings writer killed at random moments, twenty saver starts
# at once, termination signals, a file size limit (as on a full disk) and vanished folders.
source "$E2E_LIB"
: "${WRITELOOP:?the path of tessarine-writeloop}"
: "${TESTWINDOW:?the path of tessarine-testwindow}"
start_xvfb 1024 768

note "the settings writer killed with SIGKILL 1000 times leaves one complete version or the other"
"$TESSARINE" /p
# A large line of the user's own makes each write take long enough to be hit in the middle.
{ printf '; %s\n' "$(head -c 300000 /dev/zero | tr '\0' 'x')"; cat "$SETTINGS"; } >"$E2E_WORK/big"
mv "$E2E_WORK/big" "$SETTINGS"
sed -i 's/^SimColor=.*/SimColor=1/' "$SETTINGS"
cp "$SETTINGS" "$E2E_WORK/version-1"
sed 's/^SimColor=.*/SimColor=3/' "$SETTINGS" >"$E2E_WORK/version-3"
for i in $(seq 1000); do
  "$WRITELOOP" &
  writer=$!
  sleep "0.00$((RANDOM % 10))"
  kill -9 "$writer"
  wait "$writer" 2>/dev/null || true
  if ! cmp -s "$SETTINGS" "$E2E_WORK/version-1" && ! cmp -s "$SETTINGS" "$E2E_WORK/version-3"; then
    fail "after kill $i the settings file is neither version ($(wc -c <"$SETTINGS") bytes)"
  fi
done
leftovers=$(find "$XDG_CONFIG_HOME" -name '.Orvanex.ini.*' | wc -l)
[ "$leftovers" -le 1 ] || fail "$leftovers temporary files left behind"
"$TESSARINE" /p
[ "$(find "$XDG_CONFIG_HOME" -name '.Orvanex.ini.*' | wc -l)" -eq 0 ] || fail "stale temporary files kept"
"$TESSARINE" /p  # back to a plain file for what follows
printf '[General]\nVarNum=2\n' >"$SETTINGS"

note "twenty starts at the same moment give exactly one saver; the others end with status 0"
pids=()
for _ in $(seq 20); do
  "$TESSARINE" /s &
  pids+=("$!")
  E2E_PIDS+=("$!")
done
sleep 4
running=0
for pid in "${pids[@]}"; do
  if still_running "$pid"; then
    running=$((running + 1))
    saver=$pid
  else
    set +e; wait "$pid"; status=$?; set -e
    assert_eq "$status" 0 "exit status of a refused start"
  fi
done
assert_eq "$running" 1 "savers running"
assert_eq "$(xdotool search --onlyvisible --name '^Tessarine$' | wc -l)" 1 "saver windows"
xdotool key space
wait_exit "$saver" 5
assert_eq "$EXIT_STATUS" 0 "exit status of the one saver"

for signal in TERM INT HUP; do
  note "SIG$signal ends a running saver within a second, by that signal; the cursor shows again"
  xdotool mousemove 500 400
  start_bg "$TESSARINE" /s
  saver=$BG_PID
  wait_window Tessarine 20 >/dev/null || fail "no saver window"
  sleep 1
  assert_eq "$("$TESTWINDOW" --cursor)" hidden "cursor while the saver runs"
  kill "-$signal" "$saver"
  wait_exit "$saver" 1
  assert_eq "$EXIT_STATUS" $((128 + $(kill -l "$signal"))) "exit status after SIG$signal"
  assert_eq "$("$TESTWINDOW" --cursor)" visible "cursor after SIG$signal"
done

note "a file size limit, as a full disk: the write fails cleanly and the old file stays"
printf '[General]\nSimColor=3\n; kept as it is\n' >"$SETTINGS"
cp "$SETTINGS" "$E2E_WORK/before-full"
set +e
# (stderr through a pipe: the limit would stop writes to a file as well)
(ulimit -f 0; exec "$TESSARINE" /p) 2> >(cat >"$E2E_WORK/full.err") &
full=$!
E2E_PIDS+=("$full")
box=$(wait_window "Application Error" 20) || fail "no Application Error box"
press_in_window "$box" Return
wait_exit "$full" 10
set -e
assert_eq "$EXIT_STATUS" 1 "exit status on a full disk"
sleep 0.2
grep -q "Unable to write to Orvanex.ini" "$E2E_WORK/full.err" || fail "no message on stderr"
cmp -s "$SETTINGS" "$E2E_WORK/before-full" || fail "the settings file changed"

note "vanished folders: the settings folder is made again, a picture's folder is no picture"
export XDG_CONFIG_HOME="$E2E_WORK/gone/config"
mkdir -p "$E2E_WORK/pictures"
convert -size 64x48 xc:red -type truecolor "BMP3:$E2E_WORK/pictures/red.bmp"
mkdir -p "$XDG_CONFIG_HOME"
printf '[General]\nBGPic=1\nBGPicPath=%s\nBGColor=%d\n' "$E2E_WORK/pictures/red.bmp" $((0x303030)) \
  >"$XDG_CONFIG_HOME/Orvanex.ini"
rm -rf "$E2E_WORK/pictures"
start_bg "$TESSARINE" /s
saver=$BG_PID
wait_window Tessarine 20 >/dev/null || fail "no saver window"
sleep 1
screenshot "$E2E_WORK/vanished.png"
[ "$(count "$E2E_WORK/vanished.png" 48,48,48)" -gt $((1024 * 768 / 2)) ] || fail "not the grey background"
assert_eq "$(ini_value "$XDG_CONFIG_HOME/Orvanex.ini" General BGPic)" 0 "picture flag"
xdotool key space
wait_exit "$saver" 5
rm -rf "$E2E_WORK/gone"
"$TESSARINE" /p
[ -f "$XDG_CONFIG_HOME/Orvanex.ini" ] || fail "the vanished settings folder was not made again"
echo PASS
