#!/usr/bin/env bash
# Builds reportword and runs it on the bundled example: a network report and a
# road-renovation report, each made into its two documents under out/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The program alone: the tests need packages that the base set-up does not install.
"$root/scripts/build.sh" "$root/build" -DREPORTWORD_BUILD_TESTS=OFF -DREPORTWORD_BUILD_BENCH=OFF \
  -DREPORTWORD_SANITIZE=OFF
exe="$root/build/reportword"
ex="$root/examples"
out="$root/out"
mkdir -p "$out"

"$exe" 9520e000 "$ex/netzanalyse-1.dotx" "$ex/netzanalyse-2.dotx" "$ex/netzbericht-9520e000.txt" \
  "$out/netzanalyse-leitungen.docx" "$out/netzanalyse-messpunkte.docx"
"$exe" STRAßENSANIERUNG "$ex/netzanalyse-1.dotx" "$ex/netzanalyse-2.dotx" "$ex/strassensanierung.txt" \
  "$out/sanierung-massnahmen.docx" "$out/sanierung-leitungen.docx"

echo "reportword wrote:"
ls -1 "$out"/*.docx | sed 's/^/  /'
