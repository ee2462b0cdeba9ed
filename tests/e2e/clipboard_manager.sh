#!/usr/bin/env bash
# Where the copied call lives. While Tovel runs it serves the clipboard
# itself; after it ends the text is gone, unless a clipboard manager runs
# (the owner of the CLIPBOARD_MANAGER selection), to which Tovel hands the
# text over on exit (the freedesktop clipboard-manager protocol, done by Qt).
# Two managers: clipboard_keeper.py, which keeps a text only when it is
# handed over, and xfce4-clipman, a desktop's manager.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
LIB="$APP/LibDev4410.s79"
INI="$APP/Tovel.ini"
printf '[Last]\nIntro=No\nLibrary=%s\n[Libraries]\n%s=Yes\n' "$LIB" "$LIB" > "$INI"
OWNER="$(dirname "$0")/selection_owner.py"
# Debian's Python, which sees Debian's python3-xlib.
PY=python3
[ -x /usr/bin/python3 ] && PY=/usr/bin/python3
owner() { "$PY" "$OWNER" "$1" | awk '{ print $2 }'; }
have_owner_check=0
command -v "$PY" >/dev/null && have_owner_check=1

copy_a_call() # position expected
{
    start_tovel
    key alt+f alt+Down
    wait_popup || fail "the function list did not open"
    key Home
    local i
    for ((i = 0; i < $1; i++)); do key Down; done
    key Return
    key Return              # Enter: Copy
    expect_clipboard "$2" "served while Tovel runs"
    if [ "$have_owner_check" = 1 ]; then
        [ "$(owner CLIPBOARD)" != 0x0 ] || fail "nobody owns the clipboard"
        TOVEL_OWNER=$(owner CLIPBOARD)
    fi
}

quit_and_time()
{
    local start=$SECONDS
    quit_with Escape
    log "Tovel took $((SECONDS - start)) s to end"
}

# Without a clipboard manager the text ends with the program.
[ "$have_owner_check" = 0 ] || [ "$(owner CLIPBOARD_MANAGER)" = 0x0 ] || fail "a clipboard manager already runs"
copy_a_call 13 "WdtKick()"
quit_and_time
if got=$(clipboard 2>/dev/null) && [ -n "$got" ]; then
    fail "without a clipboard manager the clipboard still holds [$got]"
fi
log "ok: without a clipboard manager the text is gone after exit"

# With a clipboard manager it outlives the program. First a minimal one that
# speaks only the hand-over protocol: it keeps the text only when Tovel hands
# it over on exit.
if "$PY" -c 'import Xlib' 2>/dev/null; then
    "$PY" "$(dirname "$0")/clipboard_keeper.py" "$WORK/kept.txt" "$WORK/keeper-ready" >"$WORK/keeper.log" 2>&1 &
    KEEPER=$!
    E2E_PIDS+=("$KEEPER")
    wait_for 10 test -f "$WORK/keeper-ready" || fail "the clipboard keeper did not start: $(cat "$WORK/keeper.log")"
    copy_a_call 2 "UartGetLine(0,,)"
    quit_and_time
    wait_for 5 test -s "$WORK/kept.txt" || fail "Tovel did not hand the clipboard over on exit"
    expect_eq "UartGetLine(0,,)" "$(cat "$WORK/kept.txt")" "text handed over on exit"
    expect_clipboard "UartGetLine(0,,)" "after Tovel ended, from the keeper"
    kill "$KEEPER"
    wait "$KEEPER" 2>/dev/null || true
    wait_for 5 sh -c '[ "$("$1" "$2" CLIPBOARD_MANAGER | awk "{ print \$2 }")" = 0x0 ]' _ "$PY" "$OWNER" \
        || fail "the keeper did not go away"
else
    log "python3-xlib is missing: the hand-over protocol is not checked on its own"
fi

# Then a clipboard manager of a desktop.
command -v xfce4-clipman >/dev/null || skip "xfce4-clipman is not installed"
xfce4-clipman >"$WORK/clipman.log" 2>&1 &
E2E_PIDS+=($!)
if [ "$have_owner_check" = 1 ]; then
    wait_for 20 sh -c '[ "$("$1" "$2" CLIPBOARD_MANAGER | awk "{ print \$2 }")" != 0x0 ]' _ "$PY" "$OWNER" \
        || fail "the clipboard manager did not take the CLIPBOARD_MANAGER selection"
    log "ok: clipboard manager runs"
else
    settle 3
fi
copy_a_call 7 "PwmSetDuty(0,)"
quit_and_time
expect_clipboard "PwmSetDuty(0,)" "after Tovel ended, from xfce4-clipman"
if [ "$have_owner_check" = 1 ]; then
    [ "$(owner CLIPBOARD)" != "$TOVEL_OWNER" ] || fail "the clipboard still names Tovel's window"
fi
log "passed"
