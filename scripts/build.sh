#!/usr/bin/env bash
# Configures and builds reportword with warnings as errors.
# Usage: scripts/build.sh [BUILD_DIR] [extra cmake args...]
# Every option is stated, so that a build folder configured earlier for other
# work (tests off, sanitizers on) is set back; later arguments override these.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
shift || true
cmake -S "$root" -B "$build" -DREPORTWORD_WERROR=ON -DREPORTWORD_BUILD_TESTS=ON \
  -DREPORTWORD_BUILD_BENCH=ON -DREPORTWORD_SANITIZE=OFF -DREPORTWORD_FUZZ=OFF "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
