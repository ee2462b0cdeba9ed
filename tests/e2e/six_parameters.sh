#!/usr/bin/env bash
# A routine of six parameters in the real window: the panel's second row
# holds slots 5 and 6, the window is one row taller; the slots are filled by
# mouse and keyboard, Copy is clicked, and the clipboard, read from outside,
# holds every value; the height kept in Tovel.ini is the one-row window's.
# A routine of two parameters gives the window its designed height back.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
LIB="$WORK/i2c.s79"
INI="$APP/Tovel.ini"
SIX="int I2cWriteReg(char bus, char addr, char reg, char *data, char drive, int timeout)"
printf '%s\r\n' \
    "; C Function prototype: $SIX;" \
    "; bus:{0,1}" "; addr:{0x00-0x7F}" "; reg:{}" "; *data:{}" "; drive:{0,1,2,3}" "; timeout:{0-1000}" \
    "I2cWriteReg:" "	RET" "	ENDMOD" \
    "; C Function prototype: void PwmSetDuty(char channel, int duty);" "; channel:{0,1,2,3}" "; duty:{0-100}" \
    "	RET" "	ENDMOD" > "$LIB"
printf '[Last]\nIntro=No\nLibrary=%s\n[Libraries]\n%s=Yes\n' "$LIB" "$LIB" > "$INI"

ROW1_Y=341                                  # middle of the first row of values
ROW2_Y=$((ROW1_Y + 36))                     # and of the second
slot_x() { echo $(( 130 + ($1 - 1) * 360 / $2 + (360 / $2 - 10) / 2 )); }   # middle of column k of n
fill_at() # x y text
{
    click_at "$1" "$2"
    key ctrl+a
    type_text "$3"
}

start_tovel
read -r _ _ _ designed < <(client_rect "$MAIN_WIN")
choose_function_by_keyboard "$SIX" F4 0
wait_for 5 sh -c "[ \"\$(xwininfo -id $MAIN_WIN | awk '/^ *Height:/ { print \$NF }')\" -eq $((designed + 36)) ]" \
    || fail "the window did not grow by one row for six parameters"
log "ok: window height $designed + 36"
# The row comes with the routine: the height kept is the one-row window's,
# so the window does not creep taller at every start. Moving the window
# makes sure its place is written while the second row shows.
read -r left top _ _ < <(client_rect "$MAIN_WIN")
xdotool windowmove --sync "$MAIN_WIN" $((left + 40)) $((top + 30)) 2>/dev/null || true
wait_for 5 ini_has "$INI" Window Height "$designed" \
    || fail "the kept height is $(ini_get "$INI" Window Height), not the one-row window's $designed"

fill_at "$(slot_x 1 4)" "$ROW1_Y" 1
fill_at "$(slot_x 2 4)" "$ROW1_Y" 0x50
fill_at "$(slot_x 3 4)" "$ROW1_Y" 7
fill_at "$(slot_x 4 4)" "$ROW1_Y" buf
fill_at "$(slot_x 1 2)" "$ROW2_Y" 3
fill_at "$(slot_x 2 2)" "$ROW2_Y" 500
shot_area six-parameters
click_dlu 330 200 30 15                     # Copy
expect_clipboard "I2cWriteReg(1,0x50,7,buf,3,500)" "the six-parameter call"

choose_function_by_keyboard "void PwmSetDuty(char channel, int duty)" F4 1
wait_for 5 sh -c "[ \"\$(xwininfo -id $MAIN_WIN | awk '/^ *Height:/ { print \$NF }')\" -eq $designed ]" \
    || fail "the window kept the second row for two parameters"
log "ok: designed height again"
quit_with alt+F4
log "passed"
