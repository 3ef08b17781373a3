#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 60)
# on a copy of its seed corpus. Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ is not installed; skipping the fuzz run"
  exit 0
fi
build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DREPORTWORD_FUZZ=ON -DREPORTWORD_BUILD_TESTS=OFF \
  -DREPORTWORD_BUILD_BENCH=OFF -DREPORTWORD_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
for target in report command_line template header_replace parts; do
  work="$build/corpus-$target"
  mkdir -p "$work"
  cp -n "$root/fuzz/corpus/$target"/* "$work/" 2>/dev/null || true
  echo "fuzz: $target for ${seconds}s"
  log="$build/fuzz-$target.log"
  dict=()
  if [[ -f "$root/fuzz/$target.dict" ]]; then dict=(-dict="$root/fuzz/$target.dict"); fi
  if ! "$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -max_len=65536 -timeout=20 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$build/" "${dict[@]}" "$work" \
    >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz: $target found a failure; the input is saved under $build/"
    exit 1
  fi
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done)' "$log" || true
done
