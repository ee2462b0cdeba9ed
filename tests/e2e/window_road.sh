#!/usr/bin/env bash
# The window as a user meets it: type-ahead of a routine's name in the open
# list of a 2,000-routine library, Down and the wheel on the closed function
# list (what it shows is what Copy uses), the wheel over an unfocused list
# (nothing changes), Down on the library list, and Escape in an open option
# list, which closes the list and keeps Tovel running.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
GENLIB="${TOVEL_BUILD_DIR:-}/bench/tovel_genlib"
[ -x "$GENLIB" ] || skip "tovel_genlib is not built"
INI="$APP/Tovel.ini"
BIG="$APP/big.s79"
SAMPLE="$APP/LibDev4410.s79"
"$GENLIB" asm 2000 "$BIG" > /dev/null || fail "tovel_genlib could not write $BIG"
printf '[Last]\nIntro=No\nLibrary=%s\n[Libraries]\n%s=Yes\n%s=Yes\n' "$BIG" "$BIG" "$SAMPLE" > "$INI"
# The sample's tool program, replaced by one that only counts its runs.
printf '#!/bin/sh\necho ran >> "%s"\n' "$WORK/tool-runs.txt" > "$APP/BaudCalc.exe"
chmod +x "$APP/BaudCalc.exe"

# The prototype of the routine at prototype line N of the big library, and its name.
prototype_at() { grep -a '^; C Function prototype:' "$BIG" | sed -n "${1}p" | sed 's/^; C Function prototype:[ \t]*//; s/).*/)/'; }
name_of() { printf '%s' "$1" | sed 's/[ \t]*(.*//; s/.*[^A-Za-z0-9_]//'; }
choice() { ini_get "$INI" Last Choice; }
choice_is_not() { [ "$(choice)" != "$1" ]; }
# Waits until the clipboard starts with a text.
clipboard_starts() { case "$(clipboard)" in "$1"*) return 0 ;; esac; return 1; }
expect_clipboard_prefix() # text what
{
    wait_for 5 clipboard_starts "$1" || fail "$2: the clipboard [$(clipboard)] does not start with [$1]"
    log "ok: $2"
}

start_tovel

# The window can grow: the window manager offers resizing and maximising.
allowed=$(xprop -id "$MAIN_WIN" _NET_WM_ALLOWED_ACTIONS)
case "$allowed" in
*RESIZE*MAXIMIZE*) ;;
*) fail "the main window cannot be resized or maximised: $allowed" ;;
esac
log "ok: resizable and maximisable"

# Type-ahead: the name (not the return type) in lower case, in the open list.
target=$(prototype_at 1500)
name=$(name_of "$target")
[ -n "$name" ] || fail "no routine name found in the generated library"
key alt+f alt+Down
wait_popup || fail "the function list did not open"
type_text "$(printf '%s' "$name" | tr 'A-Z' 'a-z')"
shot_area typeahead-open-list
key Return
wait_for 5 ini_has "$INI" Last Choice "$target" || fail "typing [$name] chose [$(choice)]"
log "ok: the routine found by its name"

# Down on the closed list: the routine it now shows is the one Copy uses.
key Down
wait_for 5 choice_is_not "$target" || fail "Down on the closed function list did not change the choice"
after_down=$(choice)
key alt+c
expect_clipboard_prefix "$(name_of "$after_down")(" "Copy after Down"

# The wheel over the focused list chooses too; over an unfocused one it does nothing.
key alt+f
read -r cx cy _ _ < <(client_rect "$MAIN_WIN")
fx=$((cx + $(dlu_x 11) + 100)); fy=$((cy + $(dlu_y 65) + 8))
xdotool mousemove "$fx" "$fy" click 5
settle 0.5
wait_for 5 choice_is_not "$after_down" || fail "the wheel over the focused function list did not change the choice"
after_wheel=$(choice)
key alt+c
expect_clipboard_prefix "$(name_of "$after_wheel")(" "Copy after the wheel"
key alt+s               # the source view takes the focus
xdotool mousemove "$fx" "$fy" click 5
settle 0.5
expect_eq "$after_wheel" "$(choice)" "the wheel over an unfocused list"

# Down on the library list makes the sample library current.
key alt+l Down
wait_for 5 ini_has "$INI" Last Library "$SAMPLE" || fail "Down on the library list did not change the current library"
log "ok: library chosen by Down"

# Escape in an open option list closes the list, not the program.
choose_function_by_keyboard "void UartInit(char port, unsigned int divisor, unsigned char mode)" alt+Down 11
key alt+f Tab Tab Tab Tab Tab Tab Tab   # past the source view, buttons and port: divisor
answer_tool_consent     # the divisor's tool program asks for its folder (the stand-in prints nothing)
wait_for 10 sh -c '[ -f "$1" ]' _ "$WORK/tool-runs.txt" || fail "the tool program did not run"
key ctrl+a
type_text 51
key Tab                 # mode: its option list opens
key Tab                 # into the list
key Home shift+Down
shot_area option-list-open
key Escape
settle 0.5
tovel_running || fail "Escape in the option list ended Tovel"
log "ok: Escape in the option list kept Tovel running"
key alt+c
expect_clipboard "UartInit(0,51,UART_TX|UART_RX)" "the options taken when Escape closed the list"

quit_with Escape
log "passed"
