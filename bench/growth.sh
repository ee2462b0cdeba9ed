#!/usr/bin/env bash
# Growth check: times tovel-cli (and Tovel's start-up) on inputs of size N
# and 2N and prints how much longer the doubled input takes. Work that grows
# with the input stays near 2x; a ratio well above that (4x is quadratic)
# points at work that grows faster than the input. Times are the best of
# three runs; this prints figures, it is not a timed test.
#
#   bench/growth.sh [BUILD_DIR]
#
# BUILD_DIR defaults to <repo>/build-bench (as bench/compare.sh uses); the
# targets it needs are built there. TOVEL_GROWTH_N sets N (default 50000),
# TOVEL_GROWTH_LIBRARIES the libraries listed for start-up (default 2000).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build-bench}
n=${TOVEL_GROWTH_N:-50000}
libs=${TOVEL_GROWTH_LIBRARIES:-2000}
data=$build/growth-data

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTOVEL_BUILD_TESTS=OFF -DTOVEL_BUILD_BENCH=ON >/dev/null
fi
targets=(tovel-cli tovel_genlib)
grep -q '^TOVEL_BUILD_GUI:BOOL=ON' "$build/CMakeCache.txt" && targets+=(Tovel)
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}" >/dev/null
cli=$build/tovel-cli
genlib=$build/bench/tovel_genlib

rm -rf "$data"
mkdir -p "$data"

# Seconds of the best of three runs of the command (its output is dropped;
# its exit status does not matter: check reports findings with status 1).
best() {
    local best_ns="" start end
    for _ in 1 2 3; do
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1 || true
        end=$(date +%s%N)
        if [ -z "$best_ns" ] || [ $((end - start)) -lt "$best_ns" ]; then best_ns=$((end - start)); fi
    done
    awk -v ns="$best_ns" 'BEGIN { printf "%.3f", ns / 1e9 }'
}

rows=()
measure() { # label size small-command... -- large-command...
    local label=$1 size=$2
    shift 2
    local small=() large=()
    while [ "$1" != "--" ]; do small+=("$1"); shift; done
    shift
    large=("$@")
    local a b
    a=$(best "${small[@]}")
    b=$(best "${large[@]}")
    local r verdict
    r=$(awk -v a="$a" -v b="$b" 'BEGIN { printf "%.2f", (a > 0.001 ? b / a : 1) }')
    verdict=$(awk -v r="$r" 'BEGIN { print (r <= 2.6) ? "yes" : "**no**" }')
    rows+=("| $label | $size | ${a} s | ${b} s | ${r}x | $verdict |")
    echo "  $label: $a s -> $b s (${r}x)" >&2
}

# Libraries of N and 2N routines: generated ones, one where every routine
# has the same name, and a header whose declarations share one source file.
for size in "$n" $((2 * n)); do
    "$genlib" asm "$size" "$data/asm-$size.s79" >/dev/null
    awk -v n="$size" 'BEGIN { for (i = 0; i < n; i++) printf "; C Function prototype: int F(int a%d)\n; a%d:{0-9}\n END\n", i, i }' >"$data/same-$size.s79"
    mkdir -p "$data/hdr-$size"
    awk -v n="$size" 'BEGIN { for (i = 0; i < n; i++) printf "int F(int a%d);\n", i }' >"$data/hdr-$size/lib.h"
    awk -v n="$size" 'BEGIN { for (i = 0; i < n; i++) printf "; C Function prototype: int F(int a%d);\n; a%d:{0-9}\n END\n", i, i }' >"$data/hdr-$size/F.s"
    # Prototypes that differ only in letter case, in turn (equal ones are
    # never neighbours in the sorted list).
    awk -v n="$size" 'BEGIN { for (i = 0; i < n; i++) printf "; C Function prototype: void %s(char a)\n; a:{0-9}\n END\n", (i % 2 ? "f" : "F") }' >"$data/alike-$size.s79"
done
printf 'void g(void) { F(1); f(2); F(10); }\n' >"$data/calls.c"
# A C file of N and 2N lines of calls, some out of range, against one routine.
printf '; C Function prototype: int F(int a)\n; a:{0-9}\n END\n' >"$data/one.s79"
for size in "$n" $((2 * n)); do
    awk -v n="$size" 'BEGIN { for (i = 0; i < n; i++) printf "    F(%d); /* call %d */\n", i % 12, i }' >"$data/calls-$size.c"
