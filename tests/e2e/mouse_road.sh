#!/usr/bin/env bash
# The road by mouse on a library registered before the start: the function
# list and a value list opened and picked by clicks, the tool program
# started by clicking into its edit, an option list picked with click and
# Ctrl+click, Copy clicked; Alt+F4 ends the program and a restart finds the
# choice again.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
LIB="$APP/LibDev4410.s79"
INI="$APP/Tovel.ini"
printf '[Last]\nIntro=No\nLibrary=%s\n[Libraries]\n%s=Yes\n' "$LIB" "$LIB" > "$INI"
mv "$APP/BaudCalc.exe" "$APP/BaudCalc.real"
printf '#!/bin/sh\necho ran >> "%s"\nexec "%s" > /dev/null\n' "$WORK/tool-runs.txt" "$APP/BaudCalc.real" > "$APP/BaudCalc.exe"
chmod +x "$APP/BaudCalc.exe"

# Places of the main dialog's controls in client pixels (template rectangles
# at 6 x 13 base units; the parameter slots as the panel lays them out).
FUNCTIONS=(262 116)                 # the function combo
SLOT_Y=341                          # middle of the value controls' row
copy_button() { click_dlu 330 200 30 15; }
slot_x() { echo $(( 130 + ($1 - 1) * 360 / $2 + (360 / $2 - 10) / 2 )); }   # middle of slot k of n
slot_arrow_x() { echo $(( 130 + ($1 - 1) * 360 / $2 + 360 / $2 - 10 - 8 )); }

choose_function_by_mouse() # prototype row
{
    click_at "${FUNCTIONS[@]}"
    wait_popup || fail "clicking the function combo opened no list"
    click_popup_row "$2"
    wait_for 5 ini_has "$INI" Last Choice "$1" || fail "the clicked routine was not chosen"
}

start_tovel
[ ! -s "$OPENED" ] || fail "the introduction opened although Intro is No"
expect_eq "$LIB" "$(ini_get "$INI" Last Library)" "library at start"

# PwmSetDuty: pick the routine, pick channel 3 from its list, type the duty.
choose_function_by_mouse "void PwmSetDuty(char channel, int duty)" 7
click_at "$(slot_arrow_x 1 2)" "$SLOT_Y"
wait_popup || fail "the channel list did not open"
click_popup_row 3
click_at "$(slot_x 2 2)" "$SLOT_Y"
type_text 42
copy_button
expect_clipboard "PwmSetDuty(3,42)" "PwmSetDuty by mouse"

# UartInit: the divisor's tool program, then the mode's option list.
choose_function_by_mouse "void UartInit(char port, unsigned int divisor, unsigned char mode)" 11
click_at "$(slot_x 2 3)" "$SLOT_Y"
answer_tool_consent
wait_for 10 test -f "$WORK/tool-runs.txt" || fail "clicking into the divisor did not run the tool program"
key ctrl+a
type_text 25
click_at "$(slot_x 3 3)" "$SLOT_Y"
# Slot 3's option list opens at (310, 355), 170 x 70: the first option,
# then the third with Ctrl held.
read -r cx cy cw ch < <(client_rect "$MAIN_WIN")
click_list_row 0 $((cx + 310)) $((cy + 355)) 170 60
click_list_row 2 $((cx + 310)) $((cy + 355)) 170 60 ctrl
copy_button                          # the list loses the focus first
expect_clipboard "UartInit(0,25,UART_TX|UART_RXIRQ)" "UartInit by mouse"
expect_eq 1 "$(wc -l < "$WORK/tool-runs.txt")" "tool program runs"

quit_with alt+F4

start_tovel
click_at "${FUNCTIONS[@]}"
wait_popup || fail "the function list did not open after restart"
click_popup_row 11
copy_button
expect_clipboard 'UartInit(0,"BaudCalc.exe",)' "the restored routine, tool value preset"
expect_eq "void UartInit(char port, unsigned int divisor, unsigned char mode)" "$(ini_get "$INI" Last Choice)" "choice after restart"
# The caption's close button ends it as well.
read -r cx cy cw ch < <(client_rect "$MAIN_WIN")
xdotool mousemove --sync $((cx + cw - 10)) $((cy - 10)) click 1
wait_tovel_exit 20 "the close button did not end Tovel: it"
expect_eq 0 "$TOVEL_RC" "exit status after the close button"
log "passed"
