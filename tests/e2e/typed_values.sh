#!/usr/bin/env bash
# Typed values are kept: the focus starts on the function list (Enter asks
# nothing), the open function list filters by a name typed with capitals,
# opening the function list and closing it with Escape keeps the panel and
# its values, and Escape in an edit whose option list shows closes the list
# and keeps Tovel running. Copy then takes the values.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
INI="$APP/Tovel.ini"
SAMPLE="$APP/LibDev4410.s79"
printf '[Last]\nIntro=No\nLibrary=%s\n[Libraries]\n%s=Yes\n' "$SAMPLE" "$SAMPLE" > "$INI"
choice() { ini_get "$INI" Last Choice; }

start_tovel

# Enter at start: the function list has the focus, so no question comes.
key Return
settle 0.5
expect_eq 1 "$(count_windows '^Tovel$')" "windows after Enter at start"

# The filter: capitals typed with Shift, one routine left, Enter picks it.
key alt+Down
wait_popup || fail "Alt+Down at start did not open the function list"
type_text PwmSetD
shot_area function-list-filter
key Return
wait_for 5 ini_has "$INI" Last Choice "void PwmSetDuty(char channel, int duty)" || fail "the filter chose [$(choice)]"
log "ok: PwmSetDuty found by the filter"

key alt+f Tab Tab Tab Tab Tab Tab Tab   # past the source view, the buttons and channel: duty
type_text 50
# The list opened and closed without a pick: the panel and duty stay.
key alt+f alt+Down
wait_popup || fail "the function list did not open"
key Escape
settle 0.5
tovel_running || fail "Escape in the open function list ended Tovel"
key alt+c
expect_clipboard "PwmSetDuty(0,50)" "Copy after the cancelled function list"

# An option list showing under its edit, the focus in the edit: Escape closes the list only.
key alt+f alt+Down
wait_popup || fail "the function list did not open again"
type_text pwmsetu
key Return
wait_for 5 ini_has "$INI" Last Choice "void PwmSetup(char ch, char flags, unsigned period, int duty, char dt)" \
    || fail "the filter chose [$(choice)]"
key alt+f Tab Tab Tab Tab Tab Tab Tab   # flags: its option list opens
type_text PWM_INV
shot_area option-list-showing
key Escape
settle 0.5
tovel_running || fail "Escape in the edit of a showing option list ended Tovel"
log "ok: Escape closed the option list and kept Tovel running"
key alt+c
wait_for 5 sh -c 'case "$(timeout 5 xclip -o -selection clipboard)" in "PwmSetup(0,PWM_INV,"*) exit 0 ;; esac; exit 1' \
    || fail "Copy after Escape gave [$(clipboard)]"
log "ok: the typed option kept"

# With the list closed, Escape ends Tovel as before.
quit_with Escape
log "passed"
