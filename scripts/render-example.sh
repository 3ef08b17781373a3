#!/usr/bin/env bash
# Renders the first page of the example's first document to docs/example-page1.png
# with LibreOffice and pdftoppm, for the README.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/run-example.sh" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
soffice --headless --norestore "-env:UserInstallation=file://$work/profile" \
  --convert-to pdf --outdir "$work" "$root/out/netzanalyse-leitungen.docx" >/dev/null
mkdir -p "$root/docs"
pdftoppm -png -r 70 -f 1 -l 1 -singlefile "$work/netzanalyse-leitungen.pdf" "$root/docs/example-page1"
echo "wrote docs/example-page1.png"
