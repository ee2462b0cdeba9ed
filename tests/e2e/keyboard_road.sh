#!/usr/bin/env bash
# The whole road by keyboard alone, on the sample library: Add through the
# picker, the function list opened with Alt+Down and F4, every kind of value
# editor (choice list, plain value, range, tool program, option list), Copy
# by Enter and by Alt+C, the clipboard read from outside; Escape and Alt+F4
# end the program, and a restart finds the library and the choice again.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
LIB="$APP/LibDev4410.s79"
INI="$APP/Tovel.ini"
# The tool program of the sample library, wrapped so its runs can be counted.
mv "$APP/BaudCalc.exe" "$APP/BaudCalc.real"
printf '#!/bin/sh\necho ran >> "%s"\nexec "%s" > /dev/null\n' "$WORK/tool-runs.txt" "$APP/BaudCalc.real" > "$APP/BaudCalc.exe"
chmod +x "$APP/BaudCalc.exe"
tool_runs() { [ -f "$WORK/tool-runs.txt" ] && wc -l < "$WORK/tool-runs.txt" || echo 0; }

# From the function combo, Tab passes the source view, Copy, Exit, F1=Help
# and Setup before it reaches the first parameter slot.
to_first_slot() { key alt+f; key Tab Tab Tab Tab Tab Tab; }

start_tovel
add_library_by_keyboard "$LIB"
expect_eq Yes "$(ini_get "$INI" Libraries "$LIB")" "library registered"

# PwmSetDuty: a choice list and a range.
choose_function_by_keyboard "void PwmSetDuty(char channel, int duty)" alt+Down 7
to_first_slot
key Down Down           # channel: 0 -> 2
key Tab                 # duty
type_text 150
key Tab                 # leaving the edit tests the range
wait_for 10 sh -c '[ "$(xdotool search --onlyvisible --name "^Tovel$" | wc -l)" -ge 2 ]' \
    || fail "150 for duty {0-100} was not reported"
log "ok: out-of-range value reported"
shot range-message "$(windows_named '^Tovel$' | grep -v "^$MAIN_WIN\$" | head -1)"
key Return
wait_for 5 sh -c '[ "$(xdotool search --onlyvisible --name "^Tovel$" | wc -l)" -eq 1 ]' || fail "the message stayed"
activate "$MAIN_WIN"
key alt+f Return        # Enter copies: Copy is the default button
expect_clipboard "PwmSetDuty(2,150)" "the value stays as typed"
to_first_slot
key Tab ctrl+a
type_text 75
key Return
expect_clipboard "PwmSetDuty(2,75)" "PwmSetDuty by Enter"

# UartGetLine, opened with F4: a choice list, a plain value and a range.
choose_function_by_keyboard "int UartGetLine(char port, char *buf, unsigned char size)" F4 2
to_first_slot
key Down                # port: 0 -> 1
key Tab
type_text line
key Tab
type_text 64
key alt+c               # the Copy button's letter
expect_clipboard "UartGetLine(1,line,64)" "UartGetLine by Alt+C"
[ "$(count_windows '^Tovel$')" -eq 1 ] || fail "64 for size {1-64} was reported"

before=$(cat "$INI")
quit_with Escape
expect_eq "$before" "$(cat "$INI")" "nothing written at exit"

# Restart: the library is current again and the list reopens on the choice.
start_tovel
expect_eq "$LIB" "$(ini_get "$INI" Last Library)" "library after restart"
key alt+f alt+Down
wait_popup || fail "the function list did not open after restart"
key Return              # takes the item the list opened on
expect_eq "int UartGetLine(char port, char *buf, unsigned char size)" "$(ini_get "$INI" Last Choice)" "choice after restart"
key Return
expect_clipboard "UartGetLine(0,,)" "the restored routine with fresh slots"

# UartInit: a tool program and an option list; the program is found beside
# the library.
choose_function_by_keyboard "void UartInit(char port, unsigned int divisor, unsigned char mode)" alt+Down 11
to_first_slot
key Tab                 # divisor: asked once for the folder, then the tool program runs
answer_tool_consent
wait_for 10 sh -c '[ -f "$1" ]' _ "$WORK/tool-runs.txt" || fail "the tool program did not run"
expect_eq 1 "$(tool_runs)" "tool program runs"
[ "$(count_windows '^Tovel$')" -eq 1 ] || fail "a message came up when the tool program ran"
key ctrl+a
type_text 51
key Tab                 # mode: its option list opens under the edit
key Tab                 # into the list
key Home shift+Down     # UART_TX and UART_RX
key Tab                 # leaving the list joins the picks
key alt+f Return
expect_clipboard "UartInit(0,51,UART_TX|UART_RX)" "UartInit by Enter"
expect_eq 1 "$(tool_runs)" "tool program runs after Copy"

quit_with alt+F4
expect_eq "void UartInit(char port, unsigned int divisor, unsigned char mode)" "$(ini_get "$INI" Last Choice)" "choice kept"
log "passed"
