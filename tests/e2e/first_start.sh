#!/usr/bin/env bash
# First start in a fresh folder: the settings file is created holding the
# program folder, the introduction is opened through the desktop's open
# command, F1 opens it again, Escape ends the program and nothing is
# written at exit.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin

[ ! -e "$APP/Tovel.ini" ] || fail "the fresh folder already has a settings file"
start_tovel

wait_for 10 test -f "$APP/Tovel.ini" || fail "no Tovel.ini after the first start"
expect_eq "$APP/" "$(ini_get "$APP/Tovel.ini" Last AppPath)" "AppPath"
expect_eq "" "$(ini_get "$APP/Tovel.ini" Last Library)" "no library yet"
wait_for 10 test -s "$OPENED" || fail "the introduction was not opened"
expect_eq "file://$APP/Tovel.txt" "$(cat "$OPENED")" "the open command's argument"

# F1 opens the introduction again (Intro defaults to yes).
key F1
wait_for 10 sh -c '[ "$(wc -l < "$1")" -eq 2 ]' _ "$OPENED" || fail "F1 opened nothing"
expect_eq "file://$APP/Tovel.txt" "$(tail -1 "$OPENED")" "F1's open command"

before=$(cat "$APP/Tovel.ini")
quit_with Escape
expect_eq "$before" "$(cat "$APP/Tovel.ini")" "settings file untouched at exit"
log "passed"
