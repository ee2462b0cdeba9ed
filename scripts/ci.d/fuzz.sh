#!/usr/bin/env bash
# CI step: every fuzz target briefly (about 30 s each) with clang, libFuzzer
# and the sanitizers. Called as: bash scripts/ci.d/fuzz.sh BUILD_DIR ASAN_BUILD_DIR
# The fuzz build goes beside the normal one, as BUILD_DIR-fuzz.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$here/build}
FUZZ_BUILD_DIR="${build%/}-fuzz" exec bash "$here/scripts/fuzz.sh" "${FUZZ_SECONDS:-30}"
