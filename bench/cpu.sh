#!/usr/bin/env bash
# CPU cost per frame of the real saver under Xvfb, program and X server together, for every scene
# at its heaviest settings, after a warm-up of one statistics period (5 s). Xvfb has no vertical
# blank, so the saver paces itself with its refresh limiter at 60 Hz. Where the matrix-rain saver
# of xscreensaver (xmatrix, package xscreensaver-data-extra) is installed, it runs at its default
# settings on the same display for comparison, in share of a core.
#
#   bench/cpu.sh [--seconds N] [--runs N] [--sizes "1920x1080 3840x2160"] [--scenes "1 2 3"]
#                [--picture] [--defaults] [--no-peer] [--build DIR] [--renderer LIST]
#
# --renderer "software gl" measures both paths in turn (software alone by default). gl forces the
# graphics device; where its only GL is Mesa's rasteriser, --noop runs it on Mesa's no-op driver
# (GALLIUM_NOOP=1: nothing is rasterised or shown, which leaves the processor's share that a real
# device would leave us; the self-check, which such a driver cannot pass, is skipped).
#
# The heaviest settings: 100 zooming symbols of 100 to 110 pixels both ways, or 100 drifting
# symbols of the largest size, or a chain in every 15-pixel column as long as the checks allow,
# all at the highest speeds, turning about axis 3. --defaults measures the default settings.
#
# Prints one line per size, scene and run, then the medians.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=10
runs=3
sizes="1920x1080 3840x2160"
scenes="1 2 3"
picture=0
defaults=0
peer=1
build=build
renderers=software
noop=0
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --sizes) sizes=$2; shift 2 ;;
    --scenes) scenes=$2; shift 2 ;;
    --picture) picture=1; shift ;;
    --defaults) defaults=1; shift ;;
    --no-peer) peer=0; shift ;;
    --build) build=$2; shift 2 ;;
    --renderer) renderers=$2; shift 2 ;;
    --noop) noop=1; shift ;;
    *) echo "usage: $0 [--seconds N] [--runs N] [--sizes LIST] [--scenes LIST] [--picture] [--defaults] [--no-peer] [--build DIR] [--renderer LIST] [--noop]" >&2; exit 2 ;;
  esac
done
tessarine="$build/shell/tessarine"
render="$build/tools/render/tessarine-render"
[ -x "$tessarine" ] || { echo "no $tessarine: build first" >&2; exit 1; }
# Statistics lines come every 5 seconds; the measurement spans whole ones.
windows=$(( (seconds + 4) / 5 ))

