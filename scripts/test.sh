#!/usr/bin/env bash
# Builds with warnings as errors and runs the whole test suite, then builds
# again with AddressSanitizer and UndefinedBehaviorSanitizer and runs it once more.
# A pass that finds no tests fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

"$root/scripts/build.sh" "$root/build" -DREPORTWORD_BUILD_TESTS=ON -DREPORTWORD_BUILD_BENCH=ON \
  -DREPORTWORD_SANITIZE=OFF
ctest --test-dir "$root/build" --output-on-failure --no-tests=error -j"$jobs"

"$root/scripts/build.sh" "$root/build-asan" -DREPORTWORD_BUILD_TESTS=ON \
  -DREPORTWORD_BUILD_BENCH=OFF -DREPORTWORD_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure --no-tests=error -j"$jobs"
