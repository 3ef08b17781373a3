#!/usr/bin/env bash
# Memory and time for a report of 1 GB (131,072 lines of 8 KB; the long fields
# feed no table), made into both documents by the executable. The report is
# read in streaming passes, so peak memory follows the table texts, not the
# file. Usage: bench/large_report.sh [BUILD_DIR]   (needs about 3 GiB of disk)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe="${1:-$root/build}/reportword"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
filler=$(head -c 8000 /dev/zero | tr '\0' z)
{
  printf 'Export\r\n'
  for ((i = 0; i < 131072; i++)); do
    printf 'b7\tHauptweg 4\tZeile %s\tB\tC\t%s\r\n' "$((i % 100 == 0 ? i : 0))" "$filler"
  done
} >"$work/report.txt"
echo "report: $(du -h "$work/report.txt" | cut -f1)"
/usr/bin/time -f "both documents in %e s, peak memory %M KiB" \
  "$exe" 9520e000 "$root/examples/netzanalyse-1.dotx" "$root/examples/netzanalyse-2.dotx" \
  "$work/report.txt" "$work/1.docx" "$work/2.docx"
