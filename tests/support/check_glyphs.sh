#!/usr/bin/env bash
# Regenerates the glyph pictures and fails when the committed ones differ: the pictures in
# resources/glyphs must always be exactly what the generator draws.
set -euo pipefail
generator=$1
committed=$2
fresh=$(mktemp -d)
trap 'rm -rf "$fresh"' EXIT
"$generator" --out "$fresh"
if ! diff -r -q "$fresh" "$committed"; then
  echo "resources/glyphs is out of date: run $generator --out $committed" >&2
  exit 1
fi
echo "all $(find "$fresh" -name '*.bmp' | wc -l) glyph pictures match"
