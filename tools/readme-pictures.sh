#!/usr/bin/env bash
# Renders the README's pictures with tessarine-render: one frame of each scene in each colour,
# and a short animation of the chains scene.
#   tools/readme-pictures.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
render="${1:-build}/tools/render/tessarine-render"
out=docs/images
mkdir -p "$out"
for variation in 1 2 3; do
  for colour in green red blue; do
    "$render" --width 640 --height 360 --seed 2026 --frame 400 --variation "$variation" \
      --colour "$colour" --out "$out/scene-$variation-$colour.png"
  done
done
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
"$render" --width 480 --height 270 --seed 7 --frame 300 --count 90 --variation 3 \
  --colour green --out "$frames/frame-%03d.png"
convert -delay 3 -loop 0 "$frames"/frame-*.png -layers Optimize "$out/chains.gif"
echo "pictures written to $out"
