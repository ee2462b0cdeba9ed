#!/usr/bin/env bash
# Pictures of the real windows for a look at their layout (E2E_SHOTS names
# the folder): the main window empty, with a library, with the function list
# open, with a routine chosen and its slots filled, with an option list
# open; the source view finding text in a routine's block; the Setup and
# About dialogs. main-guide.png is the picture of the
# user guide, with the window frame.
source "$(dirname "$0")/e2e_lib.sh"
[ -n "${E2E_SHOTS:-}" ] || skip "E2E_SHOTS names no folder for the pictures"
e2e_begin
LIB="$APP/LibDev4410.s79"
INI="$APP/Tovel.ini"
printf '[Last]\nIntro=No\n' > "$INI"

start_tovel
shot main-empty
add_library_by_keyboard "$LIB"
shot main-library
key alt+f alt+Down
wait_popup || fail "the function list did not open"
shot_area main-function-list
key Escape
choose_function_by_keyboard "void UartInit(char port, unsigned int divisor, unsigned char mode)" alt+Down 11
key alt+f Tab Tab Tab Tab Tab Tab Down    # port 1
key Tab                                   # divisor: the question for the library's folder
wait_for 10 sh -c '[ "$(xdotool search --onlyvisible --name "^Tovel$" | wc -l)" -ge 2 ]' \
    || fail "no question before the tool program"
shot tool-consent "$(windows_named '^Tovel$' | grep -v "^$MAIN_WIN\$" | head -1)"
key Return                                # Run: BaudCalc's answer shows
out=$(wait_window '^BaudCalc\.exe$' 15) || fail "BaudCalc's answer did not show"
activate "$out"
settle 0.5
shot tool-output "$out"
key Escape
activate "$MAIN_WIN"
key ctrl+a
type_text 51
key Tab                                   # mode: the option list opens
shot_area main-option-list
key Tab Home shift+Down Tab               # UART_TX|UART_RX
key alt+f Return
expect_clipboard "UartInit(1,51,UART_TX|UART_RX)" "the call in the pictures"
shot main-routine
mkdir -p "$E2E_SHOTS"
import -frame -window "$MAIN_WIN" "$E2E_SHOTS/main-guide.png"

# The source view with the routine's block: Alt+S, Ctrl+F, the second
# "divisor" found (its hint line); Escape closes only the find bar, and
# Ctrl+C copies what was found.
key alt+s ctrl+f
type_text divisor
key Return
shot main-source-find
key Escape
tovel_running || fail "Escape in the find bar closed the window"
key ctrl+c
expect_clipboard "divisor" "the text found in the source view"

# Setup: its button, clicked.
click_dlu 50 235 30 15
setup=$(wait_window '^Setup$' 10) || fail "Setup did not open"
settle 0.5
shot setup "$setup"
key Escape
wait_for 5 sh -c '[ -z "$(xdotool search --onlyvisible --name "^Setup$")" ]' || fail "Escape did not close Setup"

# About: the window background's menu.
activate "$MAIN_WIN"
click_at 300 400 3
key Down Return
about=$(wait_window '^About Tovel$' 10) || fail "the background menu did not open About"
settle 0.5
shot about "$about"
key Return
wait_for 5 sh -c '[ -z "$(xdotool search --onlyvisible --name "^About Tovel$")" ]' || fail "Enter did not close About"

quit_with Escape
for f in main-empty main-library main-function-list main-option-list main-routine main-guide main-source-find setup about; do
    [ -s "$E2E_SHOTS/$f.png" ] || fail "$f.png was not saved"
done
log "passed"
