#!/usr/bin/env bash
# CI step: every C++ source file is formatted as .clang-format says.
# Called as: bash scripts/ci.d/format.sh [BUILD_DIR ASAN_BUILD_DIR] (both unused).
# Prints each file that clang-format would change with the lines it would
# change, and fails when there is one. To format a file:
#   clang-format -i FILE
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$here"

format=${CLANG_FORMAT:-}
if [ -z "$format" ]; then
    for candidate in clang-format-14 clang-format; do
        if command -v "$candidate" >/dev/null; then
            format=$candidate
            break
        fi
    done
fi
if [ -z "$format" ]; then
    echo "clang-format not found: install the packages in scripts/packages.d/format.txt" >&2
    exit 2
fi

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
        'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h')
else
    mapfile -t files < <(find src tests bench fuzz -name '*.cpp' -o -name '*.h' | sort)
fi

unformatted=0
lines=0
for file in "${files[@]}"; do
    [ -f "$file" ] || continue
    changes=$("$format" --style=file "$file" | diff -u "$file" - || true)
    if [ -n "$changes" ]; then
        count=$(grep -c '^-[^-]' <<<"$changes" || true)
        echo "not formatted: $file ($count lines)"
        unformatted=$((unformatted + 1))
        lines=$((lines + count))
    fi
done
if [ "$unformatted" -ne 0 ]; then
    echo "== $unformatted of ${#files[@]} files are not formatted ($lines lines would change); see 'clang-format -i FILE'"
    exit 1
fi
echo "== all ${#files[@]} files are formatted"
