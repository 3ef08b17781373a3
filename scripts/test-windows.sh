#!/usr/bin/env bash
# Cross-compiles both Windows variants with MinGW-w64, warnings as errors: the
# native engine (with the whole test suite) and the automation backend (with
# its tests against a fake IDispatch), and packs both programs with the README
# and the examples into one ZIP (CPack). Both test binaries then run under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/build-win/deps"
"$root/scripts/build-windows-deps.sh" "$deps"

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
export WINEPREFIX="$root/build-win/wineprefix" WINEDEBUG=-all
export REPORTWORD_NO_MESSAGE_BOX=1

configure() {  # configure BUILD_DIR [cmake args...]
  local build=$1
  shift
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DREPORTWORD_WINDOWS_DEPS="$deps" -DCMAKE_PREFIX_PATH="$deps" -DREPORTWORD_WERROR=ON \
    -DREPORTWORD_BUILD_TESTS=ON -DREPORTWORD_BUILD_BENCH=OFF -DREPORTWORD_SANITIZE=OFF \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$wine" "$@" >/dev/null
  cmake --build "$build" -j"$(nproc)"
}

configure "$root/build-win/native" -DREPORTWORD_AUTOMATION=OFF
configure "$root/build-win/automation" -DREPORTWORD_AUTOMATION=ON

# One ZIP: the native build's installation at the top, the automation
# variant's program in automation/.
(cd "$root/build-win/native" && rm -f ./*.zip && cpack -G ZIP -D CPACK_INSTALL_CMAKE_PROJECTS="\
$root/build-win/native;reportword;ALL;/;$root/build-win/automation;reportword;Runtime;/automation" \
  >/dev/null)
zip=$(ls "$root"/build-win/native/reportword-*.zip)
echo "test-windows: $zip"
# reportwordw.exe is the same program for the Windows subsystem, which opens
# no console window; the ZIP carries both programs of both variants.
objdump=$(command -v x86_64-w64-mingw32-objdump || echo objdump)
contents=$(cmake -E tar tf "$zip")
for program in {,automation/}reportword{,w}.exe; do
  grep -qx "[^/]*/$program" <<<"$contents" || {
    echo "test-windows: the ZIP lacks $program" >&2
    exit 1
  }
done
for build in native automation; do
  header=$("$objdump" -p "$root/build-win/$build/reportwordw.exe")
  grep -q 'Subsystem.*(Windows GUI)' <<<"$header" || {
    echo "test-windows: $build/reportwordw.exe is not a Windows-subsystem program" >&2
    exit 1
  }
done

# The layering of both variants, the automation layer included; these checks
# run on the build machine.
for build in native automation; do
  ctest --test-dir "$root/build-win/$build" --output-on-failure --no-tests=error -R '^Layers'
done

if [ ! -x "$wine" ]; then
  echo "test-windows: Wine is not installed; the Windows binaries were built but not run"
  exit 0
fi
# Runs a test binary under Wine; a run that finds no tests fails.
run_tests() {  # run_tests EXE [gtest args...]
  local log
  log=$(mktemp)
  "$wine" "$@" --gtest_brief=1 | tee "$log"
  if grep -q '^\[==========\] 0 tests' "$log"; then
    echo "test-windows: no tests ran in $1" >&2
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}
echo "test-windows: native engine tests under Wine"
run_tests "$root/build-win/native/tests/reportword_tests.exe"
echo "test-windows: automation backend tests under Wine"
run_tests "$root/build-win/automation/tests/reportword_tests.exe" --gtest_filter='Automation*'
