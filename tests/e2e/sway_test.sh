#!/usr/bin/env bash
# A wlroots compositor (sway, headless, two outputs, a bar): the native Wayland saver covers both
# outputs, bar included, stops drawing on an output that is powered off and draws again once it
# is on, and ends on a key with status 0. sway refuses to run as root: everything here runs as
# an unprivileged user.
for tool in sway swaymsg grim wtype setpriv; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (install sway, grim and wtype)"
    exit 77
  fi
done
source "$E2E_LIB"
unset DISPLAY

USER_ID=$(id -u)
if [ "$USER_ID" -eq 0 ]; then USER_ID=65534; fi
# as_user CMD...: runs a command as that user, with the compositor's runtime folder.
RUNTIME="$E2E_WORK/sway-runtime"
mkdir -p "$RUNTIME" "$E2E_WORK/out"
chown "$USER_ID" "$RUNTIME" "$E2E_WORK/out"
chmod 700 "$RUNTIME"
as_user() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid="$USER_ID" --regid=65534 --clear-groups -- env HOME="$E2E_WORK/out" \
      XDG_RUNTIME_DIR="$RUNTIME" XDG_CONFIG_HOME="$E2E_WORK/out" "$@"
  else
    env XDG_RUNTIME_DIR="$RUNTIME" XDG_CONFIG_HOME="$E2E_WORK/out" "$@"
  fi
}
# The program and the leak checker's suppressions where that user can read them.
cp "$TESSARINE" "$E2E_WORK/tessarine"
chmod 755 "$E2E_WORK/tessarine"
if [[ "${LSAN_OPTIONS:-}" == *suppressions=* ]]; then
  supp=$(sed -E 's/.*suppressions=([^:]*).*/\1/' <<<"$LSAN_OPTIONS")
  cp "$supp" "$E2E_WORK/lsan.supp"
  chmod 644 "$E2E_WORK/lsan.supp"
  export LSAN_OPTIONS="${LSAN_OPTIONS/$supp/$E2E_WORK/lsan.supp}:fast_unwind_on_malloc=0"
fi

cat >"$E2E_WORK/sway.conf" <<'CONF'
output * bg #203040 solid_color
bar {
  position bottom
  status_command echo status
  colors {
    background #ff00ff
  }
}
CONF
chmod 644 "$E2E_WORK/sway.conf"
as_user env WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 \
  WLR_RENDERER=pixman sway -c "$E2E_WORK/sway.conf" >"$E2E_WORK/sway.log" 2>&1 &
E2E_PIDS+=("$!")
for _ in $(seq 100); do ls "$RUNTIME"/sway-ipc.*.sock >/dev/null 2>&1 && break; sleep 0.1; done
SWAYSOCK=$(ls "$RUNTIME"/sway-ipc.*.sock 2>/dev/null | head -n 1)
[ -n "$SWAYSOCK" ] || fail "sway did not start: $(tail -n 5 "$E2E_WORK/sway.log")"
WAYLAND_DISPLAY=$(basename "$(ls "$RUNTIME"/wayland-[0-9] | head -n 1)")
export SWAYSOCK WAYLAND_DISPLAY
note "sway $(sway --version | awk '{ print $3 }') on $WAYLAND_DISPLAY, outputs HEADLESS-1 and HEADLESS-2"
sleep 1

# shot OUTPUT: a screenshot of one output; prints its path.
shot() {
  as_user grim -o "$1" "$E2E_WORK/out/$1.png" || fail "no screenshot of $1"
  echo "$E2E_WORK/out/$1.png"
}
# output_changes OUTPUT: whether the output's picture changes within half a second.
output_changes() {
  local a b
  a=$(shot "$1")
  cp "$a" "$E2E_WORK/before.png"
  sleep 0.5
  b=$(shot "$1")
  ! cmp -s "$E2E_WORK/before.png" "$b"
}
# wait_said TEXT: waits until the statistics have said it.
wait_said() {
  for _ in $(seq 100); do grep -q -- "$1" "$E2E_WORK/out/stats" && return 0; sleep 0.1; done
  fail "never said '$1': $(cat "$E2E_WORK/out/stats")"
}

bar=$(count "$(shot HEADLESS-1)" 255,0,255)
[ "$bar" -gt 1000 ] || fail "no bar on HEADLESS-1 before the saver ($bar pixels)"

as_user env TESSARINE_STATS=1 "$E2E_WORK/tessarine" /s 2>"$E2E_WORK/out/stats" &
SAVER=$!
E2E_PIDS+=("$SAVER")
sleep 3
still_running "$SAVER" || fail "the saver ended by itself: $(cat "$E2E_WORK/out/stats")"

note "both outputs are covered with the scene, the bar included"
for output in HEADLESS-1 HEADLESS-2; do
  file=$(shot "$output")
  green=$(ink "$file" g)
  bar=$(count "$file" 255,0,255)
  note "  $output: $green green pixels, $bar of the bar's"
  [ "$green" -gt 1000 ] || fail "$output shows no scene"
  assert_eq "$bar" 0 "pixels of the bar on $output"
done

note "an output powered off gets no frames; powered on again, it does"
if as_user swaymsg output HEADLESS-2 power off >/dev/null 2>&1 ||
  { as_user swaymsg output HEADLESS-2 dpms off >/dev/null 2>&1 &&
    ! grep -q "Failed to commit output HEADLESS-2" "$E2E_WORK/sway.log"; }; then
  wait_said "paused (hidden)"
  output_changes HEADLESS-1 || fail "the output left on stopped drawing"
  as_user swaymsg output HEADLESS-2 power on >/dev/null 2>&1 ||
    as_user swaymsg output HEADLESS-2 dpms on >/dev/null 2>&1
  wait_said "resumed"
  output_changes HEADLESS-2 || fail "no frames on the output powered on again"
else
  note "  SKIP: this sway cannot power off a headless output ($(tail -n 1 "$E2E_WORK/sway.log"))"
fi

note "a key ends it with status 0"
as_user wtype -s 1500 -k space
wait_exit "$SAVER" 10
assert_eq "$EXIT_STATUS" 0 "exit status after a key"
echo PASS
