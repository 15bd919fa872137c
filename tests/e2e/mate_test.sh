#!/usr/bin/env bash
# mate-screensaver runs Tessarine as installed: the theme "screensavers-tessarine" draws our frames
# when activated, ends them when deactivated, and its preferences' preview shows them.
#
# mate-screensaver only runs savers from its fixed saver folders, among them
# /usr/libexec/xscreensaver; the test puts a link to the program there inside a private mount
# namespace of its own (so it needs root), with the desktop entry of the package.
if ! command -v mate-screensaver >/dev/null || ! command -v dbus-run-session >/dev/null; then
  echo "SKIP: mate-screensaver or dbus-run-session is not installed (install mate-screensaver)"
  exit 77
fi
if [ -z "${TESSARINE_MATE_NAMESPACE:-}" ]; then
  if [ "$(id -u)" -ne 0 ] || ! unshare --mount --propagation private true 2>/dev/null; then
    echo "SKIP: a private mount namespace for /usr/libexec/xscreensaver needs root"
    exit 77
  fi
  exec env TESSARINE_MATE_NAMESPACE=1 unshare --mount --propagation private \
    dbus-run-session -- bash "$0" "$@"
fi

source "$E2E_LIB"
: "${SOURCE_DIR:?the source folder}"
start_xvfb 1024 768
export HOME="$E2E_WORK/home"
mkdir -p "$HOME" "$E2E_WORK/libexec" "$E2E_WORK/share/applications/screensavers"
ln -s "$(readlink -f "$TESSARINE")" "$E2E_WORK/libexec/tessarine"
# Without xscreensaver's own savers installed the folder is not there; the test makes it for its
# run and takes it away again.
if [ ! -d /usr/libexec/xscreensaver ]; then
  mkdir /usr/libexec/xscreensaver
  trap 'umount -l /usr/libexec/xscreensaver 2>/dev/null; rmdir /usr/libexec/xscreensaver; e2e_cleanup' EXIT
fi
mount --bind "$E2E_WORK/libexec" /usr/libexec/xscreensaver
cp "$SOURCE_DIR/packaging/tessarine-screensaver.desktop" \
  "$E2E_WORK/share/applications/screensavers/tessarine.desktop"
export XDG_DATA_DIRS="$E2E_WORK/share:/usr/share"
# No file-system services of the desktop, which would mount themselves into the runtime folder.
export GIO_USE_VFS=local GVFS_DISABLE_FUSE=1
# The bus came first: the services it starts (dconf keeps the settings) must see our folders too.
dbus-update-activation-environment HOME XDG_CONFIG_HOME XDG_RUNTIME_DIR XDG_DATA_DIRS DISPLAY \
  GIO_USE_VFS GVFS_DISABLE_FUSE

gsettings set org.mate.screensaver mode single
gsettings set org.mate.screensaver themes "['screensavers-tessarine']"
gsettings set org.mate.screensaver lock-enabled false

# wait_saver SECONDS: the pid of the saver that mate-screensaver started.
wait_saver() {
  local i pid
  for ((i = 0; i < $1 * 10; i++)); do
    pid=$(pgrep -f "^tessarine -s" | head -n 1 || true)
    if [ -n "$pid" ]; then echo "$pid"; return 0; fi
    sleep 0.1
  done
  return 1
}

note "activating the theme runs Tessarine in mate-screensaver's window"
mate-screensaver --no-daemon >"$E2E_WORK/mate.log" 2>&1 &
daemon=$!
E2E_PIDS+=("$daemon")
for _ in $(seq 100); do mate-screensaver-command --query >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1  # until it has read its settings and themes
mate-screensaver-command --activate
saver=$(wait_saver 10) || fail "mate-screensaver ran no saver: $(tail -n 5 "$E2E_WORK/mate.log")"
tr '\0' '\n' <"/proc/$saver/environ" | grep -q '^XSCREENSAVER_WINDOW=' ||
  fail "the saver was not given mate-screensaver's window"
sleep 2
screenshot "$E2E_WORK/mate-active.png"
green=$(ink "$E2E_WORK/mate-active.png" g)
note "  $green green pixels on the screen"
[ "$green" -gt 10000 ] || fail "no frames of ours on the screen"

note "deactivating ends it"
mate-screensaver-command --deactivate
for _ in $(seq 30); do still_running "$saver" || break; sleep 0.1; done
still_running "$saver" && fail "the saver still runs after deactivation"
kill "$daemon"

note "the preferences' preview shows our frames"
mate-screensaver-preferences >"$E2E_WORK/prefs.log" 2>&1 &
E2E_PIDS+=("$!")
preview=$(wait_saver 15) || fail "the preferences ran no preview"
sleep 2
screenshot "$E2E_WORK/mate-preferences.png"
window=$(wait_window "Screensaver Preferences" 10) || fail "no preferences window"
eval "$(xdotool getwindowgeometry --shell "$window")"
shown=$(ink "$E2E_WORK/mate-preferences.png" g "$X" "$Y" "$WIDTH" "$HEIGHT")
note "  $shown green pixels in the preferences window"
[ "$shown" -gt 2000 ] || fail "the preview shows nothing of ours"
kill "$preview"
[ -n "${E2E_SCREENSHOTS:-}" ] && cp "$E2E_WORK"/mate-*.png "$E2E_SCREENSHOTS"/
echo PASS
