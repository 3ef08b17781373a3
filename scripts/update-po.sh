#!/usr/bin/env bash
# Collects the messages marked with Translate from the sources and merges them
# into every catalog under po/: new messages appear untranslated, changed ones
# are marked fuzzy for review. Run it after marking or changing a message, then
# translate in po/<language>.po. Needs gettext (xgettext, msgmerge).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
template=$(mktemp --suffix=.pot)
trap 'rm -f "$template"' EXIT
git ls-files 'src/*.cpp' 'src/*.h' | xargs xgettext --language=C++ --from-code=UTF-8 \
  --keyword= --keyword=Translate \
  --add-comments=TRANSLATORS: --add-location=file --package-name=reportword --sort-by-file -o "$template"
for po in po/*.po; do
  msgmerge --quiet --update --backup=none --add-location=file --sort-by-file "$po" "$template"
  msgfmt --check --statistics -o /dev/null "$po"
done
