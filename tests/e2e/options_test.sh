#!/usr/bin/env bash
# Options after the run switch, as a daemon's settings dialog passes them: they reach the scene,
# the settings file keeps its own values, bad ones are named on standard error, --help lists the
# keys. And a run without a session bus leaves no bus behind.
source "$E2E_LIB"
start_xvfb 1024 768

note "--set overrides reach the scene; the file keeps its own values"
printf '[General]\nSimColor=2\nVarNum=1\n[FirstVar]\nSimCount=10\n' >"$SETTINGS"
xdotool mousemove 500 400
start_bg "$TESSARINE" -s --set General.SimColor=3 --set=general.varnum=3 \
  --set ThirdVar.ChainsCount=34 --set ThirdVar.MovSpeed=11 --set Bogus.Key=1 2>"$E2E_WORK/set.err"
saver=$BG_PID
wait_window Tessarine 20 >/dev/null || fail "no saver window"
sleep 2
screenshot "$E2E_WORK/set.png"
blue=$(ink "$E2E_WORK/set.png" b)
note "  blue pixels $blue, green $(ink "$E2E_WORK/set.png" g 0 0 1024 740)"
[ "$blue" -gt 2000 ] || fail "no blue chains: the overrides did not reach the scene"
assert_eq "$(ink "$E2E_WORK/set.png" g 0 0 1024 740)" 0 "green ink (the file's colour)"
xdotool key space
wait_exit "$saver" 5
assert_eq "$EXIT_STATUS" 0 "exit status"
assert_eq "$(ini_value "$SETTINGS" General SimColor)" 2 "SimColor in the file"
assert_eq "$(ini_value "$SETTINGS" General VarNum)" 1 "VarNum in the file"
assert_eq "$(ini_value "$SETTINGS" ThirdVar ChainsCount)" 10 "ChainsCount in the file"
# Besides the line that names the renderer, said at every start.
assert_eq "$(grep -vc '^tessarine: renderer ' "$E2E_WORK/set.err")" 2 \
  "lines on stderr: $(cat "$E2E_WORK/set.err")"
grep -q "ThirdVar.MovSpeed=11: outside 1 to 10" "$E2E_WORK/set.err" || fail "no line for MovSpeed=11"
grep -q "Bogus.Key=1: no such setting" "$E2E_WORK/set.err" || fail "no line for Bogus.Key"

note "--help prints the options and every key, and touches nothing"
rm -f "$SETTINGS"
"$TESSARINE" --help >"$E2E_WORK/help"
grep -q -- "--set Section.Key=VALUE" "$E2E_WORK/help" || fail "no --set in the help"
assert_eq "$(grep -c '^  [A-Z][a-zA-Z]*\.[A-Za-z]* ' "$E2E_WORK/help")" 25 "keys in the help"
[ ! -e "$SETTINGS" ] || fail "--help wrote the settings file"

note "options without a switch run the saver; options the help does not allow are said, status 2"
xdotool mousemove 500 400
start_bg "$TESSARINE" --set General.VarNum=3
saver=$BG_PID
wait_window Tessarine 20 >/dev/null || fail "no saver for options without a switch"
xdotool key space
wait_exit "$saver" 5
assert_eq "$EXIT_STATUS" 0 "exit status without a switch"
for args in "/s -set General.VarNum=3" "/s --sett=General.VarNum=3" "/s --set" "--bogus"; do
  set +e
  # shellcheck disable=SC2086 # the words are the arguments
  timeout 10 "$TESSARINE" $args 2>"$E2E_WORK/bad.err" >/dev/null
  status=$?
  set -e
  assert_eq "$status" 2 "status of 'tessarine $args'"
  assert_eq "$(wc -l <"$E2E_WORK/bad.err")" 1 "lines for '$args': $(cat "$E2E_WORK/bad.err")"
done
[ -z "$(xdotool search --onlyvisible --name '^Tessarine$' 2>/dev/null)" ] || fail "a saver window stayed"

note "without a session bus none is started, and none outlives the saver"
autolaunched() { pgrep -fc 'dbus-launch --autolaunch' || true; }
before=$(autolaunched)
xdotool mousemove 500 400
env -u DBUS_SESSION_BUS_ADDRESS "$TESSARINE" /s &
saver=$!
E2E_PIDS+=("$saver")
wait_window Tessarine 20 >/dev/null || fail "no saver window"
sleep 1
xdotool key space
wait_exit "$saver" 5
sleep 0.5
assert_eq "$(autolaunched)" "$before" "session buses launched"
if ! command -v dbus-launch >/dev/null; then
  echo "SKIP: dbus-launch is missing, so nothing could have been launched (install dbus-x11)"
fi
[ -n "${E2E_SCREENSHOTS:-}" ] && cp "$E2E_WORK/set.png" "$E2E_SCREENSHOTS"/
echo PASS
