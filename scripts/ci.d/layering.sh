#!/usr/bin/env bash
# CI step: every #include in src/ points down the layers (scripts/check_layering.py).
# Called as: bash scripts/ci.d/layering.sh [BUILD_DIR ASAN_BUILD_DIR] (both unused).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
exec python3 "$here/scripts/check_layering.py" "$here"
