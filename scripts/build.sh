#!/usr/bin/env bash
# Configures and builds reportword. Usage: scripts/build.sh [BUILD_DIR] [extra cmake args...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build"}
shift || true
cmake -S "$root" -B "$build" -DREPORTWORD_WERROR=ON "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
