#!/usr/bin/env bash
# Builds the Windows installer of reportword (build-win/reportword-VERSION-win64.msi)
# with wixl from packaging/windows/reportword.wxs, out of the two variants that
# scripts/test-windows.sh cross-builds: the native program, and the automation
# variant as an optional feature.
#
# With --install-check it also installs the MSI under Wine in a fresh Wine
# prefix (msiexec /qn, every feature), runs the bundled example with the
# installed program, installs the next version over it (one product remains),
# uninstalls, and checks that no file, folder or PATH entry is left.
# Needs the --windows layer of scripts/install-deps.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build-win"
native="$out/native"
automation="$out/automation"
for build in "$native" "$automation"; do
  for program in reportword.exe reportwordw.exe; do
    if [ ! -f "$build/$program" ]; then
      echo "package-msi: $build/$program is missing; run scripts/test-windows.sh first" >&2
      exit 2
    fi
  done
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$native/CMakeCache.txt")

# stage DIR: both variants' installations, stripped, as the installer lays them out.
stage() {
  rm -rf "$1"
  cmake --install "$native" --prefix "$1" --strip >/dev/null
  cmake --install "$automation" --prefix "$1/automation" --component Runtime --strip >/dev/null
}
# build_msi VERSION OUTPUT
build_msi() {
  # wixl takes the files' sources relative to the current folder.
  (cd "$out" && wixl --arch x64 -D Version="$1" -D StageDir=msi-stage -o "$2" \
    "$root/packaging/windows/reportword.wxs")
  # wixl has no <Environment>: the PATH entry of the Path feature goes into the
  # Environment table directly. "=-*" sets a system variable on install and
  # takes the entry out again on uninstall; "[~];" appends to what is there.
  printf '%s\n' 'Environment\tName\tValue\tComponent_' 's72\tl255\tL255\ts72' \
    'Environment\tEnvironment' 'PATH\t=-*PATH\t[~];[INSTALLDIR]\tSearchPath' |
    sed 's/\\t/\t/g' >"$out/Environment.idt"
  msibuild "$2" -i "$out/Environment.idt"
}
# Every release build is hardened; on Windows that shows in the program's
# header: ASLR with high entropy, and DEP.
objdump=$(command -v x86_64-w64-mingw32-objdump || echo objdump)
for program in reportword.exe reportwordw.exe; do
  header=$("$objdump" -p "$native/$program")
  for flag in HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT; do
    grep -qw "$flag" <<<"$header" || { echo "package-msi: $program lacks $flag" >&2; exit 1; }
  done
done
stage "$out/msi-stage"
msi="$out/reportword-$version-win64.msi"
rm -f "$msi"
build_msi "$version" "$msi"
echo "package-msi: $msi"

if [ "${1:-}" != "--install-check" ]; then exit 0; fi

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
if [ ! -x "$wine" ]; then
  echo "package-msi: Wine is not installed; the MSI was built but not installed" >&2
  exit 1
fi
export WINEPREFIX="$out/msi-wineprefix" WINEDEBUG=-all REPORTWORD_NO_MESSAGE_BOX=1
rm -rf "$WINEPREFIX"
"$wine" wineboot --init >/dev/null 2>&1
work=$(mktemp -d)
# The msiexec logs stay in build-win/ for a look after a failure.
trap 'cp "$work"/*.log "$out/" 2>/dev/null || true; rm -rf "$work"' EXIT
installed="$WINEPREFIX/drive_c/Program Files/reportword"
environment='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
system_path() { "$wine" reg query "$environment" /v PATH 2>/dev/null | tr -d '\r'; }
fail() { echo "package-msi: $*" >&2; exit 1; }

wineserver=$(command -v wineserver || echo "$(dirname "$wine")/wineserver")
windows_path() { "$wine" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# msiexec ACTION MSI LOG [PROPERTY=VALUE...]: a quiet run, and the outcome lines of its log.
msiexec() {
  local action=$1 package=$2 log=$3
  shift 3
  local status=0
  "$wine" msiexec "$action" "$(windows_path "$package")" /qn /l*v "$(windows_path "$log")" "$@" ||
    status=$?
  "$wineserver" -w
  grep -aE '^Action ended [0-9:]+: (INSTALL|RemoveExistingProducts|InstallFiles|RemoveFiles|WriteEnvironmentStrings|RemoveEnvironmentStrings)\.' \
    "$log" | awk '!seen[$0]++' | sed 's/^/  msiexec: /' || true
  [ "$status" -eq 0 ] || fail "msiexec $action ended with status $status (log: build-win/$(basename "$log"))"
}

echo "package-msi: installing under Wine"
msiexec /i "$msi" "$work/install.log" ADDLOCAL=ALL
for file in reportword.exe reportwordw.exe automation/reportword.exe automation/reportwordw.exe \
  README.md LICENSE.txt \
  examples/netzanalyse-1.dotx examples/netzbericht-9520e000.txt; do
  [ -f "$installed/$file" ] || fail "not installed: $file"
done
system_path | grep -qF 'Program Files\reportword' || fail "the folder is not on the system PATH: $(system_path)"

# The installed program makes the example. Wine quotes an argument with a blank
# in the command line it builds, and every path here has one, as the program
# expects of a caller.
mkdir "$work/out dir"
exe='C:\Program Files\reportword\reportword.exe'
ex='C:\Program Files\reportword\examples'
target=$(windows_path "$work/out dir")
"$wine" "$exe" 9520e000 "$ex\\netzanalyse-1.dotx" "$ex\\netzanalyse-2.dotx" \
  "$ex\\netzbericht-9520e000.txt" "$target\\leitungen.docx" "$target\\messpunkte.docx" ||
  fail "the installed program failed on the example"
test -s "$work/out dir/leitungen.docx" && test -s "$work/out dir/messpunkte.docx" ||
  fail "the example's documents are missing"
echo "package-msi: the installed program made the example ($("$wine" "$exe" --version | tr -d '\r'))"
# The installed Windows-subsystem program answers as the console one does.
version_line() { "$wine" "$1" --version | tr -d '\r'; }
[ "$(version_line 'C:\Program Files\reportword\reportwordw.exe')" = "$(version_line "$exe")" ] ||
  fail "the installed reportwordw.exe does not answer as reportword.exe does"

# The next version upgrades in place: afterwards one reportword is registered.
next=$(echo "$version" | awk -F. '{ printf "%d.%d.%d", $1, $2, $3 + 1 }')
build_msi "$next" "$work/next.msi"
echo "package-msi: upgrading to $next"
msiexec /i "$work/next.msi" "$work/upgrade.log" ADDLOCAL=ALL
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
products=$("$wine" reg query "$uninstall_key" /s 2>/dev/null | tr -d '\r' |
  grep -cE 'DisplayName +REG_SZ +reportword$' || true)
[ "$products" -eq 1 ] || fail "after the upgrade $products products named reportword are registered"

echo "package-msi: uninstalling"
msiexec /x "$work/next.msi" "$work/uninstall.log"
[ ! -e "$installed" ] || fail "left behind: $(cd "$installed" && find . | head)"
! system_path | grep -qF 'Program Files\reportword' || fail "the folder is still on the system PATH"
! "$wine" reg query 'HKLM\Software\reportword' >/dev/null 2>&1 || fail "the registry key is left"
echo "package-msi: installed, ran the example, upgraded and uninstalled cleanly under Wine"
