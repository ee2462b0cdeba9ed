#!/usr/bin/env bash
# CI step: cross-build the Qt-free logic library, tovel-cli and the logic
# tests for 64-bit Windows with MinGW-w64, then run the tests under Wine.
# Called as: bash scripts/ci.d/windows.sh BUILD_DIR ASAN_BUILD_DIR
# The Windows build goes beside the normal one, as BUILD_DIR-windows.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$here/build}
win="${build%/}-windows"
launcher=()
if command -v ccache > /dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
jobs=${TOVEL_JOBS:-2}
start=$SECONDS

# GoogleTest from the source Debian ships, built once for the target.
gtest_src=/usr/src/googletest
if [ ! -f "$win/gtest/lib/libgtest.a" ]; then
  cmake -S "$gtest_src" -B "$win/gtest-build" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DCMAKE_INSTALL_PREFIX="$win/gtest" "${launcher[@]}" > /dev/null
  cmake --build "$win/gtest-build" -j"$jobs" > /dev/null
  cmake --install "$win/gtest-build" > /dev/null
fi

cmake -S "$here" -B "$win/tovel" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DTOVEL_BUILD_GUI=OFF -DTOVEL_BUILD_BENCH=OFF \
  -DCMAKE_PREFIX_PATH="$win/gtest" "${launcher[@]}" > /dev/null
cmake --build "$win/tovel" -j"$jobs" --target tovel_logic tovel-cli tovel_tests

# Wine as root in CI: a private prefix, no debug chatter, no display needed
# for console programs.
export WINEPREFIX="${TOVEL_WINEPREFIX:-$(mktemp -d)}"
export WINEDEBUG=-all
unset DISPLAY
# A fresh prefix is set up by the first program started in it; a test run
# that overlaps that setup can lose its connection to the Wine server. The
# prefix is made first, and the server left to finish, before any test.
wineboot --init >/dev/null 2>&1 || true
wineserver --wait
wine "$win/tovel/tests/tovel_tests.exe" --gtest_brief=1
wine "$win/tovel/tovel-cli.exe" --help > /dev/null
echo "Windows build and tests under Wine: $((SECONDS - start)) s"
