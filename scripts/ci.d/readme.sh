#!/usr/bin/env bash
# CI step: the README's start command works on the tree as built, both
# ways it can go: without a display it shows tovel-cli's road on the sample
# library; with one it starts the window (offscreen here, closed as soon as
# it is shown). Both must find the programs and companion files where the
# README says they are.
# Called as: bash scripts/ci.d/readme.sh [BUILD_DIR ASAN_BUILD_DIR] (both unused).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

out=$(env -u DISPLAY -u WAYLAND_DISPLAY bash "$here/scripts/tovel.sh" run 2>&1) || {
    echo "$out" >&2
    echo "readme: 'scripts/tovel.sh run' without a display failed" >&2
    exit 1
}
grep -qx 'PwmSetDuty(2,75)' <<<"$out" || {
    echo "$out" >&2
    echo "readme: the command-line road did not end in PwmSetDuty(2,75)" >&2
    exit 1
}

# A first start opens the introduction through xdg-open: a stand-in on
# PATH takes it. A settings file the run creates is removed again, so the
# user's own first start still shows the introduction.
stub=$(mktemp -d)
settings=$here/build/Tovel.ini
had_settings=no
[ -e "$settings" ] && had_settings=yes
cleanup() {
    rm -rf "$stub"
    if [ $had_settings = no ]; then rm -f "$settings" "$here/build/.Tovel.ini.lock"; fi
}
trap cleanup EXIT
printf '#!/bin/sh\nexit 0\n' >"$stub/xdg-open"
chmod +x "$stub/xdg-open"
[ -x "$here/build/Tovel" ] || { echo "readme: build/Tovel is missing" >&2; exit 1; }
PATH="$stub:$PATH" DISPLAY=:ci-readme QT_QPA_PLATFORM=offscreen TOVEL_QUIT_AFTER_SHOW=1 timeout 60 \
    bash "$here/scripts/tovel.sh" run >/dev/null 2>"$stub/stderr" || {
    cat "$stub/stderr" >&2
    echo "readme: 'scripts/tovel.sh run' did not start and close the window" >&2
    exit 1
}
echo "readme: both roads of 'scripts/tovel.sh run' work"
