#!/usr/bin/env bash
# Keeps every message in the catalog: each text marked with Translate in src/
# has a German translation in po/de.po (neither missing, empty nor fuzzy), and
# no message text is handed, unmarked, to what throws or shows a message.
# Usage: check_catalog.sh SOURCE_DIR. Exit 77 (a skip) without gettext's tools.
set -euo pipefail
cd "$1"
for tool in xgettext msgcmp; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (gettext)"
    exit 77
  fi
done
template=$(mktemp --suffix=.pot)
trap 'rm -f "$template"' EXIT
find src -name '*.cpp' -o -name '*.h' | sort | xargs xgettext --language=C++ --from-code=UTF-8 \
  --keyword= --keyword=Translate -o "$template"
msgcmp po/de.po "$template"

# A string literal as the message (or its start) of an error, a failure or a
# message box, past the catalog. Names of system calls handed to
# DescribeFailure are not text and do not match.
bypass='(Error|Fail|fail|Show)\(([^()"]*, )?(std::string\()?"[A-Za-z ]'
if grep -rnE "$bypass" src --include='*.cpp' --include='*.h' | grep -v 'Translate('; then
  echo "these messages bypass the catalog: mark them with Translate and translate them in po/de.po"
  exit 1
fi
echo "every message is in the catalog"
