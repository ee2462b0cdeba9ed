#!/usr/bin/env bash
# The bash completion of tovel-cli, called as bash calls it: COMP_WORDS and
# COMP_CWORD set, the function run, COMPREPLY checked. A stand-in tovel-cli
# records how it was asked for routine names and answers with a fixed list.
# Usage: completion_test.sh COMPLETION_FILE
set -u
source "$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir libs
touch libs/LibA.s79 libs/other.h notes.txt
cat > fake-cli <<'SH'
#!/bin/sh
echo "$*" >> asked.log
printf 'PwmSetDuty\nPortRead\nUartInit\n'
SH
chmod +x fake-cli
cli=$work/fake-cli

failures=0
# expect "WORDS TO COMPLETE" "expected replies, sorted, space separated"
expect() {
    read -r -a COMP_WORDS <<<"$1"
    # A trailing space means the word being completed is empty.
    [[ $1 == *" " ]] && COMP_WORDS+=("")
    COMP_WORDS[0]=$cli
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _tovel_cli
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//')
    if [ "$got" != "$2" ]; then
        echo "FAIL '$1': got '$got', expected '$2'"
        failures=$((failures + 1))
    fi
}
asked() { # the last question the stand-in was asked
    tail -n 1 asked.log 2>/dev/null
}

expect "tovel-cli " "--help --version call check lint list lsp params show snippets"
expect "tovel-cli lsp --" "--help"
expect "tovel-cli s" "show snippets"
expect "tovel-cli call --" "--copy --help --library --presets"
expect "tovel-cli list --n" "--names"
expect "tovel-cli snippets --format " "lsp ultisnips vscode"
expect "tovel-cli snippets --format v" "vscode"
expect "tovel-cli snippets --o" "--output"
expect "tovel-cli snippets --output no" "notes.txt"
# Library files after -l and in the LIBRARY place.
expect "tovel-cli call -l libs/" "libs/LibA.s79 libs/other.h"
expect "tovel-cli check no" "notes.txt"
expect "tovel-cli lint -l libs/LibA.s79 n" "notes.txt"
# Routine names: of Tovel's current library, of -l's, of a library given in place.
: > asked.log
expect "tovel-cli call P" "PortRead PwmSetDuty"
[ "$(asked)" = "list --names" ] || { echo "FAIL asked '$(asked)' for the current library"; failures=$((failures + 1)); }
expect "tovel-cli show -l libs/LibA.s79 U" "UartInit"
[ "$(asked)" = "list --names -l libs/LibA.s79" ] || { echo "FAIL asked '$(asked)' for -l"; failures=$((failures + 1)); }
expect "tovel-cli params --library=libs/other.h Pw" "PwmSetDuty"
[ "$(asked)" = "list --names -l libs/other.h" ] || { echo "FAIL asked '$(asked)' for --library="; failures=$((failures + 1)); }
expect "tovel-cli call libs/LibA.s79 Pw" "PwmSetDuty"
[ "$(asked)" = "list --names -l libs/LibA.s79" ] || { echo "FAIL asked '$(asked)' for the library in place"; failures=$((failures + 1)); }
# Values follow the routine: nothing is offered, nothing is asked.
: > asked.log
expect "tovel-cli call libs/LibA.s79 PwmSetDuty " ""
expect "tovel-cli call -l libs/LibA.s79 PwmSetDuty 2 " ""
[ ! -s asked.log ] || { echo "FAIL asked for routines in a value place"; failures=$((failures + 1)); }

if [ "$failures" -ne 0 ]; then
    echo "$failures completion checks failed"
    exit 1
fi
echo "completion checks passed"
