#!/usr/bin/env bash
# CI step: the portable build (preset `portable`, TOVEL_PORTABLE=ON, in
# build-portable/): the logic, tovel-cli and the logic tests compiled with
# every plain C++ fallback in place of the SIMD paths, 128-bit integers and
# compiler built-ins, then the logic tests run.
# Called as: bash scripts/ci.d/portable.sh [BUILD_DIR ASAN_BUILD_DIR] (both unused).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$here"
jobs=${TOVEL_JOBS:-2}
start=$SECONDS
cmake --preset portable > /dev/null
cmake --build --preset portable -j"$jobs"
ctest --preset portable -j"$jobs" --progress --output-on-failure
echo "Portable build and logic tests: $((SECONDS - start)) s"
