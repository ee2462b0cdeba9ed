#!/usr/bin/env bash
# The command reference in docs/cli.md and the manual page tell the same
# commands and options as tovel-cli's own help texts: every command the
# help lists, with each option of its help, is in both; and every option
# either one names is one that a help text lists.
# Usage: cli_manual_test.sh TOVEL_CLI CLI_MD MAN_PAGE
set -u
cli=$1 doc=$2 page=$3
# The manual page as plain words: roff's '\-' is a '-', font changes go.
man_text=$(sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' "$page")
doc_text=$(cat "$doc")
status=0
fail() { echo "FAIL $*"; status=1; }

commands=$("$cli" --help | sed -n '/^Commands:/,/^$/p' | sed -n 's/^  \([a-z][a-z]*\) .*/\1/p')
[ -n "$commands" ] || fail "tovel-cli --help lists no command"
known=" --help --version "
for command in $commands; do
    help=$("$cli" "$command" --help) || { fail "tovel-cli $command --help fails"; continue; }
    grep -q "^Usage: tovel-cli $command" <<<"$help" || fail "the help of $command has no usage line"
    grep -Eq "tovel-cli $command( |$)" <<<"$doc_text" || fail "$doc has no synopsis of $command"
    grep -Eq "tovel-cli $command( |$)" <<<"$man_text" || fail "$page has no synopsis of $command"
    for option in $(grep -oE '^  (-[a-z], )?--[a-z-]+' <<<"$help" | grep -oE -- '--?[a-z-]+'); do
        known+="$option "
        [ "$option" = -h ] || [ "$option" = --help ] && continue
        grep -qF -- "$option" <<<"$doc_text" || fail "$doc does not tell option $option of $command"
        grep -qF -- "$option" <<<"$man_text" || fail "$page does not tell option $option of $command"
    done
done
for option in $( (grep -oE -- '(^|[^-a-z])--[a-z][a-z-]*' <<<"$doc_text"; grep -oE -- '(^|[^-a-z])--[a-z][a-z-]*' <<<"$man_text") \
    | grep -oE -- '--[a-z-]+' | sort -u); do
    [[ "$known" == *" $option "* ]] || fail "an option the help texts do not list is documented: $option"
done
exit $status
