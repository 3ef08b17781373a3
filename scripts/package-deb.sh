#!/usr/bin/env bash
# Builds the Debian package of reportword (an optimised, hardened build of its
# own in build-package/) and writes it there. With --install-check it also
# checks the package with lintian (an error or a warning fails), and, as root,
# installs it with dpkg, runs the bundled example with the installed
# /usr/bin/reportword, checks a German message, the German manual page and the
# completion, and removes the package again.
# Needs the --package layer of scripts/install-deps.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-package"
# RelWithDebInfo (-O2) as everywhere: CPack strips the program; -O3 meets GCC 12's false
# -Wrestrict warnings in the standard library.
"$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DREPORTWORD_BUILD_TESTS=OFF \
  -DREPORTWORD_BUILD_BENCH=OFF -DREPORTWORD_SANITIZE=OFF
(cd "$build" && rm -f ./*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/reportword_*.deb)
echo "package-deb: $deb"
dpkg-deb --field "$deb" Package Version Depends Recommends

if [ "${1:-}" != "--install-check" ]; then exit 0; fi

# Info tags are shown too; the package's own overrides say why those it
# carries do not apply.
echo "package-deb: lintian $(lintian --print-version)"
lintian --info --display-info --fail-on error,warning "$deb" ||
  { echo "package-deb: lintian found errors or warnings" >&2; exit 1; }
echo "package-deb: lintian: no errors, no warnings"
if [ "$(id -u)" -ne 0 ]; then
  echo "package-deb: --install-check installs system-wide and needs root" >&2
  exit 2
fi
if dpkg-query -W -f='${Status}' reportword 2>/dev/null | grep -q 'install ok installed'; then
  echo "package-deb: reportword is installed already; not replacing it" >&2
  exit 2
fi
work=$(mktemp -d)
trap 'dpkg -r reportword >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
dpkg -i "$deb" >/dev/null
for dependency in libzip pugixml utf8proc; do
  dpkg-query -W -f='${Depends}' reportword | grep -q "$dependency" ||
    { echo "package-deb: the package does not depend on $dependency" >&2; exit 1; }
done
ex=/usr/share/doc/reportword/examples
/usr/bin/reportword 9520e000 "$ex/netzanalyse-1.dotx" "$ex/netzanalyse-2.dotx" \
  "$ex/netzbericht-9520e000.txt" "$work/leitungen.docx" "$work/messpunkte.docx"
/usr/bin/reportword STRASSENSANIERUNG "$ex/netzanalyse-1.dotx" "$ex/netzanalyse-2.dotx" \
  "$ex/strassensanierung.txt" "$work/massnahmen.docx" "$work/sanierung-leitungen.docx"
test "$(ls "$work"/*.docx | wc -l)" -eq 4
test -f /usr/share/bash-completion/completions/reportword
if [ -x /usr/bin/man ]; then
  man -l /usr/share/man/man1/reportword.1.gz >/dev/null
  man -L de -P cat reportword 2>/dev/null | grep -q '^BESCHREIBUNG' ||
    { echo "package-deb: man -L de reportword does not show the German page" >&2; exit 1; }
fi
# The installed catalog is found from /usr/bin: the usage line reads in German.
status=0
LC_ALL=de_DE.UTF-8 /usr/bin/reportword 2>"$work/usage.txt" || status=$?
test "$status" -eq 2
grep -q '^Velam_Analyse: Aufruf: reportword' "$work/usage.txt" ||
  { echo "package-deb: no German usage line:" >&2; cat "$work/usage.txt" >&2; exit 1; }
echo "package-deb: installed, ran the example with /usr/bin/reportword ($(/usr/bin/reportword --version)), removed"