done
big=$((2 * n))
# A language server session per size: the library is read, one completion
# at the start of a call is answered, and the server exits. The libraries
# are dated back, since one changed in the last two seconds is read again.
frame() { printf 'Content-Length: %d\r\n\r\n%s' "${#1}" "$1"; }
for size in "$n" "$big"; do
    touch -d '1 minute ago' "$data/asm-$size.s79"
    uri="file://$data/calls.c"
    {
        frame '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{},"initializationOptions":{"libraries":["'"$data/asm-$size.s79"'"]}}}'
        frame '{"jsonrpc":"2.0","method":"initialized","params":{}}'
        frame '{"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"'"$uri"'","languageId":"c","version":1,"text":"void g(void)\n{\n    \n}\n"}}}'
        frame '{"jsonrpc":"2.0","id":2,"method":"textDocument/completion","params":{"textDocument":{"uri":"'"$uri"'"},"position":{"line":2,"character":4}}}'
        frame '{"jsonrpc":"2.0","id":3,"method":"shutdown"}'
        frame '{"jsonrpc":"2.0","method":"exit"}'
    } >"$data/lsp-$size.in"
done

echo "== Growth from $n to $big routines" >&2
measure "list" "$n" "$cli" list "$data/asm-$n.s79" -- "$cli" list "$data/asm-$big.s79"
measure "check" "$n" "$cli" check "$data/asm-$n.s79" -- "$cli" check "$data/asm-$big.s79"
measure "check, every routine named F" "$n" "$cli" check "$data/same-$n.s79" -- "$cli" check "$data/same-$big.s79"
measure "check, header with one shared source" "$n" "$cli" check "$data/hdr-$n/lib.h" -- "$cli" check "$data/hdr-$big/lib.h"
measure "show, unknown name" "$n" "$cli" show "$data/asm-$n.s79" NoSuchRoutine -- "$cli" show "$data/asm-$big.s79" NoSuchRoutine
measure "show, ambiguous name" "$n" "$cli" show "$data/same-$n.s79" F -- "$cli" show "$data/same-$big.s79" F
measure "snippets" "$n" "$cli" snippets "$data/asm-$n.s79" -- "$cli" snippets "$data/asm-$big.s79"
measure "snippets, F and f in turn" "$n" "$cli" snippets "$data/alike-$n.s79" -- "$cli" snippets "$data/alike-$big.s79"
measure "lint, F and f in turn" "$n" "$cli" lint -l "$data/alike-$n.s79" "$data/calls.c" -- "$cli" lint -l "$data/alike-$big.s79" "$data/calls.c"
measure "lint, a C file of N calls" "$n" "$cli" lint -l "$data/one.s79" "$data/calls-$n.c" -- "$cli" lint -l "$data/one.s79" "$data/calls-$big.c"
measure "lsp, read the library and complete once" "$n" sh -c "'$cli' lsp <'$data/lsp-$n.in'" -- sh -c "'$cli' lsp <'$data/lsp-$big.in'"
measure "lint, every routine named F" "$n" "$cli" lint -l "$data/same-$n.s79" "$data/calls.c" -- "$cli" lint -l "$data/same-$big.s79" "$data/calls.c"

if [ -x "$build/Tovel" ]; then
    # Start-up with many libraries listed, each a small present file.
    for count in "$libs" $((2 * libs)); do
        app=$data/app-$count
        mkdir -p "$app/libs"
        cp "$build/Tovel" "$app/"
        cp -r "$here/companion/." "$app/"
        "$genlib" asm 10 "$app/libs/lib.s79" >/dev/null
        {
            printf '[Last]\r\nIntro=no\r\nLibrary=%s\r\n[Libraries]\r\n' "$app/libs/lib-0.s79"
            for ((i = 0; i < count; i++)); do
                cp "$app/libs/lib.s79" "$app/libs/lib-$i.s79"
                printf '%s=Yes\r\n' "$app/libs/lib-$i.s79"
            done
        } >"$app/Tovel.ini"
    done
    (
        export QT_QPA_PLATFORM=offscreen TOVEL_QUIT_AFTER_SHOW=1
        measure "start-up, libraries listed" "$libs" "$data/app-$libs/Tovel" -- "$data/app-$((2 * libs))/Tovel"
        printf '%s\n' "${rows[-1]}" >"$data/startup-row"
    )
    rows+=("$(cat "$data/startup-row")")
fi

# call --copy hands the call to a clipboard program whose owner stays
# behind (as xclip's does); tovel-cli must not wait for that owner.
mkdir -p "$data/bin"
printf '#!/bin/sh\n/bin/cat >/dev/null\n/bin/sleep 5 &\nexit 0\n' >"$data/bin/xclip"
chmod +x "$data/bin/xclip"
copy=$(best env -u WAYLAND_DISPLAY PATH="$data/bin" DISPLAY=:7 "$cli" call --copy "$data/one.s79" F 5)

echo
echo "call --copy with a clipboard owner that stays 5 s: $copy s (best of 3; near 0 means it is not waited for)"
echo
echo "Growth check: the time for 2N over the time for N (best of 3 runs; about 2x is linear)."
echo
echo "| Command | N | Time for N | Time for 2N | Ratio | Near 2x |"
echo "| --- | --- | --- | --- | --- | --- |"
printf '%s\n' "${rows[@]}"
