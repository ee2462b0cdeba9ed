# Shared helpers of the end-to-end tests: a private X server with a window
# manager, a fresh program folder, the real Tovel driven by xdotool, the
# clipboard read with xclip, screenshots taken with import.
#
# A test script sources this file, calls e2e_begin, and then uses the
# helpers; everything it started is stopped when the script ends.
#
# Environment (ctest sets it):
#   TOVEL_EXE        the built program; its companion files lie beside it
#   TOVEL_BUILD_DIR  the build folder (the install test installs from it)
#   E2E_SHOTS        folder for screenshots (optional)
#   E2E_KEEP=1       keep the temporary folder for a look afterwards
#   E2E_PACE         multiplies every settling pause (default 1)

set -euo pipefail

E2E_NAME=$(basename "$0" .sh)
E2E_PIDS=()      # helpers to stop at the end, newest last
TOVEL_PID=""
E2E_PACE=${E2E_PACE:-1}

log() { printf '[%s] %s\n' "$E2E_NAME" "$*"; }

fail()
{
    log "FAIL: $*"
    if [ -n "${E2E_DISPLAY:-}" ] && [ -n "${WORK:-}" ]; then
        import -display "$E2E_DISPLAY" -window root "$WORK/failure.png" 2>/dev/null || true
        mkdir -p "${E2E_SHOTS:-$WORK}"
        cp "$WORK/failure.png" "${E2E_SHOTS:-$WORK}/failure-$E2E_NAME.png" 2>/dev/null || true
        log "screen at failure: ${E2E_SHOTS:-$WORK}/failure-$E2E_NAME.png"
        [ -f "$WORK/tovel.log" ] && { log "Tovel's output:"; sed 's/^/    /' "$WORK/tovel.log" | tail -20; }
    fi
    exit 1
}

skip()
{
    log "SKIPPED: $*"
    exit 77
}

# Pauses for the program to take in what was sent (scaled by E2E_PACE).
settle() { sleep "$(awk -v s="${1:-0.3}" -v p="$E2E_PACE" 'BEGIN { print s * p }')"; }

# Runs "$@" until it succeeds or the seconds run out.
wait_for() # seconds command...
{
    local limit=$1; shift
    local end=$((SECONDS + limit))
    until "$@" 2>/dev/null; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.1
    done
}

expect_eq() # expected actual what
{
    if [ "$1" != "$2" ]; then
        fail "$3: expected [$1], got [$2]"
    fi
    log "ok: $3 = [$2]"
}

