#!/usr/bin/env bash
# Loads the completion into bash as bash-completion does and checks what it
# offers: the options and codes as first word, the check's own options, and
# template files. Exits 77 (a skip for ctest) without bash-completion.
#   test-completion.sh COMPLETION_FILE
set -euo pipefail
completion=$(realpath "$1")
framework=/usr/share/bash-completion/bash_completion
if [ ! -r "$framework" ]; then
  echo "bash-completion is not installed ($framework missing): completion not tested"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
touch "$work/a.dotx" "$work/b.txt" "$work/c.docx"
mkdir "$work/sub"

# offers LINE: what completion offers for LINE (the cursor at its end), sorted, one a line.
offers() {
  (
    cd "$work"
    set +eu
    # shellcheck disable=SC1090
    source "$framework" >/dev/null 2>&1
    source "$completion"
    COMP_LINE=$1
    COMP_POINT=${#COMP_LINE}
    read -r -a COMP_WORDS <<<"$1"
    [[ $1 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _reportword reportword "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort
  )
}

failures=0
expect() {  # expect LINE WORD...: each WORD is among the offers for LINE
  local line=$1 got word
  shift
  got=$(offers "$line")
  for word in "$@"; do
    if ! grep -qxF -- "$word" <<<"$got"; then
      echo "FAIL: for \"$line\" expected \"$word\", got: $(echo $got)"
      failures=$((failures + 1))
    fi
  done
}
refuse() {  # refuse LINE WORD...: no WORD is among the offers for LINE
  local line=$1 got word
  shift
  got=$(offers "$line")
  for word in "$@"; do
    if grep -qxF -- "$word" <<<"$got"; then
      echo "FAIL: for \"$line\" did not expect \"$word\""
      failures=$((failures + 1))
    fi
  done
}

expect "reportword " 9520e000 9570e000 9500e000 STRAßENSANIERUNG STRASSENSANIERUNG --check-template
expect "reportword --ch" --check-template --check-report
refuse "reportword --ch" --help 9520e000
expect "reportword 95" 9520e000 9570e000 9500e000
expect "reportword STRA" STRAßENSANIERUNG STRASSENSANIERUNG
expect "reportword --check-template -" --json --
expect "reportword --check-template " a.dotx c.docx sub
refuse "reportword --check-template " b.txt
refuse "reportword --check-template -- -" --json
expect "reportword --check-report " 9520e000 STRASSENSANIERUNG
refuse "reportword --check-report " b.txt
expect "reportword --check-report --json " 9570e000
expect "reportword --check-report -" --json --
expect "reportword --check-report 9520e000 " b.txt a.dotx sub
expect "reportword --check-report --json 9520e000 b.txt " b.txt
expect "reportword 9520e000 " a.dotx sub
refuse "reportword 9520e000 " b.txt
expect "reportword 9520e000 a.dotx a.dotx " b.txt a.dotx
refuse "reportword --help " a.dotx

if [ "$failures" -ne 0 ]; then exit 1; fi
echo "completion: options, codes and file names offered as expected"
