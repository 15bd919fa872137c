#!/usr/bin/env bash
# A saver bound to a key (xbindkeys, sxhkd) starts while that key is still held: the key's
# repeats and its release must not end it; any new press does.
source "$E2E_LIB"
start_xvfb 1024 768
note "started from a key binding: the key's repeats and release do not end it, a new press does"
for held in "super 0.3" "a 1.0" "Return 0.05"; do
  read -r key hold <<<"$held"
  xdotool mousemove 600 400
  xdotool keydown "$key"
  start_bg "$TESSARINE" /s
  SAVER=$BG_PID
  sleep "$hold"
  if ! wait_window Tessarine 20 >/dev/null; then
    still_running "$SAVER" || wait_exit "$SAVER" 1
    fail "no saver window with $key held (status ${EXIT_STATUS:-running})"
  fi
  xdotool keyup "$key"
  sleep 0.7
  still_running "$SAVER" || fail "the release of $key held $hold s ended the saver"
  xdotool key space
  wait_exit "$SAVER" 5
  assert_eq "$EXIT_STATUS" 0 "exit status after a press"
done
echo PASS
