#!/usr/bin/env bash
# Runs one real editor against `tovel-cli lsp`:
#   run_editor.sh nvim|emacs TOVEL_CLI LIBRARY
# in a fresh folder that is also HOME and every XDG folder, so no user
# configuration is read. Exit status 77 (skipped) only when the editor is not
# installed. The editor's log of the messages exchanged is printed on a
# failure, and copied to $EDITOR_TRANSCRIPT when that is set.
set -uo pipefail

editor=$1 cli=$2 library=$3 transcript=${EDITOR_TRANSCRIPT:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
limit=${EDITOR_TEST_TIMEOUT:-120}

case "$editor" in
nvim) program=nvim ;;
emacs) program=emacs ;;
*) echo "unknown editor: $editor" >&2; exit 2 ;;
esac
if ! command -v "$program" >/dev/null; then
    echo "$program is not installed: skipped"
    exit 77
fi
[ -x "$cli" ] || { echo "no server program at $cli" >&2; exit 2; }
[ -f "$library" ] || { echo "no library at $library" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/tovel-editor.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/config" "$work/data" "$work/state" "$work/cache" "$work/project"
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data \
       XDG_STATE_HOME=$work/state XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/state
unset VIMINIT EXINIT MYVIMRC EMACSLOADPATH

# The project: the sample library beside a C file that uses it. The editor
# scripts type into the sixth line.
cp "$library" "$work/project/LibDev4410.s79"
cat >"$work/project/board.c" <<'EOF'
/* Brings up the board's UART and PWM. */
#include "LibDev4410.h"

void board_setup(void)
{
    PwmSetDuty(2, 75);
}
EOF
export TOVEL_CLI=$cli TOVEL_LIBRARY=$work/project/LibDev4410.s79 TOVEL_SOURCE=$work/project/board.c
export TOVEL_LOG=$work/messages.log

cd "$work/project" || exit 2
case "$editor" in
nvim)
    timeout -k 5 "$limit" nvim --headless -u NONE -i NONE -n -S "$here/nvim_lsp.lua" </dev/null
    status=$?
    # Neovim's log holds the messages sent and received among other lines.
    log=$(find "$work/cache" -name lsp.log | head -n 1)
    [ -n "$log" ] && grep -E '"rpc\.(send|receive)"' "$log" >"$TOVEL_LOG"
    ;;
emacs)
    timeout -k 5 "$limit" emacs -Q --batch -l "$here/eglot_lsp.el" </dev/null
    status=$?
    ;;
esac

[ "$status" -eq 124 ] && echo "FAIL: $editor did not finish within $limit s"
if [ -f "$TOVEL_LOG" ]; then
    [ -n "$transcript" ] && cp "$TOVEL_LOG" "$transcript"
    if [ "$status" -ne 0 ]; then
        echo "--- messages exchanged (last 200 lines)"
        tail -n 200 "$TOVEL_LOG"
    fi
fi
# 77 is the skip code; an editor that happens to end with it has failed.
[ "$status" -eq 77 ] && status=1
exit "$status"
