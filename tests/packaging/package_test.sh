#!/usr/bin/env bash
# The Debian package: it builds, holds every file where desktops and daemons look for it, depends
# on the libraries the program links, and the program and man page it installs work.
set -euo pipefail
: "${BUILD_DIR:?the build folder}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$BUILD_DIR/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/out/tessarine_*_amd64.deb 2>/dev/null || ls "$work"/out/tessarine_*.deb)
echo "package: $(basename "$deb")"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
for path in /usr/bin/tessarine /usr/share/applications/tessarine-settings.desktop \
  /usr/share/applications/screensavers/tessarine.desktop \
  /usr/share/xscreensaver/config/tessarine.xml /usr/share/man/man6/tessarine.6.gz \
  /usr/share/icons/hicolor/scalable/apps/tessarine.svg; do
  grep -qx "$path" "$work/contents" || fail "$path is not in the package"
done
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6gui6 libqt6core6 libxcb1; do
  [[ "$depends" == *"$library"* ]] || fail "the package does not depend on $library: $depends"
done

dpkg-deb -x "$deb" "$work/root"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$work/root/usr/share/applications/tessarine-settings.desktop"
  desktop-file-validate "$work/root/usr/share/applications/screensavers/tessarine.desktop"
fi
xmllint --noout "$work/root/usr/share/xscreensaver/config/tessarine.xml"
man -l "$work/root/usr/share/man/man6/tessarine.6.gz" 2>/dev/null | grep -q "animated code symbols" ||
  fail "the man page does not render"

mkdir -p "$work/config" "$work/runtime"
XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
  "$work/root/usr/bin/tessarine" /p || fail "the packaged tessarine /p failed"
grep -q "^RotDirection=1$" "$work/config/Orvanex.ini" || fail "/p did not write the settings file"
echo PASS
