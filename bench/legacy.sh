#!/usr/bin/env bash
# Wall times of runs through LibreOffice, the median of 5 each (/usr/bin/time),
# with the example report: .dotx templates to .docx targets (native), .dot
# templates to .docx with an empty cache and again with the cache filled,
# .dotx templates to .pdf targets, and .dot templates to .pdf again (the
# templates cached). The .dot templates are the examples, saved as Word 97
# templates by LibreOffice here. Needs LibreOffice (soffice).
# Usage: bench/legacy.sh [EXECUTABLE]   (default: build/reportword)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe=$(realpath "${1:-$root/build/reportword}")
command -v soffice >/dev/null || { echo "legacy: soffice is not installed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ex="$root/examples"
soffice --headless --norestore "-env:UserInstallation=file://$work/profile" \
  --convert-to 'dot:MS Word 97 Vorlage' --outdir "$work" \
  "$ex/netzanalyse-1.dotx" "$ex/netzanalyse-2.dotx" >/dev/null 2>&1
export XDG_CACHE_HOME="$work/cache" REPORTWORD_CACHE=on

# time_once T1 T2 EXT: the wall time of one run, in seconds.
time_once() {
  /usr/bin/time -f %e -o "$work/time" "$exe" 9520e000 "$1" "$2" "$ex/netzbericht-9520e000.txt" \
    "$work/out1.$3" "$work/out2.$3" || { echo "legacy: a run failed" >&2; exit 1; }
  cat "$work/time"
}
# median CASE FRESH T1 T2 EXT: the median of 5 runs; FRESH empties the cache first.
median() {
  local name=$1 fresh=$2 times=()
  shift 2
  for _ in 1 2 3 4 5; do
    [ "$fresh" = fresh ] && rm -rf "$XDG_CACHE_HOME"
    times+=("$(time_once "$@")")
  done
  printf '| %s | %s s |\n' "$name" "$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)"
}
echo "| run | wall time (median of 5) |"
echo "|---|---|"
median ".dotx templates, .docx targets" - "$ex/netzanalyse-1.dotx" "$ex/netzanalyse-2.dotx" docx
median ".dot templates, .docx targets, empty cache" fresh "$work/netzanalyse-1.dot" \
  "$work/netzanalyse-2.dot" docx
median ".dot templates, .docx targets, again" - "$work/netzanalyse-1.dot" \
  "$work/netzanalyse-2.dot" docx
median ".dotx templates, .pdf targets" - "$ex/netzanalyse-1.dotx" "$ex/netzanalyse-2.dotx" pdf
median ".dot templates, .pdf targets, again" - "$work/netzanalyse-1.dot" \
  "$work/netzanalyse-2.dot" pdf
