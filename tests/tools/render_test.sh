#!/usr/bin/env bash
# The preview renderer: the same seed renders the same pixels, every scene and colour shows
# glyphs of that colour, sequences write one file per frame, and bad arguments are refused.
set -euo pipefail
: "${RENDER:?the path of tessarine-render}"
: "${TESTPIXELS:?the path of tessarine-testpixels}"
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

for variation in 1 2 3; do
  "$RENDER" --width 320 --height 200 --seed 9 --frame 120 --variation "$variation" --out "$work/a.png"
  "$RENDER" --width 320 --height 200 --seed 9 --frame 120 --variation "$variation" --out "$work/b.png"
  cmp -s "$work/a.png" "$work/b.png" || fail "variation $variation renders differently from one seed"
  for colour in red green blue; do
    "$RENDER" --width 320 --height 200 --seed 9 --frame 120 --variation "$variation" \
      --colour "$colour" --out "$work/c.png"
    own=$("$TESTPIXELS" ink "$work/c.png" "${colour:0:1}" 0 0 320 180)
    [ "$own" -gt 100 ] || fail "variation $variation in $colour shows no glyphs ($own)"
    for other in r g b; do
      [ "$other" = "${colour:0:1}" ] && continue
      assert=$("$TESTPIXELS" ink "$work/c.png" "$other")
      [ "$assert" -eq 0 ] || fail "variation $variation in $colour has $other pixels"
    done
  done
done

# The graphics device (Mesa's rasteriser here) renders the processor's very pixels.
if "$RENDER" --width 32 --height 24 --seed 1 --frame 1 --renderer gl --out "$work/gl.png" \
  2>"$work/gl-err"; then
  for variation in 1 2 3; do
    for renderer in gl software; do
      "$RENDER" --width 400 --height 300 --seed 3 --frame 200 --variation "$variation" \
        --renderer "$renderer" --out "$work/$renderer.png"
    done
    cmp -s "$work/gl.png" "$work/software.png" ||
      fail "variation $variation renders differently on the graphics device"
  done
else
  echo "SKIP: the graphics device part: $(cat "$work/gl-err")"
fi

"$RENDER" --width 64 --height 48 --seed 1 --frame 5 --count 3 --out "$work/seq-%02d.png"
[ -f "$work/seq-01.png" ] && [ -f "$work/seq-03.png" ] && [ ! -f "$work/seq-04.png" ] ||
  fail "a sequence of three frames did not write three files"

for args in "" "--width 10 --height 10 --seed 1 --frame 0 --out x.png" \
  "--width 10 --height 10 --seed 1 --frame 1 --out x.png --colour pink" \
  "--width 10 --height 10 --seed 1 --frame 1 --count 2 --out x.png" \
  "--width 10 --height 10 --seed 1 --frame 1 --out x.png --renderer vulkan"; do
  set +e
  # shellcheck disable=SC2086
  "$RENDER" $args 2>"$work/err"
  status=$?
  set -e
  [ "$status" -eq 2 ] || fail "'$args' gave status $status"
  grep -q usage: "$work/err" || fail "'$args' gave no usage message"
done
echo PASS
