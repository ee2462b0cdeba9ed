#!/usr/bin/env bash
# The habits of a desktop program: --help and --version without a display;
# library files named on the command line and dropped on the window (by
# XDND, as a file manager drops them); the window resized, maximised,
# remembered in Tovel.ini and restored; two windows started together side
# by side; and the introduction shown in Tovel's own window where the
# desktop has no program for text files.
source "$(dirname "$0")/e2e_lib.sh"
PY=python3
[ -x /usr/bin/python3 ] && PY=/usr/bin/python3
SOURCE="$PY $(dirname "$0")/desktop_source.py"

# Without any display: the texts, and no window.
got=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$TOVEL_EXE" --version 2>&1) || fail "--version failed: $got"
case "$got" in "Tovel "[0-9]*) log "ok: --version says [$got]" ;; *) fail "--version said [$got]" ;; esac
got=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$TOVEL_EXE" --help 2>&1) || fail "--help failed: $got"
grep -q '^Usage: Tovel \[FILE\.\.\.\]' <<<"$got" || fail "--help said [$got]"
rc=0; env -u DISPLAY QT_QPA_PLATFORM= "$TOVEL_EXE" --bogus >/dev/null 2>&1 || rc=$?
expect_eq 2 "$rc" "exit status of an unknown option"

e2e_begin
$PY -c 'import Xlib' 2>/dev/null || skip "python3-xlib is missing"
INI="$APP/Tovel.ini"
printf '[Last]\nIntro=No\n' > "$INI"
mkdir -p "$WORK/libs"
cp "$APP/LibDev4410.s79" "$WORK/libs/first.s79"
cp "$APP/LibDev4410.s79" "$WORK/libs/second.s79"
cp -r "$APP/Dev4410Hdr" "$WORK/libs/hdr"

# Files on the command line: both listed, the last one current.
cd "$WORK/libs"
start_tovel "$APP/Tovel" first.s79 "$WORK/libs/second.s79"
cd "$WORK"
expect_eq "$WORK/libs/second.s79" "$(ini_get "$INI" Last Library)" "the current library after 'Tovel FILE FILE'"
expect_eq Yes "$(ini_get "$INI" Libraries "$WORK/libs/first.s79")" "the first file is listed"
read -r x0 y0 w0 h0 < <(client_rect "$MAIN_WIN")
expect_eq "558 424" "$w0 $h0" "the window's first size"

# A file dropped on the window is added and becomes current.
got=$($SOURCE drop "$MAIN_WIN" $((x0 + 200)) $((y0 + 200)) "$WORK/libs/hdr/dev4410.h") || fail "the drop was refused: $got"
expect_eq copy "$got" "the drop's answer"
wait_for 10 ini_has "$INI" Last Library "$WORK/libs/hdr/dev4410.h" || fail "the dropped file was not made current"
log "ok: the dropped file is current"

# Larger: the view takes the room, Copy and Exit follow the corner.
xdotool windowsize --sync "$MAIN_WIN" 900 700
settle 0.8
read -r x1 y1 w1 h1 < <(client_rect "$MAIN_WIN")
expect_eq "900 700" "$w1 $h1" "the resized window"
shot_area main-resized
# Exit's designed place (330, 235, 30, 15 in dialog units) moved by the growth.
click_at $(( $(dlu_x 345) + w1 - 558 )) $(( $(dlu_y 242) + h1 - 424 ))
wait_tovel_exit 15 "a click on the moved Exit button"
expect_eq 900 "$(ini_get "$INI" Window Width)" "the saved width"
expect_eq 700 "$(ini_get "$INI" Window Height)" "the saved height"

# Started again: the same size at the same place.
start_tovel
read -r x2 y2 w2 h2 < <(client_rect "$MAIN_WIN")
expect_eq "$x1 $y1 $w1 $h1" "$x2 $y2 $w2 $h2" "the restored window"

# Maximised: the whole screen, a picture, and maximised again at the next start.
$SOURCE maximize "$MAIN_WIN" || fail "could not ask for the maximised window"
wait_for 10 sh -c "xprop -id $MAIN_WIN _NET_WM_STATE | grep -q MAXIMIZED_HORZ" || fail "the window was not maximised"
settle 0.8
read -r xm ym wm hm < <(client_rect "$MAIN_WIN")
[ "$wm" -gt 900 ] && [ "$hm" -gt 700 ] || fail "the maximised window is only ${wm}x${hm}"
log "ok: maximised to ${wm}x${hm}"
key alt+f alt+Down
wait_popup || fail "the function list did not open in the maximised window"
key Escape
shot_area main-maximized
quit_with Escape
expect_eq Yes "$(ini_get "$INI" Window Maximized)" "the saved maximised state"
expect_eq 900 "$(ini_get "$INI" Window Width)" "the width kept for un-maximising"
start_tovel
wait_for 10 sh -c "xprop -id $MAIN_WIN _NET_WM_STATE | grep -q MAXIMIZED_HORZ" || fail "the window did not open maximised"
log "ok: opened maximised"
quit_with Escape

# A place off every screen comes back onto the screen.
printf '[Last]\nIntro=No\n[Window]\nX=5000\nY=4000\nWidth=600\nHeight=450\n' > "$INI"
start_tovel
read -r x3 y3 w3 h3 < <(client_rect "$MAIN_WIN")
[ $((x3 + w3)) -le 1024 ] && [ $((y3 + h3)) -le 768 ] || fail "the window is off the screen at $x3,$y3"
expect_eq "600 450" "$w3 $h3" "the size of a window brought back onto the screen"
quit_with Escape

# Two windows started together do not sit on top of each other.
"$APP/Tovel" >>"$WORK/tovel.log" 2>&1 &
E2E_PIDS+=($!)
"$APP/Tovel" >>"$WORK/tovel.log" 2>&1 &
E2E_PIDS+=($!)
wait_for 30 sh -c '[ "$(xdotool search --onlyvisible --name "^Tovel$" | wc -l)" -ge 2 ]' || fail "two windows did not open"
settle 0.5
places=$(for w in $(windows_named '^Tovel$'); do client_rect "$w" | cut -d' ' -f1,2; done | sort -u | wc -l)
expect_eq 2 "$places" "the number of places of two windows"
for w in $(windows_named '^Tovel$'); do activate "$w"; key Escape; done
wait_for 15 sh -c '[ -z "$(xdotool search --onlyvisible --name "^Tovel$")" ]' || fail "the two windows did not close"

# No program for text files: the introduction opens in Tovel's own window.
printf '#!/bin/sh\necho "xdg-open: no method available for opening $1" >&2\nexit 3\n' > "$WORK/bin/xdg-open"
chmod +x "$WORK/bin/xdg-open"
printf '[Last]\nIntro=Yes\n' > "$INI"
start_tovel
intro=$(wait_window '^Tovel\.txt - Tovel$' 15) || fail "the introduction did not show in a window of Tovel's"
activate "$intro"
settle 0.5
shot intro-window "$intro"
key ctrl+a ctrl+c
wait_for 5 sh -c 'timeout 5 xclip -o -selection clipboard | grep -q Tovel' || fail "the introduction's text is not in its window"
log "ok: the introduction's window holds its text"
key Escape
activate "$MAIN_WIN"
quit_with Escape
