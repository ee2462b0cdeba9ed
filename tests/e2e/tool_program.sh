#!/usr/bin/env bash
# The README's walk-through to a tool program, in one run from the first
# start: Add the sample library, choose UartInit, Tab into the divisor. The
# question for the library's folder comes first (Enter runs it), then
# BaudCalc's answer in its own window, whose text can be selected and
# copied; Escape closes it. In the same run the folder is not asked about
# again, and nothing about it is written to the settings. Then a program
# that leaves children behind (one in the background, one in a session of
# its own) runs in its library's folder, and Tovel's end takes them along.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
LIB="$APP/LibDev4410.s79"
INI="$APP/Tovel.ini"

start_tovel
add_library_by_keyboard "$LIB"
choose_function_by_keyboard "void UartInit(char port, unsigned int divisor, unsigned char mode)" alt+Down 11
key alt+f Tab Tab Tab Tab Tab Tab   # the first slot
key Tab                             # the divisor
answer_tool_consent

out=$(wait_window '^BaudCalc\.exe$' 15) || fail "BaudCalc's answer did not show"
activate "$out"
settle 0.5
shot tool-output "$out"
key ctrl+a ctrl+c
wait_for 5 sh -c 'timeout 5 xclip -o -selection clipboard | grep -q "^ *9600 "' \
    || fail "the answer window's text is not BaudCalc's table: [$(clipboard 2>/dev/null | head -3)]"
log "ok: BaudCalc's table selected and copied from its window"
key Escape
wait_for 5 sh -c '[ -z "$(xdotool search --onlyvisible --name "^BaudCalc\.exe$")" ]' || fail "Escape left the answer window open"
tovel_running || fail "Escape in the answer window ended Tovel"

# Leave the divisor and come back: no question this time, the answer again,
# and Enter closes it.
activate "$MAIN_WIN"
key shift+Tab Tab
out=$(wait_window '^BaudCalc\.exe$' 15) || fail "the second run showed no answer"
[ "$(count_windows '^Tovel$')" -eq 1 ] || fail "the folder was asked about twice in one run"
activate "$out"
key Return
wait_for 5 sh -c '[ -z "$(xdotool search --onlyvisible --name "^BaudCalc\.exe$")" ]' || fail "Enter left the answer window open"

activate "$MAIN_WIN"
key ctrl+a
type_text 51
key Tab Tab Home shift+Down Tab     # the mode's list: UART_TX and UART_RX
key alt+f Return
expect_clipboard "UartInit(0,51,UART_TX|UART_RX)" "UartInit after the tool program"
expect_eq "" "$(ini_get "$INI" Trusted "$APP/")" "Run is not written down"
quit_with Escape

LEAVE="$APP/leave"
mkdir -p "$LEAVE"
printf '; C Function prototype: int Baud(int d)\r\n; d:{Leave.exe}\r\n\tRET\r\n\tENDMOD\r\n' >"$LEAVE/Leave.s79"
cat >"$LEAVE/Leave.exe" <<EOS
#!/bin/sh
pwd -P > "$WORK/where"
sleep 300 </dev/null >/dev/null 2>&1 &
echo \$! > "$WORK/left.1"
setsid sh -c 'echo \$\$ > "$WORK/left.2"; exec sleep 300' </dev/null >/dev/null 2>&1 &
while [ ! -s "$WORK/left.2" ]; do sleep 0.05; done
echo left
EOS
chmod +x "$LEAVE/Leave.exe"
start_tovel
add_library_by_keyboard "$LEAVE/Leave.s79"
choose_function_by_keyboard "int Baud(int d)" alt+Down 0
key alt+f Tab Tab Tab Tab Tab Tab   # the slot
answer_tool_consent
out=$(wait_window '^Leave\.exe$' 15) || fail "Leave.exe's answer did not show"
expect_eq "$(cd "$LEAVE" && pwd -P)" "$(cat "$WORK/where")" "the tool program's working folder"
activate "$out"
key Escape
left="$(cat "$WORK/left.1") $(cat "$WORK/left.2")"
activate "$MAIN_WIN"
quit_with Escape
for pid in $left; do
    wait_for 5 sh -c "! kill -0 $pid 2>/dev/null" || fail "process $pid that Leave.exe started outlived Tovel"
done
log "ok: what the tool program left running ended with Tovel"
log "passed"
