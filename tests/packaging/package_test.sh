#!/usr/bin/env bash
# The Debian package: it builds, holds every file where desktops and daemons look for it, depends
# on the libraries the program links, meets Debian's standards (lintian, AppStream), and the
# program and man pages it installs work.
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
echo "installed paths:"
grep -v '/$' "$work/contents" | sed 's/^/  /'
for path in /usr/bin/tessarine /usr/bin/tessarine-render /usr/libexec/xscreensaver/tessarine \
  /usr/share/applications/tessarine-settings.desktop \
  /usr/share/applications/screensavers/tessarine.desktop \
  /usr/share/xscreensaver/config/tessarine.xml /usr/share/man/man6/tessarine.6.gz \
  /usr/share/man/man1/tessarine-render.1.gz /usr/share/icons/hicolor/scalable/apps/tessarine.svg \
  /usr/share/metainfo/org.kestrane.tessarine.metainfo.xml /usr/share/doc/tessarine/copyright \
  /usr/share/doc/tessarine/changelog.gz; do
  grep -qx "$path" "$work/contents" || fail "$path is not in the package"
done
# The daemons' saver folder holds a link to the program, not a copy.
dpkg-deb -c "$deb" >"$work/listing"
grep -q "/usr/libexec/xscreensaver/tessarine -> ../../bin/tessarine" "$work/listing" ||
  fail "the saver in libexec/xscreensaver is not a link to bin/tessarine"
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
man -l "$work/root/usr/share/man/man1/tessarine-render.1.gz" 2>/dev/null | grep -q "give the same pixels" ||
  fail "the man page of tessarine-render does not render"
zcat "$work/root/usr/share/doc/tessarine/changelog.gz" | dpkg-parsechangelog -l - -S Version |
  grep -qx "$(dpkg-deb -f "$deb" Version)" || fail "the changelog does not name the package's version"
dpkg-deb -f "$deb" Description | awk 'length > 80 { bad = 1 } END { exit bad }' ||
  fail "a description line is longer than 80 characters"

# Debian's standards. No network here: AppStream checks the metadata without fetching the
# screenshots. Lintian: no errors or warnings, and the hardening of every program.
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.kestrane.tessarine.metainfo.xml" ||
    fail "appstreamcli rejects the metadata"
else
  echo "SKIP: appstreamcli is missing (install appstream)"
fi
if [ -n "${SANITIZED:-}" ]; then
  echo "SKIP: lintian in a sanitizer build ($SANITIZED), whose programs are not hardened"
elif command -v lintian >/dev/null; then
  lintian --info --display-info --pedantic "$deb" >"$work/lintian" 2>&1 || true
  sed 's/^/  lintian: /' "$work/lintian"
  ! grep -E '^[EW]: ' "$work/lintian" || fail "lintian reports errors or warnings"
  ! grep -E 'hardening-' "$work/lintian" || fail "lintian finds a program without hardening"
else
  echo "SKIP: lintian is missing (install lintian)"
fi

mkdir -p "$work/config" "$work/runtime"
XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
  "$work/root/usr/bin/tessarine" /p || fail "the packaged tessarine /p failed"
grep -q "^RotDirection=1$" "$work/config/Orvanex.ini" || fail "/p did not write the settings file"
echo PASS
