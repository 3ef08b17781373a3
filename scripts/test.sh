#!/usr/bin/env bash
# Builds with warnings as errors and runs the whole test suite, then builds
# again with AddressSanitizer and UndefinedBehaviorSanitizer and runs it once more.
# A pass that finds no tests fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

# Runs the suite of one build. A failing pass ends by repeating the first
# lines of its failures, where the tail of a CI log shows them.
run_suite() {
  local build=$1
  ctest --test-dir "$build" --output-on-failure --no-tests=error -j"$jobs" && return 0
  local status=$?
  echo "test.sh: the first failures in $build:"
  local first_lines=': Failure$|ERROR: [A-Za-z]+Sanitizer|runtime error:'
  grep -h -A6 -E "$first_lines" "$build/Testing/Temporary/LastTest.log" | cut -c1-400 |
    head -n 48 || true
  return "$status"
}

"$root/scripts/build.sh" "$root/build" -DREPORTWORD_BUILD_TESTS=ON -DREPORTWORD_BUILD_BENCH=ON \
  -DREPORTWORD_SANITIZE=OFF
run_suite "$root/build"

"$root/scripts/build.sh" "$root/build-asan" -DREPORTWORD_BUILD_TESTS=ON \
  -DREPORTWORD_BUILD_BENCH=OFF -DREPORTWORD_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_suite "$root/build-asan"
