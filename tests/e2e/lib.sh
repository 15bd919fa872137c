# Helpers for the end-to-end tests: a private Xvfb display, private settings and runtime folders,
# and small assertions. Source this file; it sets DISPLAY, XDG_CONFIG_HOME and XDG_RUNTIME_DIR.
set -euo pipefail

: "${TESSARINE:?the path of the tessarine program}"
E2E_WORK=$(mktemp -d /tmp/tessarine-e2e-XXXXXX)
chmod 755 "$E2E_WORK"
export XDG_CONFIG_HOME="$E2E_WORK/config"
export XDG_RUNTIME_DIR="$E2E_WORK/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
SETTINGS="$XDG_CONFIG_HOME/Orvanex.ini"
# The program's own language (Russian) unless a test asks for another.
export LANG=C.UTF-8
unset LC_ALL LC_MESSAGES LANGUAGE
XVFB_PID=""
E2E_PIDS=()

e2e_cleanup() {
  local pid
  for pid in "${E2E_PIDS[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
  # Whatever a desktop service mounted in our folders goes first.
  awk -v w="$E2E_WORK" 'index($2, w) == 1 { print $2 }' /proc/mounts | sort -r |
    while read -r mount; do umount -l "$mount" 2>/dev/null || true; done
  rm -rf "$E2E_WORK"
}
trap e2e_cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
note() { echo "-- $*"; }

# start_xvfb WIDTH HEIGHT: a new virtual display of that size, 24 bits deep.
start_xvfb() {
  local fifo="$E2E_WORK/displayfd"
  rm -f "$fifo"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${1}x${2}x24" -nolisten tcp -ac -noreset 3>"$fifo" \
    >"$E2E_WORK/xvfb.log" 2>&1 &
  XVFB_PID=$!
  local number
  read -r -t 20 number <"$fifo" || fail "Xvfb did not start: $(cat "$E2E_WORK/xvfb.log")"
  export DISPLAY=":$number"
  unset WAYLAND_DISPLAY
  note "Xvfb on $DISPLAY at ${1}x${2}"
}

# stop_xvfb: ends the display, for a test that needs another.
stop_xvfb() {
  kill "$XVFB_PID" 2>/dev/null || true
  wait "$XVFB_PID" 2>/dev/null || true
  XVFB_PID=""
}

# start_bg CMD...: runs a command in the background and remembers it for clean-up; sets BG_PID.
start_bg() {
  "$@" &
  BG_PID=$!
  E2E_PIDS+=("$BG_PID")
}

# wait_exit PID SECONDS: waits for a background process and sets EXIT_STATUS; fails on timeout.
wait_exit() {
  local pid=$1 seconds=$2 i
  for ((i = 0; i < seconds * 20; i++)); do
    if ! kill -0 "$pid" 2>/dev/null; then
      set +e; wait "$pid"; EXIT_STATUS=$?; set -e
      return 0
    fi
    sleep 0.05
  done
  fail "process $pid still runs after ${seconds}s"
}

# still_running PID: true while the process lives.
still_running() { kill -0 "$1" 2>/dev/null; }

# wait_window NAME SECONDS: prints the id of the first visible window with that exact title.
wait_window() {
  local name=$1 seconds=$2 i id
  for ((i = 0; i < seconds * 10; i++)); do
    id=$(xdotool search --onlyvisible --name "^${name}\$" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  return 1
}

# visible_window_count: how many visible top-level windows the display has.
visible_window_count() { xdotool search --onlyvisible --name '' 2>/dev/null | wc -l; }

# screenshot FILE: the whole screen as a PNG.
screenshot() { import -window root "$1"; }

# pixel FILE X Y: the colour of one pixel as "r,g,b".
pixel() { QT_QPA_PLATFORM=offscreen "$TESTPIXELS" pixel "$@"; }

# ink FILE r|g|b [X Y W H]: how many pixels are mostly that colour.
ink() { QT_QPA_PLATFORM=offscreen "$TESTPIXELS" ink "$@"; }

# count FILE R,G,B: how many pixels have exactly that colour.
count() { QT_QPA_PLATFORM=offscreen "$TESTPIXELS" count "$@"; }

# inkbox FILE r|g|b [X Y W H]: "x y w h" of the box around the pixels of mostly that colour.
inkbox() { QT_QPA_PLATFORM=offscreen "$TESTPIXELS" inkbox "$@"; }

# blocks FILE S [X Y W H]: "mixed of total" S x S blocks; none mixed for a picture enlarged S times.
blocks() { QT_QPA_PLATFORM=offscreen "$TESTPIXELS" blocks "$@"; }

assert_eq() { [ "$1" = "$2" ] || fail "${3:-value}: expected '$2', got '$1'"; }

# ini_value FILE SECTION KEY: the value of a key as the file stores it.
ini_value() {
  awk -v s="[$2]" -v k="$3" '
    /^\[/ { insection = ($0 == s) }
    insection && index($0, k "=") == 1 { print substr($0, length(k) + 2); exit }' "$1"
}

# press_in_window ID KEY: focuses a window and presses a key in it, as a user would.
press_in_window() {
  xdotool windowfocus --sync "$1" 2>/dev/null || true
  xdotool key "$2"
}

# as_nobody PROGRAM ARGS...: runs a program as an unprivileged user when we are root (permission
# tests), from a copy in the test's own folder, which that user can reach wherever the build is.
as_nobody() {
  if [ "$(id -u)" -eq 0 ]; then
    local copy="$E2E_WORK/$(basename "$1")-copy"
    cp "$1" "$copy"
    chmod 755 "$copy"
    shift
    setpriv --reuid=65534 --regid=65534 --clear-groups -- "$copy" "$@"
  else
    "$@"
  fi
}
