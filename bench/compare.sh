#!/usr/bin/env bash
# Times Tovel against its peers on generated libraries and prints the table
# of docs/performance.md. One command does everything:
#   bench/compare.sh
# It installs what is missing (hyperfine, universal-ctags, GNU time and the
# build tools, with apt-get), builds the Release targets it needs, generates
# assembler and header libraries of 1,000, 10,000 and 100,000 routines and
# runs, in this one run:
#   - Tovel's scan to the sorted function list against `grep | sort -f` (the
#     Unix pipeline doing the same job) and against `grep -c` (reading the
#     bytes once, the floor), and header libraries against `ctags -x`;
#   - the peak memory of scanning the 100,000-routine library;
#   - opening the function list of the 100,000-routine library in the dialog
#     (offscreen), the file just changed, against a stock QComboBox given
#     the same texts, and the file unchanged since the last opening;
#   - Show (click to the source view painted) at 10,000 and 100,000 routines;
#   - start-up to the first shown main window against a bare QDialog program
#     (plus tovel_scan's time on the same library, the scan start-up needs),
#     and Tovel's peak memory at start-up against its own without a library;
#   - the Google Benchmark timings of the logic.
# Settings (environment): TOVEL_BENCH_BUILD build folder (default
# <repo>/build-bench), TOVEL_BENCH_RUNS timed runs per command (default 20),
# TOVEL_BENCH_DIALOG_RUNS dialog openings (default 7).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TOVEL_BENCH_BUILD:-$here/build-bench}
runs=${TOVEL_BENCH_RUNS:-20}
dialog_runs=${TOVEL_BENCH_DIALOG_RUNS:-7}
jobs=$(nproc 2>/dev/null || echo 2)
data=$build/bench-data
results=$build/bench-results.md

# ---- what the run needs ----
packages=(build-essential cmake pkg-config qt6-base-dev libgl-dev libbenchmark-dev
          hyperfine universal-ctags time clangd-14 nlohmann-json3-dev python3)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

load_start=$(cut -d' ' -f1-3 /proc/loadavg)
echo "== Building (Release) in $build"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTOVEL_BUILD_TESTS=OFF -DTOVEL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$jobs" --target Tovel tovel-cli tovel_genlib tovel_scan tovel_logic_bench \
    tovel_dialog_bench tovel_bare_dialog >/dev/null
bin=$build/bench

# The peers run in the C locale, their fastest; it is also the byte order
# that Tovel's case-insensitive sort follows.
export LC_ALL=C
rm -rf "$data"
mkdir -p "$data"

echo "== Generating libraries in $data"
sizes=(1000 10000 100000)
declare -A listed_asm listed_hdr
for n in "${sizes[@]}"; do
    listed_asm[$n]=$("$bin/tovel_genlib" asm "$n" "$data/asm-$n.s79")
    listed_hdr[$n]=$("$bin/tovel_genlib" header "$n" "$data/hdr-$n.h")
    # The peers must find what Tovel lists, or the comparison means nothing.
    got=$("$bin/tovel_scan" "$data/asm-$n.s79" | wc -l)
    peer=$(grep -c '^; C Function prototype:' "$data/asm-$n.s79")
    [ "$got" -eq "${listed_asm[$n]}" ] && [ "$peer" -eq "$got" ] || { echo "asm-$n: Tovel lists $got, grep finds $peer" >&2; exit 1; }
    got=$("$bin/tovel_scan" "$data/hdr-$n.h" | wc -l)
    [ "$got" -eq "${listed_hdr[$n]}" ] || { echo "hdr-$n: Tovel lists $got, expected ${listed_hdr[$n]}" >&2; exit 1; }
done
"$bin/tovel_genlib" asm 0 "$data/asm-0.s79" >/dev/null

# Median seconds of each command of a hyperfine CSV export, one a line, in
# order (median is the fifth column from the end).
medians() { tail -n +2 "$1" | awk -F, '{ print $(NF-4) }'; }
ms() { awk -v s="$1" 'BEGIN { printf "%.1f", s * 1000 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { # value op limit
    awk -v v="$1" -v l="$3" -v op="$2" 'BEGIN { ok = (op == "<=") ? (v <= l) : (v >= l); print ok ? "yes" : "**no**" }'
}
timeit() { # csv command...
    local csv=$1; shift
    # Output goes through a pipe: grep stops at its first match when it
    # sees that its output is /dev/null.
    hyperfine -N --style none --output=pipe --warmup 3 --runs "$runs" --export-csv "$csv" "$@" >/dev/null 2>&1
}