work=$(mktemp -d)
xvfb=""
saver=""
cleanup() {
  [ -n "$saver" ] && kill "$saver" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
tick_ms=$(awk -v hz="$(getconf CLK_TCK)" 'BEGIN { print 1000 / hz }')

cpu_ms() { awk -v t="$tick_ms" '{ print ($14 + $15) * t }' "/proc/$1/stat"; }

# The heaviest settings of a scene on a screen of W x H pixels.
settings() {
  local scene=$1 w=$2 h=$3
  local chains=$(( (w + 7) / 15 )) length=$(( (3 * h / 4 + 7) / 15 ))
  [ "$chains" -gt 300 ] && chains=300
  [ "$length" -gt 100 ] && length=100
  printf '[General]\nVarNum=%d\nBGColor=%d\n' "$scene" $((0x202020))
  if [ "$picture" = 1 ]; then printf 'BGPic=1\nBGPicPath=%s\n' "$work/background.bmp"; fi
  [ "$defaults" = 1 ] && return
  printf '[FirstVar]\nSimCount=100\nMoving=3\nChBrightness=1\nMovingSpeed=10\nChBrightnessSpeed=10\nMinSimSize=100\nMaxSimSize=110\n'
  printf '[SecondVar]\nSimCount=100\nMoving=1\nSimSize=7\nMovingSpeed=10\nChBrightnessSpeed=10\n'
  printf '[ThirdVar]\nChainsCount=%d\nSimCount=%d\nMovSpeed=10\nRotSpeed=10\nSimSize=1\nRotation=4\n' "$chains" "$length"
}

results="$work/results"
: >"$results"
for size in $sizes; do
  w=${size%x*}
  h=${size#*x}
  [ "$picture" = 1 ] && "$render" --width 1920 --height 1080 --seed 1 --frame 1 --variation 1 --out "$work/bg.png" >/dev/null 2>&1 &&
    convert "$work/bg.png" -type truecolor "BMP3:$work/background.bmp"
  Xvfb -displayfd 4 -screen 0 "${w}x${h}x24" -nolisten tcp -noreset 4>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
  for renderer in $renderers; do
  device_env=(TESSARINE_RENDERER="$renderer")
  [ "$renderer" = gl ] && [ "$noop" = 1 ] && device_env+=(GALLIUM_NOOP=1 TESSARINE_SELF_CHECK=0)
  for scene in $scenes; do
    for run in $(seq "$runs"); do
      settings "$scene" "$w" "$h" >"$XDG_CONFIG_HOME/Orvanex.ini"
      env "${device_env[@]}" TESSARINE_STATS=1 TESSARINE_PACING=limiter "$tessarine" /s 2>"$work/stats" &
      saver=$!
      # Warm up for one statistics window, then measure whole windows.
      until [ "$(grep -c fps "$work/stats" || true)" -ge 1 ]; do sleep 0.05; done
      p0=$(cpu_ms "$saver"); x0=$(cpu_ms "$xvfb")
      until [ "$(grep -c fps "$work/stats" || true)" -ge $((windows + 1)) ]; do sleep 0.05; done
      p1=$(cpu_ms "$saver"); x1=$(cpu_ms "$xvfb")
      frames=$(grep fps "$work/stats" | sed -n "2,$((windows + 1))p" |
        sed -E 's/.*over ([0-9]+) frames.*/\1/' | awk '{ s += $1 } END { print s }')
      kill "$saver"; wait "$saver" 2>/dev/null || true; saver=""
      grep -q "renderer $renderer" "$work/stats" ||
        { echo "the saver did not run on $renderer: $(head -n 3 "$work/stats")" >&2; exit 1; }
      awk -v size="$size" -v scene="$scene" -v run="$run" -v f="$frames" -v p="$((p1 - p0))" \
        -v x="$((x1 - x0))" -v s="$((windows * 5))" -v r="$renderer" 'BEGIN {
          printf "%-9s %-8s scene %s run %s: %5.1f fps, program %.3f ms, X server %.3f ms, total %.3f ms per frame\n",
            size, r, scene, run, f / s, p / f, x / f, (p + x) / f
          printf "%s %s-%s %.4f %.4f %.4f %.2f\n", size, r, scene, p / f, x / f, (p + x) / f, f / s >> "/dev/stderr"
        }' 2>>"$results"
    done
  done
  done
  peer_program=/usr/libexec/xscreensaver/xmatrix
  if [ "$peer" = 1 ] && [ -x "$peer_program" ]; then
    for run in $(seq "$runs"); do
      "$peer_program" -root >/dev/null 2>&1 &
      saver=$!
      sleep 5  # the same warm-up
      p0=$(cpu_ms "$saver"); x0=$(cpu_ms "$xvfb")
      sleep "$((windows * 5))"
      p1=$(cpu_ms "$saver"); x1=$(cpu_ms "$xvfb")
      kill "$saver"; wait "$saver" 2>/dev/null || true; saver=""
      awk -v size="$size" -v run="$run" -v p="$((p1 - p0))" -v x="$((x1 - x0))" \
        -v s="$((windows * 5))" 'BEGIN {
          printf "%-9s peer    run %s: program %.1f %%, X server %.1f %%, total %.1f %% of a core\n",
            size, run, p / s / 10, x / s / 10, (p + x) / s / 10
          printf "%s peer %.2f %.2f %.2f\n", size, p / s / 10, x / s / 10, (p + x) / s / 10 >> "/dev/stderr"
        }' 2>>"$results"
    done
  elif [ "$peer" = 1 ]; then
    echo "(no peer: install xscreensaver-data-extra for $peer_program)"
  fi
  kill "$xvfb"; wait "$xvfb" 2>/dev/null || true; xvfb=""
done

echo
echo "Medians of $runs runs, CPU milliseconds per frame (program + X server = total):"
for size in $sizes; do
  for renderer in $renderers; do
  for scene in $scenes; do
    grep "^$size $renderer-$scene " "$results" | sort -k5 -n | awk -v size="$size" -v scene="$scene" -v r="$renderer" '
      { p[NR] = $3; x[NR] = $4; t[NR] = $5; fps[NR] = $6 }
      END { m = int((NR + 1) / 2)
            printf "%-9s %-8s scene %s: program %.3f + X server %.3f = %.3f ms per frame at %.1f fps (%.1f %% of a core)\n",
              size, r, scene, p[m], x[m], t[m], fps[m], t[m] * fps[m] / 10 }'
  done
  done
  { grep "^$size peer " "$results" || true; } | sort -k5 -n | awk -v size="$size" '
    { p[NR] = $3; x[NR] = $4; t[NR] = $5 }
    END { if (NR == 0) exit; m = int((NR + 1) / 2)
          printf "%-9s peer   : program %.1f %% + X server %.1f %% = %.1f %% of a core\n",
            size, p[m], x[m], t[m] }'
done
