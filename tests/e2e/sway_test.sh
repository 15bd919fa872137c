#!/usr/bin/env bash
# A wlroots compositor (sway, headless, two outputs, a bar, an ordinary window): the native
# Wayland saver covers both outputs, bar included, stops drawing on an output that is powered off
# and draws again once it is on, and ends on a key with status 0. Built with LayerShellQt, its
# surfaces are in the overlay layer: no window joins the layout, the ordinary window keeps its
# size, and outputs that come or go get or lose their surface. sway refuses to run as root:
# everything here runs as an unprivileged user.
for tool in sway swaymsg grim wtype setpriv jq weston-flower; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (install sway, grim, wtype, jq and weston)"
    exit 77
  fi
done
source "$E2E_LIB"
unset DISPLAY

USER_ID=$(id -u)
if [ "$USER_ID" -eq 0 ]; then USER_ID=65534; fi
RUNTIME="$E2E_WORK/sway-runtime"
mkdir -p "$RUNTIME" "$E2E_WORK/out"
chown "$USER_ID" "$RUNTIME" "$E2E_WORK/out"
chmod 700 "$RUNTIME"
# "${AS_USER[@]}" CMD...: runs a command as that user, with the compositor's runtime folder. Not
# a function, so that a command started in the background is itself the process in $!, which
# the clean-up then ends (a function would leave it running under a subshell).
AS_USER=(env HOME="$E2E_WORK/out" XDG_RUNTIME_DIR="$RUNTIME" XDG_CONFIG_HOME="$E2E_WORK/out")
if [ "$(id -u)" -eq 0 ]; then
  AS_USER=(setpriv --reuid="$USER_ID" --regid=65534 --clear-groups -- "${AS_USER[@]}")
fi
as_user() { "${AS_USER[@]}" "$@"; }
# The program and the leak checker's suppressions where that user can read them.
cp "$TESSARINE" "$E2E_WORK/tessarine"
chmod 755 "$E2E_WORK/tessarine"
if [[ "${LSAN_OPTIONS:-}" == *suppressions=* ]]; then
  supp=$(sed -E 's/(^|.*:)suppressions=([^:]*).*/\2/' <<<"$LSAN_OPTIONS")
  cp "$supp" "$E2E_WORK/lsan.supp"
  chmod 644 "$E2E_WORK/lsan.supp"
  export LSAN_OPTIONS="${LSAN_OPTIONS/$supp/$E2E_WORK/lsan.supp}"
  # The exact unwinder serves the leak check only, and makes Mesa's rasteriser crawl.
  [[ "${ASAN_OPTIONS:-}" == *detect_leaks=0* ]] ||
    LSAN_OPTIONS="$LSAN_OPTIONS:fast_unwind_on_malloc=0"
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
"${AS_USER[@]}" WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=2 WLR_LIBINPUT_NO_DEVICES=1 \
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

# wait_scene OUTPUT: waits until the output shows the scene.
wait_scene() {
  for _ in $(seq 30); do
    [ "$(ink "$(shot "$1")" g)" -gt 1000 ] && return 0
    sleep 0.2
  done
  fail "$1 shows no scene: $(cat "$E2E_WORK/out/stats")"
}
# tree_windows APP_ID: how many windows of that application sway's layout holds.
tree_windows() { as_user swaymsg -r -t get_tree | jq "[.. | objects | select(.app_id? == \"$1\")] | length"; }
# window_size APP_ID: the size the layout gives that application's window.
window_size() {
  as_user swaymsg -r -t get_tree |
    jq -r "[.. | objects | select(.app_id? == \"$1\")][0].rect | \"\\(.width)x\\(.height)\""
}
ORDINARY=org.freedesktop.weston.flower

# The bar comes a moment after sway, later on a busy machine.
for _ in $(seq 50); do
  bar=$(count "$(shot HEADLESS-1)" 255,0,255)
  [ "$bar" -gt 1000 ] && break
  sleep 0.2