rows=()
row() { rows+=("| $1 | $2 | $3 | $4 | $5 | $6 | $7 |"); }

echo "== Scanning assembler libraries: tovel_scan, grep | sort -f, grep -c"
declare -A scan_ms
for n in "${sizes[@]}"; do
    f=$data/asm-$n.s79
    timeit "$data/scan-$n.csv" "$bin/tovel_scan $f" \
        "sh -c \"grep '^; C Function prototype:' $f | sort -f\"" \
        "grep -c '^; C Function prototype:' $f"
    mapfile -t m < <(medians "$data/scan-$n.csv")
    scan_ms[$n]=$(ms "${m[0]}")
    r1=$(ratio "${m[0]}" "${m[1]}")
    r2=$(ratio "${m[0]}" "${m[2]}")
    row "Scan to sorted list, assembler" "$n" "$(ms "${m[0]}") ms" "grep \\| sort -f: $(ms "${m[1]}") ms" "${r1}x" "<= 0.4x" "$(verdict "$r1" '<=' 0.4)"
    row "Scan to sorted list, assembler" "$n" "$(ms "${m[0]}") ms" "grep -c (floor): $(ms "${m[2]}") ms" "${r2}x" "<= 4x" "$(verdict "$r2" '<=' 4)"
done

echo "== Scanning header libraries: tovel_scan, ctags -x --c-kinds=p"
declare -A hdr_ms
for n in "${sizes[@]}"; do
    f=$data/hdr-$n.h
    timeit "$data/hdr-$n.csv" "$bin/tovel_scan $f" "ctags -x --c-kinds=p $f"
    mapfile -t m < <(medians "$data/hdr-$n.csv")
    hdr_ms[$n]=$(ms "${m[0]}")
    speedup=$(ratio "${m[1]}" "${m[0]}")
    row "Scan to sorted list, header" "$n" "$(ms "${m[0]}") ms" "ctags -x: $(ms "${m[1]}") ms" "${speedup}x faster" ">= 5x faster" "$(verdict "$speedup" '>=' 5)"
done

echo "== Growth with the number of routines"
for kind in asm hdr; do
    if [ $kind = asm ]; then label="assembler"; a=${scan_ms[10000]}; b=${scan_ms[100000]}; else label="header"; a=${hdr_ms[10000]}; b=${hdr_ms[100000]}; fi
    g=$(ratio "$b" "$a")
    row "Growth 10,000 -> 100,000 routines, $label scan" "10x" "${g}x the time" "" "" "<= about 10x" "$(verdict "$g" '<=' 11)"
done

echo "== Peak memory of scanning the 100,000-routine library"
peak_kib() { # file: median of 5 runs of the maximum resident set, KiB
    for _ in 1 2 3 4 5; do
        /usr/bin/time -f %M "$bin/tovel_scan" "$1" 2>&1 >/dev/null | tail -n 1
    done | sort -n | sed -n 3p
}
base=$(peak_kib "$data/asm-0.s79")
peak=$(peak_kib "$data/asm-100000.s79")
size_kib=$(( $(stat -c %s "$data/asm-100000.s79") / 1024 ))
mem=$(ratio "$((peak - base))" "$size_kib")
row "Peak memory above baseline, assembler scan" "100000" "$(( (peak - base) / 1024 )) MiB" "file: $(( size_kib / 1024 )) MiB" "${mem}x the file" "< 3x" "$(verdict "$mem" '<=' 3)"
peak_h=$(peak_kib "$data/hdr-100000.h")
size_h=$(( $(stat -c %s "$data/hdr-100000.h") / 1024 ))
mem_h=$(ratio "$((peak_h - base))" "$size_h")
row "Peak memory above baseline, header scan" "100000" "$(( (peak_h - base) / 1024 )) MiB" "file: $(( size_h / 1024 )) MiB" "${mem_h}x the file" "< 3x" "$(verdict "$mem_h" '<=' 3)"

