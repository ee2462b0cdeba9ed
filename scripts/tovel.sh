#!/usr/bin/env bash
# Sets up a Debian 12 machine for Tovel, builds it, and starts it or runs the tests.
#   scripts/tovel.sh run    install what is missing, build, start Tovel
#   scripts/tovel.sh test   install what is missing, build, run every test
#                           (a normal build and an AddressSanitizer + UBSan build)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
jobs=$(nproc 2>/dev/null || echo 2)

packages=(build-essential cmake pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev
          libbenchmark-dev xvfb xauth)
# Parts of the project add the Debian packages they need, one name a line.
for list in "$here"/scripts/packages.d/*.txt; do
    [ -f "$list" ] || continue
    while read -r name rule command _; do
        case "$name" in ''|'#'*) continue ;; esac
        # "NAME unless-command CMD": only when CMD is not on PATH already.
        if [ "$rule" = unless-command ] && command -v "$command" >/dev/null; then continue; fi
        packages+=("$name")
    done < "$list"
done

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# The builds are the presets of CMakePresets.json: dev in build/, asan in
# build-asan/. A compiler launcher (ccache) is used when
# CMAKE_CXX_COMPILER_LAUNCHER is set in the environment.
build() { # preset
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" -j "$jobs"
}

run_tests() { # preset
    ctest --preset "$1" -j "$jobs"
}

case "${1:-}" in
run)
    install_missing
    build dev
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "No display is available, so here is Tovel's main job with tovel-cli (start the window on a desktop with $here/build/Tovel)."
        cli="$here/build/tovel-cli"
        library="$here/build/LibDev4410.s79"
        echo
        echo "\$ tovel-cli list $library"
        "$cli" list "$library"
        echo
        echo "\$ tovel-cli params $library PwmSetDuty"
        "$cli" params "$library" PwmSetDuty
        echo
        echo "\$ tovel-cli call $library PwmSetDuty 2 75"
        "$cli" call "$library" PwmSetDuty 2 75
        exit 0
    fi
    exec "$here/build/Tovel"
    ;;
test)
    install_missing
    echo "== Normal build"
    build dev
    run_tests dev
    echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
    build asan
    run_tests asan
    # Further checks of the project's parts (fuzzing, end-to-end runs), each a script.
    for step in "$here"/scripts/ci.d/*.sh; do
        [ -f "$step" ] || continue
        echo "== $(basename "$step" .sh)"
        bash "$step" "$here/build" "$here/build-asan"
    done
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
