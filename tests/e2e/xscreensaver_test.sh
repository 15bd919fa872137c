#!/usr/bin/env bash
# xscreensaver runs Tessarine as its users set it up: a `programs:` line with the `-s` switch and
# `--set` options (what tessarine.xml's controls write). Activation draws our frames, with the
# options' colour, in xscreensaver's window; a cycle ends the saver by SIGTERM, which the daemon
# takes as a normal end ("exited abnormally" is what it logs otherwise); deactivation ends it.
#
# xscreensaver refuses to run as root: the daemon and the saver run as the unprivileged user
# nobody, with a home of the test's own and a copy of the program.
if ! command -v xscreensaver >/dev/null || ! command -v xscreensaver-command >/dev/null; then
  echo "SKIP: xscreensaver is not installed (install xscreensaver)"
  exit 77
fi
source "$E2E_LIB"
start_xvfb 1024 768

home="$E2E_WORK/xhome"
mkdir -p "$home/.config" "$home/runtime"
cp "$TESSARINE" "$E2E_WORK/tessarine"
chmod 755 "$E2E_WORK/tessarine"
printf '[General]\nVarNum=1\nSimColor=2\n' >"$home/.config/Orvanex.ini"
cat >"$home/.xscreensaver" <<EOF
mode:		one
selected:	0
lock:		False
splash:		False
fade:		False
unfade:		False
timeout:	1:00:00
cycle:		0:00:03
programs:	"Tessarine"  $E2E_WORK/tessarine -s --set General.SimColor=3 \\n
EOF
chmod 700 "$home/runtime"
if [ "$(id -u)" -eq 0 ]; then
  chown -R 65534:65534 "$home"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
else
  as_user=()
fi
user_env=(env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/runtime")

note "activation runs Tessarine in xscreensaver's window, with the options' colour"
"${as_user[@]}" "${user_env[@]}" xscreensaver -no-splash -verbose >"$E2E_WORK/xscreensaver.log" 2>&1 &
E2E_PIDS+=("$!")
for _ in $(seq 100); do
  "${as_user[@]}" "${user_env[@]}" xscreensaver-command -version >/dev/null 2>&1 && break
  sleep 0.1
done
"${as_user[@]}" "${user_env[@]}" xscreensaver-command -activate >/dev/null
saver=""
for _ in $(seq 100); do
  saver=$(pgrep -f "^$E2E_WORK/tessarine -s" | head -n 1 || true)
  [ -n "$saver" ] && break
  sleep 0.1
done
[ -n "$saver" ] || fail "xscreensaver ran no saver: $(tail -n 5 "$E2E_WORK/xscreensaver.log")"
tr '\0' '\n' <"/proc/$saver/environ" | grep -q '^XSCREENSAVER_WINDOW=' ||
  fail "the saver was not given xscreensaver's window"
blue=0
for _ in $(seq 10); do
  sleep 0.5
  screenshot "$E2E_WORK/xscreensaver.png"
  blue=$(ink "$E2E_WORK/xscreensaver.png" b)
  [ "$blue" -gt 10000 ] && break
done
note "  $blue blue pixels on the screen, $(ink "$E2E_WORK/xscreensaver.png" g) green"
[ "$blue" -gt 10000 ] ||
  fail "no blue frames of ours on the screen: $(tail -n 8 "$E2E_WORK/xscreensaver.log")"
assert_eq "$(ini_value "$home/.config/Orvanex.ini" General SimColor)" 2 "SimColor in the file"

note "a cycle ends the saver by SIGTERM, which xscreensaver logs as a normal end, and starts it again"
for _ in $(seq 80); do
  grep -q "child pid $saver .* exited" "$E2E_WORK/xscreensaver.log" && break
  sleep 0.1
done
grep "child pid $saver " "$E2E_WORK/xscreensaver.log" | grep -q "exited normally with SIGTERM" ||
  fail "not a normal end: $(grep "pid $saver " "$E2E_WORK/xscreensaver.log" | tail -n 2)"
next=""
for _ in $(seq 50); do
  next=$(pgrep -f "^$E2E_WORK/tessarine -s" | head -n 1 || true)
  [ -n "$next" ] && [ "$next" != "$saver" ] && break
  sleep 0.1
done
[ -n "$next" ] && [ "$next" != "$saver" ] || fail "no saver after the cycle"

note "deactivation ends it"
"${as_user[@]}" "${user_env[@]}" xscreensaver-command -deactivate >/dev/null
for _ in $(seq 30); do still_running "$next" || break; sleep 0.1; done
still_running "$next" && fail "the saver still runs after deactivation"
! grep -q "abnormally" "$E2E_WORK/xscreensaver.log" ||
  fail "xscreensaver logged an abnormal end: $(grep abnormally "$E2E_WORK/xscreensaver.log")"
[ -n "${E2E_SCREENSHOTS:-}" ] && cp "$E2E_WORK/xscreensaver.png" "$E2E_SCREENSHOTS"/
echo PASS