echo "== Opening the function list in the dialog (offscreen)"
dialog_out=$(QT_QPA_PLATFORM=offscreen "$bin/tovel_dialog_bench" "$data/asm-100000.s79" "$dialog_runs" 2>/dev/null)
key() { awk -v k="$1" '$1 == k { print $2 }' <<<"$dialog_out"; }
d_ratio=$(key open_list_ratio)
row "Open the function list, library just changed (rescan + fill + popup)" "100000" "$(key open_list_tovel_ms) ms (handler $(key open_list_tovel_handler_ms) ms)" "QComboBox addItems + showPopup: $(key open_list_stock_ms) ms" "${d_ratio}x" "<= 0.5x" "$(verdict "$d_ratio" '<=' 0.5)"
row "Open the function list, library just changed (rescan + fill + popup), time" "100000" "$(key open_list_tovel_ms) ms" "" "" "<= 50 ms" "$(verdict "$(key open_list_tovel_ms)" '<=' 50)"
row "Open the function list, library unchanged since the last opening (list kept), time" "100000" "$(key open_list_kept_ms) ms" "" "" "<= 50 ms" "$(verdict "$(key open_list_kept_ms)" '<=' 50)"
row "Show: click to the source view painted (whole library)" "100000" "$(key show_ms) ms" "" "" "<= 50 ms" "$(verdict "$(key show_ms)" '<=' 50)"
dialog_out10=$(QT_QPA_PLATFORM=offscreen "$bin/tovel_dialog_bench" "$data/asm-10000.s79" "$dialog_runs" 2>/dev/null)
key10() { awk -v k="$1" '$1 == k { print $2 }' <<<"$dialog_out10"; }
gl=$(ratio "$(key open_list_tovel_ms)" "$(key10 open_list_tovel_ms)")
gs=$(ratio "$(key show_ms)" "$(key10 show_ms)")
row "Growth 10,000 -> 100,000 routines, opening the function list" "10x" "${gl}x the time ($(key10 open_list_tovel_ms) ms at 10,000)" "" "" "<= about 10x" "$(verdict "$gl" '<=' 11)"
row "Growth 10,000 -> 100,000 routines, Show" "10x" "${gs}x the time ($(key10 show_ms) ms at 10,000)" "" "" "<= about 10x" "$(verdict "$gs" '<=' 11)"

echo "== Start-up to the first shown window (offscreen), and its peak memory"
# One program folder per library size (the settings file lies beside the
# program); "0" has no library at all, Tovel's own baseline.
startup_app() { # n: the folder, made once
    local app=$data/app-$1
    if [ ! -d "$app" ]; then
        mkdir -p "$app"
        cp "$build/Tovel" "$app/"
        cp -r "$here/companion/." "$app/"
        if [ "$1" -eq 0 ]; then
            printf '[Last]\r\nIntro=no\r\n' >"$app/Tovel.ini"
        else
            printf '[Last]\r\nIntro=no\r\nLibrary=%s\r\n[Libraries]\r\n%s=Yes\r\n' "$data/asm-$1.s79" "$data/asm-$1.s79" >"$app/Tovel.ini"
        fi
    fi
    echo "$app/Tovel"
}
(
    export QT_QPA_PLATFORM=offscreen TOVEL_QUIT_AFTER_SHOW=1
    timeit "$data/startup.csv" "$bin/tovel_bare_dialog" "$(startup_app 0)" "$(startup_app 1000)" \
        "$(startup_app 10000)" "$(startup_app 100000)" "$bin/tovel_scan $data/asm-10000.s79" \
        "$bin/tovel_scan $data/asm-100000.s79"
)
mapfile -t m < <(medians "$data/startup.csv")
bare=${m[0]}
s_ratio=$(ratio "${m[2]}" "$bare")
# Tovel's own window without a library: what its controls, fonts and icons
# cost above an empty dialog, whatever the library.
z_ratio=$(ratio "${m[1]}" "$bare")
row "Start-up, no library (the window alone)" "0" "$(ms "${m[1]}") ms" "bare QDialog program: $(ms "$bare") ms" "${z_ratio}x" "" ""
row "Start-up, 1,000-routine library current" "1000" "$(ms "${m[2]}") ms" "bare QDialog program: $(ms "$bare") ms" "${s_ratio}x" "<= 1.3x" "$(verdict "$s_ratio" '<=' 1.3)"
o_ratio=$(ratio "${m[2]}" "${m[1]}")
row "Start-up, 1,000-routine library current, against Tovel without a library" "1000" "$(ms "${m[2]}") ms" "Tovel, no library: $(ms "${m[1]}") ms" "${o_ratio}x" "" ""
yard10=$(awk -v a="$bare" -v b="${m[5]}" 'BEGIN { print a + b }')
yard100=$(awk -v a="$bare" -v b="${m[6]}" 'BEGIN { print a + b }')
r10=$(ratio "${m[3]}" "$yard10")
r100=$(ratio "${m[4]}" "$yard100")
row "Start-up, 10,000-routine library current" "10000" "$(ms "${m[3]}") ms" "bare QDialog + tovel_scan: $(ms "$bare") + $(ms "${m[5]}") ms" "${r10}x" "<= 1.3x" "$(verdict "$r10" '<=' 1.3)"
row "Start-up, 100,000-routine library current" "100000" "$(ms "${m[4]}") ms" "bare QDialog + tovel_scan: $(ms "$bare") + $(ms "${m[6]}") ms" "${r100}x" "<= 1.3x" "$(verdict "$r100" '<=' 1.3)"
g=$(ratio "$(awk -v a="${m[4]}" -v b="$bare" 'BEGIN { print a - b }')" "$(awk -v a="${m[3]}" -v b="$bare" 'BEGIN { print a - b }')")
row "Growth 10,000 -> 100,000 routines, start-up above the bare dialog" "10x" "${g}x the time" "" "" "<= about 10x" "$(verdict "$g" '<=' 11)"