need_tools()
{
    local missing=()
    for t in "$@"; do command -v "$t" >/dev/null 2>&1 || missing+=("$t"); done
    [ ${#missing[@]} -eq 0 ] || skip "missing tools: ${missing[*]} (see scripts/packages.d/e2e.txt)"
}

e2e_cleanup()
{
    local rc=$?
    set +e
    [ -n "$TOVEL_PID" ] && kill "$TOVEL_PID" 2>/dev/null
    local i
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        kill "${E2E_PIDS[$i]}" 2>/dev/null
    done
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        wait "${E2E_PIDS[$i]}" 2>/dev/null
    done
    [ -n "$TOVEL_PID" ] && wait "$TOVEL_PID" 2>/dev/null
    if [ -n "${WORK:-}" ]; then
        # A read-only bind mount or a read-only copy must not stop the clean-up.
        chmod -R u+w "$WORK" 2>/dev/null
        if [ "${E2E_KEEP:-0}" = 1 ] || [ "$rc" -ne 0 ]; then
            log "kept $WORK"
        else
            rm -rf "$WORK"
        fi
    fi
    exit "$rc"
}

# Starts the X server and the window manager and lays out a fresh program
# folder: $WORK/app holds Tovel and its companion files, $WORK/bin a
# recording xdg-open that comes first on PATH.
e2e_begin()
{
    need_tools Xvfb xdotool xclip xprop xwininfo import openbox
    if [ -z "${TOVEL_EXE:-}" ] || [ ! -x "$TOVEL_EXE" ]; then fail "TOVEL_EXE does not name the built program"; fi
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/tovel-e2e-$E2E_NAME.XXXXXX")
    trap e2e_cleanup EXIT
    trap 'exit 1' INT TERM HUP
    APP="$WORK/app"
    mkdir -p "$APP" "$WORK/bin" "$WORK/home" "$WORK/config" "$WORK/runtime"
    chmod 700 "$WORK/runtime"
    copy_program "$APP"

    # The desktop's open command, replaced by a recorder: one line per call.
    OPENED="$WORK/opened.txt"
    cat > "$WORK/bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >> "$OPENED"
EOF
    chmod +x "$WORK/bin/xdg-open"

    export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_RUNTIME_DIR="$WORK/runtime"
    export PATH="$WORK/bin:$PATH"
    unset QT_QPA_PLATFORM WAYLAND_DISPLAY SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS
    # Plain Qt look and no desktop integration, the same on every machine.
    export QT_QPA_PLATFORMTHEME="" QT_STYLE_OVERRIDE=Fusion QT_SCALE_FACTOR=1 QT_ENABLE_HIGHDPI_SCALING=0
    export XDG_CURRENT_DESKTOP=""

    # A private X server on a free display number.
    local fifo="$WORK/displayfd"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fifo" >"$WORK/xvfb.log" 2>&1 &
    E2E_PIDS+=($!)
    wait_for 20 test -s "$fifo" || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
    E2E_DISPLAY=":$(head -1 "$fifo")"
    export DISPLAY="$E2E_DISPLAY"
    wait_for 20 xprop -root _XKB_RULES_NAMES >/dev/null || fail "display $DISPLAY does not answer"

    # A window manager: activation, focus and Alt+F4 are its business.
    openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
    E2E_PIDS+=($!)
    wait_for 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' \
        || fail "openbox did not start: $(cat "$WORK/openbox.log")"
    log "display $DISPLAY, folder $WORK"
}

# Copies the program and its companion files into a folder.
copy_program() # destination
{
    local from
    from=$(dirname "$TOVEL_EXE")
    cp "$TOVEL_EXE" "$1/"
    local f
    for f in Tovel.txt LibDev4410.s79 BaudCalc.exe TVS_B.html Dev4410Hdr tovel; do
        [ -e "$from/$f" ] || fail "companion file $from/$f is missing"
        cp -r "$from/$f" "$1/"
    done
}

# The value of a key of the settings file (first match, no case folding of
# the value; section and key matched ignoring case).
ini_get() # file section key
{
    [ -f "$1" ] || return 0
    awk -v sec="$2" -v key="$3" '
        BEGIN { sec = tolower(sec); key = tolower(key) }
        { sub(/\r$/, "") }
        /^\[/ { cur = tolower(substr($0, 2, index($0, "]") - 2)); next }
        cur == sec {
            eq = index($0, "=")
            if (eq > 0 && tolower(substr($0, 1, eq - 1)) == key) { print substr($0, eq + 1); exit }
        }' "$1"
}

ini_has() { [ "$(ini_get "$1" "$2" "$3")" = "$4" ]; }

# Starts a program (default: the copy in $APP) and waits for its main window.
start_tovel() # [command...]
{
    [ $# -gt 0 ] || set -- "$APP/Tovel"
    "$@" >>"$WORK/tovel.log" 2>&1 &
    TOVEL_PID=$!
    MAIN_WIN=$(wait_window '^Tovel$' 30) || fail "Tovel's window did not appear"
    activate "$MAIN_WIN"
    settle 0.5
    log "Tovel runs (pid $TOVEL_PID, window $MAIN_WIN)"
}

tovel_running() { [ -n "$TOVEL_PID" ] && kill -0 "$TOVEL_PID" 2>/dev/null; }

# Waits for Tovel to end and sets TOVEL_RC to its exit status; fails when
# it is still running after the given seconds.
wait_tovel_exit() # seconds what
{
    local end=$((SECONDS + ${1:-15}))
    while tovel_running; do
        [ "$SECONDS" -lt "$end" ] || fail "${2:-Tovel} did not end within ${1:-15} s"
        sleep 0.1
    done
    TOVEL_RC=0
    wait "$TOVEL_PID" || TOVEL_RC=$?
    TOVEL_PID=""
}

# Ends Tovel with the given keys and checks that it ends with status 0.
quit_with() # keys...
{
    key "$@"
    wait_tovel_exit 30 "$* did not end Tovel: it"
    expect_eq 0 "$TOVEL_RC" "exit status after $*"
}

# Visible windows whose title matches a pattern, newest first.
windows_named() { xdotool search --onlyvisible --name "$1" 2>/dev/null | tac; }

wait_window() # title-pattern seconds
{
    local end=$((SECONDS + ${2:-15})) w
    while [ "$SECONDS" -lt "$end" ]; do
        w=$(windows_named "$1" | head -1)
        if [ -n "$w" ]; then
            echo "$w"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

count_windows() { windows_named "$1" | wc -l; }

activate()
{
    timeout 10 xdotool windowactivate --sync "$1" >/dev/null 2>&1 || xdotool windowfocus "$1" 2>/dev/null || true
}

# Keys and text, as a user types them into the focused window.
key() { xdotool key --delay 60 "$@"; settle 0.25; }
type_text() { xdotool type --delay 30 -- "$1"; settle 0.2; }

# The window's client area on the screen: X Y WIDTH HEIGHT.
client_rect()
{
    xwininfo -id "$1" | awk '
        /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF }
        END { print x, y, w, h }'
}

# Clicks at a point of the main window's client area, given in pixels.
click_at() # x y [button]
{
    local cx cy cw ch
    read -r cx cy cw ch < <(client_rect "$MAIN_WIN")
    xdotool mousemove --sync $((cx + $1)) $((cy + $2)) click "${3:-1}"
    settle 0.3
}

# Dialog units of the main dialog's template to client pixels (6 x 13 base units).
dlu_x() { echo $(( ($1 * 6 + 2) / 4 )); }
dlu_y() { echo $(( ($1 * 13 + 4) / 8 )); }

# Clicks the middle of a control given by its template rectangle.
click_dlu() # x y w h
{
    click_at $(( $(dlu_x "$1") + $(dlu_x "$3") / 2 )) $(( $(dlu_y "$2") + $(dlu_y "$4") / 2 ))
}

# The topmost pop-up (a combo's list) of the program: X Y WIDTH HEIGHT.
popup_rect()
{
    local w
    local rect
    for w in $(xdotool search --onlyvisible --class Tovel 2>/dev/null | tac); do
        # Pop-ups bypass the window manager.
        xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes' || continue
        rect=$(client_rect "$w")
        # shellcheck disable=SC2086 # X Y W H
        set -- $rect
        if [ "$3" -gt 1 ] && [ "$4" -gt 1 ]; then
            echo "$rect"
            return 0
        fi
    done
    return 1
}

# The rows of one column of screen pixels that show the selection colour:
# prints the first and the last such row (relative to y), or "-1 -1".
highlight_span() # screen-x screen-y height
{
    import -window root -crop "1x$3+$1+$2" +repage txt:- | awk -F'[(,)]' '
        /^[0-9]/ { y = $2 + 0; r = $7; b = $9; if (b > r + 60) { if (first == "") first = y; last = y } }
        END { if (first == "") print -1, -1; else print first, last }'
}

# Clicks row i (0-based, counted from the first row shown) of a list that
# is on the screen at X Y W H. The mouse first rests on the top row, which
# takes the selection colour (in a list box a click selects it), and that
# row's height gives the others'.
click_list_row() # index x y w h [modifier]
{
    local x=$(($2 + $4 - 24)) top bottom
    xdotool mousemove --sync $((x - 1)) $(($3 + 4))
    xdotool mousemove --sync "$x" $(($3 + 5))
    local marked="[ \"\$(highlight_span $x $3 $5 | cut -d' ' -f1)\" -ge 0 ]"
    if ! wait_for 1 eval "$marked" && [ -z "${6:-}" ]; then
        # A list box marks no row on hover: a click selects the top row.
        xdotool click 1
        wait_for 5 eval "$marked" || true
    fi
    read -r top bottom < <(highlight_span "$x" "$3" "$5")
    [ "$top" -ge 0 ] || fail "no row of the list took the selection colour"
    local h=$((bottom - top + 1))
    local y=$(($3 + top + $1 * h + h / 2))
    if [ -n "${6:-}" ]; then
        xdotool mousemove --sync "$x" "$y" keydown "$6" click 1 keyup "$6"
    else
        xdotool mousemove --sync "$x" "$y" click 1
    fi
    settle 0.4
}

# Waits for a drop-down list to be on the screen.
wait_popup() { wait_for 10 popup_rect >/dev/null; }

# Clicks row i of the open drop-down list.
click_popup_row() # index
{
    local px py pw ph
    wait_popup || fail "no drop-down list is open"
    read -r px py pw ph < <(popup_rect)
    click_list_row "$1" "$px" "$py" "$pw" "$ph"
}

# The clipboard as another program sees it (fails when nobody serves it).
clipboard() { timeout 5 xclip -o -selection clipboard; }

expect_clipboard() # expected what
{
    local got
    wait_for 5 sh -c "[ \"\$(timeout 5 xclip -o -selection clipboard)\" = \"\$1\" ]" _ "$1" || true
    got=$(clipboard 2>/dev/null) || got="<nothing served>"
    expect_eq "$1" "$got" "$2"
}

# Saves a picture of a window (default: the main window) or of a screen area.
shot() # name [window | x y w h]
{
    [ -n "${E2E_SHOTS:-}" ] || return 0
    mkdir -p "$E2E_SHOTS"
    if [ $# -ge 5 ]; then
        import -window root -crop "$4x$5+$2+$3" +repage "$E2E_SHOTS/$1.png"
    else
        import -window "${2:-$MAIN_WIN}" "$E2E_SHOTS/$1.png"
    fi
    log "screenshot $E2E_SHOTS/$1.png"
}

# A picture of the main window's area of the screen, pop-ups included.
shot_area() # name
{
    local cx cy cw ch
    read -r cx cy cw ch < <(client_rect "$MAIN_WIN")
    shot "$1" "$cx" "$cy" "$cw" "$ch"
}

# Adds a library by the keyboard: Alt+A, the path typed into the picker, Enter.
add_library_by_keyboard() # path
{
    key alt+a
    local picker
    picker=$(wait_window '^Select Library Source$' 10) || fail "Alt+A opened no picker"
    activate "$picker"
    key ctrl+a
    type_text "$1"
    key Return
    wait_for 10 ini_has "$APP/Tovel.ini" Last Library "$1" || fail "the added library was not recorded"
    [ "$(count_windows '^Select Library Source$')" -eq 0 ] || fail "the picker stayed open"
    activate "$MAIN_WIN"
}

# Opens the function list by keyboard (Alt+F, then the given key), moves the
# selection to the wanted routine with the arrow keys and takes it with Enter.
choose_function_by_keyboard() # prototype open-key position
{
    key alt+f "$2"
    wait_popup || fail "$2 did not open the function list"
    key Home
    local i
    for ((i = 0; i < $3; i++)); do key Down; done
    key Return
    wait_for 5 ini_has "$APP/Tovel.ini" Last Choice "$1" \
        || fail "the choice was not recorded: [$(ini_get "$APP/Tovel.ini" Last Choice)]"
}

# Answers the question asked before a library folder's first tool program
# (default: Enter, which is Run) and waits for the box to close.
answer_tool_consent() # [key]
{
    wait_for 10 sh -c '[ "$(xdotool search --onlyvisible --name "^Tovel$" | wc -l)" -ge 2 ]' \
        || fail "no question came before the tool program ran"
    local box
    box=$(windows_named '^Tovel$' | grep -v "^$MAIN_WIN\$" | head -1)
    activate "$box"
    key "${1:-Return}"
    wait_for 10 sh -c '[ "$(xdotool search --onlyvisible --name "^Tovel$" | wc -l)" -eq 1 ]' \
        || fail "the question stayed"
}
