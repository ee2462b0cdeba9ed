#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang and libFuzzer, under
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs each for a while
# on its seed corpus.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
#   SECONDS          run time per target (default 30)
#   TARGET           e.g. settings_fuzz (default: every fuzz/*_fuzz.cpp)
#   FUZZ_BUILD_DIR   build folder (default: build-fuzz in the source tree)
#   FUZZ_JOBS        targets run at the same time (default 1)
#
# New inputs the fuzzer finds go to FUZZ_BUILD_DIR/corpus/<target>, never
# into fuzz/corpus; a crashing input is saved as
# FUZZ_BUILD_DIR/artifacts/<target>/crash-... and can be replayed with
# "FUZZ_BUILD_DIR/fuzz/<target> <file>". The exit status is not 0 when any
# target crashed, leaked, hung or reported undefined behaviour.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-30}
shift || true
build=${FUZZ_BUILD_DIR:-$here/build-fuzz}
jobs=${FUZZ_JOBS:-1}

case "$seconds" in
    ''|*[!0-9]*) echo "usage: $0 [SECONDS] [TARGET...]" >&2; exit 2 ;;
esac

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in "$here"/fuzz/*_fuzz.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi

cxx=${FUZZ_CXX:-clang++}
if ! command -v "$cxx" >/dev/null; then
    echo "$cxx not found: install the packages in scripts/packages.d/fuzz.txt" >&2
    exit 2
fi

echo "== Building ${#targets[@]} fuzz targets in $build"
# The fuzz preset of CMakePresets.json, in the chosen folder and with the chosen compiler.
(cd "$here" && cmake --preset fuzz -B "$build" -DCMAKE_CXX_COMPILER="$cxx" >/dev/null)
cmake --build "$build" --target "${targets[@]}" -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
mkdir -p "$build/logs"

run_one() { # target
    local t=$1
    local work="$build/corpus/$t" artifacts="$build/artifacts/$t"
    mkdir -p "$work" "$artifacts"
    local scratch
    scratch=$(mktemp -d)
    # A target whose rules concern size says how large its inputs may grow
    # ("// fuzz-max-len: N" in its source); libFuzzer's default is 4096 bytes.
    local maxlen=()
    local declared
    declared=$(sed -n 's|^// fuzz-max-len: *\([0-9][0-9]*\).*|\1|p' "$here/fuzz/$t.cpp" | head -n 1)
    [ -z "$declared" ] || maxlen=(-max_len="$declared")
    # Scratch files of the targets go to a folder of their own.
    if TMPDIR="$scratch" "$build/fuzz/$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 "${maxlen[@]}" \
        -print_final_stats=1 -artifact_prefix="$artifacts/" \
        "$work" "$here/fuzz/corpus/$t" >"$build/logs/$t.log" 2>&1; then
        local runs
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/logs/$t.log" | tail -n 1)
        echo "ok    $t: ${runs:-?} runs in ${seconds} s"
        rm -rf "$scratch"
        return 0
    fi
    rm -rf "$scratch"
    echo "FAIL  $t (log: $build/logs/$t.log, inputs: $artifacts)"
    grep -E 'ERROR|runtime error|check failed|SUMMARY|Test unit written' "$build/logs/$t.log" | head -n 20 || true
    return 1
}

echo "== Running each target for $seconds s ($jobs at a time)"
failed=0
running=0
for t in "${targets[@]}"; do
    if [ ! -x "$build/fuzz/$t" ]; then
        echo "FAIL  $t: no such target" >&2
        failed=1
        continue
    fi
    run_one "$t" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || failed=1
        running=$((running - 1))
    fi
done
while [ "$running" -gt 0 ]; do
    wait -n || failed=1
    running=$((running - 1))
done

if [ "$failed" -ne 0 ]; then
    echo "== Fuzzing found problems"
    exit 1
fi
echo "== Fuzzing found no problems"