tovel_peak_kib() { # program: median of 5 runs of the maximum resident set, KiB
    for _ in 1 2 3 4 5; do
        QT_QPA_PLATFORM=offscreen TOVEL_QUIT_AFTER_SHOW=1 /usr/bin/time -f %M "$1" 2>&1 >/dev/null | tail -n 1
    done | sort -n | sed -n 3p
}
t_base=$(tovel_peak_kib "$(startup_app 0)")
for n in 10000 100000; do
    t_peak=$(tovel_peak_kib "$(startup_app $n)")
    t_size=$(( $(stat -c %s "$data/asm-$n.s79") / 1024 ))
    t_mem=$(ratio "$((t_peak - t_base))" "$t_size")
    row "Start-up peak memory above Tovel without a library" "$n" "$(( t_peak / 1024 )) MiB ($(( (t_peak - t_base) / 1024 )) MiB above $(( t_base / 1024 )) MiB)" "file: $(( t_size / 1024 )) MiB" "${t_mem}x the file" "<= 2x" "$(verdict "$t_mem" '<=' 2)"
done

echo "== Logic benchmarks (Google Benchmark, medians of 5)"
"$bin/tovel_logic_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_out="$data/logic.csv" --benchmark_out_format=csv >/dev/null 2>&1
logic_rows=()
while IFS=, read -r name _ real _ unit _; do
    name=${name//\"/}
    case "$name" in
    *_median) ;;
    *) continue ;;
    esac
    base_name=${name%_median}
    logic_rows+=("| ${base_name%/*} | ${base_name##*/} | $(awk -v t="$real" 'BEGIN { printf "%.2f", t }') ${unit//\"/} |")
done < <(grep '_median' "$data/logic.csv")

{
    echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')), load average at the start: $load_start, at the end: $(cut -d' ' -f1-3 /proc/loadavg)."
    echo "Medians of $runs runs (hyperfine), $dialog_runs dialog openings; LC_ALL=C for the peers."
    echo
    echo "| Measure | Routines | Tovel | Compared with | Ratio | Target | Met |"
    echo "| --- | --- | --- | --- | --- | --- | --- |"
    printf '%s\n' "${rows[@]}"
    echo
    echo "| Logic benchmark | Routines | Median time |"
    echo "| --- | --- | --- |"
    printf '%s\n' "${logic_rows[@]}"
} | tee "$results"
echo
echo "(written to $results)"

# Work that must grow with the input and no faster: the doubled inputs.
echo "== Growth check (bench/growth.sh)"
"$here/bench/growth.sh" "$build" | tee -a "$results"

# The language server against clangd-14, in one run of its own script.
echo "== Language server (bench/lsp_compare.py)"
python3 "$here/bench/lsp_compare.py" --cli "$build/tovel-cli" --genlib "$bin/tovel_genlib" --runs "$runs" |
    tee -a "$results"