done
[ "$bar" -gt 1000 ] || fail "no bar on HEADLESS-1 before the saver ($bar pixels)"
"${AS_USER[@]}" WAYLAND_DISPLAY="$WAYLAND_DISPLAY" weston-flower >"$E2E_WORK/ordinary.log" 2>&1 &
E2E_PIDS+=("$!")
for _ in $(seq 50); do [ "$(tree_windows "$ORDINARY")" = 1 ] && break; sleep 0.1; done
[ "$(tree_windows "$ORDINARY")" = 1 ] || fail "no ordinary window: $(cat "$E2E_WORK/ordinary.log")"
ordinary_size=$(window_size "$ORDINARY")
note "an ordinary window of $ordinary_size"

saver_env=(TESSARINE_STATS=1)
if [ "${TESSARINE_LAYER_SHELL:-OFF}" = ON ]; then
  # An X display as well, as XWayland gives: a compositor with an overlay layer still gets the
  # native Wayland saver (were it an X11 client, sway's outputs would show no scene).
  sway_display=$WAYLAND_DISPLAY
  start_xvfb 640 480  # unsets WAYLAND_DISPLAY
  saver_env+=(DISPLAY="$DISPLAY")
  unset DISPLAY
  export WAYLAND_DISPLAY=$sway_display
fi
"${AS_USER[@]}" "${saver_env[@]}" "$E2E_WORK/tessarine" /s 2>"$E2E_WORK/out/stats" &
SAVER=$!
E2E_PIDS+=("$SAVER")
sleep 3
still_running "$SAVER" || fail "the saver ended by itself: $(cat "$E2E_WORK/out/stats")"
# Forced onto the device, both outputs' windows compose there, through Qt's OpenGL widget.
if [ "${TESSARINE_RENDERER:-}" = gl ]; then
  assert_eq "$(grep -c "^tessarine: renderer gl (" "$E2E_WORK/out/stats")" 1 "renderer lines"
  grep -q "renderer software" "$E2E_WORK/out/stats" && fail "an output on software: $(cat "$E2E_WORK/out/stats")"
fi

note "both outputs are covered with the scene, the bar included"
for output in HEADLESS-1 HEADLESS-2; do
  wait_scene "$output"
  file=$(shot "$output")
  green=$(ink "$file" g)
  bar=$(count "$file" 255,0,255)
  note "  $output: $green green pixels, $bar of the bar's"
  [ "$green" -gt 1000 ] || fail "$output shows no scene: $(cat "$E2E_WORK/out/stats")"
  assert_eq "$bar" 0 "pixels of the bar on $output"
  [ -n "${E2E_SCREENSHOTS:-}" ] && cp "$file" "$E2E_SCREENSHOTS/sway-$output.png"
done

if [ "${TESSARINE_LAYER_SHELL:-OFF}" = ON ]; then
  note "in the overlay layer: no window joins the layout, the ordinary one keeps its size"
  assert_eq "$(tree_windows tessarine)" 0 "saver windows in sway's layout"
  assert_eq "$(window_size "$ORDINARY")" "$ordinary_size" "size of the ordinary window"

  note "an output that comes is covered; the one the saver started on may go"
  as_user swaymsg create_output >/dev/null || fail "sway made no new output"
  wait_scene HEADLESS-3
  as_user swaymsg output HEADLESS-1 disable >/dev/null || fail "sway kept HEADLESS-1"
  sleep 1
  still_running "$SAVER" || fail "the saver ended when an output went: $(cat "$E2E_WORK/out/stats")"
  for output in HEADLESS-2 HEADLESS-3; do
    output_changes "$output" || fail "$output stopped drawing when HEADLESS-1 went"
  done
  as_user swaymsg output HEADLESS-1 enable >/dev/null || fail "sway did not bring HEADLESS-1 back"
  wait_scene HEADLESS-1
else
  # The same count that must be 0 in the overlay layer finds the full-screen windows here.
  assert_eq "$(tree_windows tessarine)" 2 "full-screen saver windows in sway's layout"
  note "SKIP: the overlay layer part: this build has no LayerShellQt 6 (Debian 12 has it only" \
    "for Qt 5), so the saver's surfaces are full-screen windows"
fi

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
