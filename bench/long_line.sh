#!/usr/bin/env bash
# Memory and time for reports that are not reports: one line of 100 MiB, and a
# sparse file of 8 GiB of zero bytes (one endless line). Both are refused at the
# line limit (4 MiB) as soon as it is passed, so peak memory stays near that of
# an empty run. Usage: bench/long_line.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe="${1:-$root/build}/reportword"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
{
  printf 'Export\r\nb7\tHauptweg\t'
  head -c $((100 << 20)) /dev/zero | tr '\0' x
  printf '\tB\tC\r\n'
} >"$work/line.txt"
truncate -s 8G "$work/sparse.txt"
for report in line.txt sparse.txt; do
  /usr/bin/time -f "$report: exit %x in %e s, peak memory %M KiB" \
    "$exe" 9520e000 "$root/examples/netzanalyse-1.dotx" "$root/examples/netzanalyse-2.dotx" \
    "$work/$report" "$work/1.docx" "$work/2.docx" || true
done
