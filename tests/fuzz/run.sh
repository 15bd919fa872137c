#!/usr/bin/env bash
# Builds the fuzzers with clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs each for a while from its committed seed corpus. Any crash, hang or leak fails.
#   tests/fuzz/run.sh [SECONDS-PER-FUZZER] [BUILD-DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
seconds=${1:-60}
build=${2:-$top/build-fuzz}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTESSARINE_FUZZ=ON \
  -DTESSARINE_SANITIZE=address,undefined -DTESSARINE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target settings_fuzzer background_fuzzer
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for fuzzer in settings background; do
  mkdir -p "$work/$fuzzer"
  cp "$here/corpus/$fuzzer"/* "$work/$fuzzer"/
  echo "== ${fuzzer}_fuzzer for ${seconds}s"
  ASAN_OPTIONS=detect_leaks=1 "$build/tests/fuzz/${fuzzer}_fuzzer" -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
    -artifact_prefix="$work/" "$work/$fuzzer" 2>&1 | grep -E "stat::|Done|ERROR|SUMMARY|crash" || true
  for artifact in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
    if [ -e "$artifact" ]; then
      echo "FAIL: ${fuzzer}_fuzzer found a problem; the input:" >&2
      od -c "$artifact" | head -20 >&2
      exit 1
    fi
  done
done
echo PASS
