#!/usr/bin/env bash
# Makes its own packages with the test-package writers and measures, side by side
# in one run: extraction against the in-memory inflate of the same streams and
# against writing the same bytes, natively and under Wine (package library and
# real window); listing of 1,000 to 100,000 file records natively and in the real
# window; peak memory; start-up against an empty dialog, and against the
# program's main dialog shown alone; Explorer's preview of the largest shared
# package and of the largest list; vorandeck-cli source against extract of
# the large mixed package; vorandeck-cli check over a folder of
# thousands of small packages and the large one, with one and two jobs, against
# reading and inflating the same packages in memory. Prints one table of medians
# with min-max over the runs.
#   ./bench/run.sh            the full run (some minutes, about 1.5 GB written to /tmp)
#   ./bench/run.sh --smoke    small sizes, one run, seconds: checks only that it all works
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"

smoke=0
[ "${1:-}" = --smoke ] && smoke=1
if [ $smoke = 1 ]; then
    runs=1 counts=(100 300) divisor=256 startups=1 many=100
else
    runs=3 counts=(1000 10000 100000) divisor=1 startups=5 many=3000
fi
# The package formats of the extraction columns: the older one and Symbian OS 9.
formats=(sis sisx)

bench_build=$root/build/bench
cmake -S "$root" -B "$bench_build" -DCMAKE_BUILD_TYPE=Release -DVORANDECK_BENCH=ON \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$bench_build" -j "$jobs" --target bench_package vorandeck-cli >/dev/null
build_windows >/dev/null
init_wine_prefix
native=$bench_build/bench/bench_package
cli=$bench_build/cli/vorandeck-cli

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
results=$work/results
: >"$results"

echo "Making the packages in $work ..." >&2
"$native" make-lists "$work/lists" "${counts[@]}"
"$native" make-extract "$work/extract" "$divisor"
"$native" make-many "$work/many" "$many"
ln "$work/extract/mixed.sisx" "$work/many/mixed.sisx"

source "$root/bench/record.sh"

# The package details of the largest shared package and of the one with the most
# signature chains, when the shared packages are there.
shared=$root/../shared/testdata/sisx
details_packages=()
for name in series60remote-Python_2.0.0.sis appinstall-testfor2exes_allvaidchainwithdevcertalso.sis; do
    [ -f "$shared/$name" ] && details_packages+=("$shared/$name")
done

echo "Measuring natively ..." >&2
for format in "${formats[@]}"; do
    package=$work/extract/mixed.$format
    record "inflate.native.$format" "$native" inflate "$package"
    record "write.native.$format" "$native" write "$package" "$work/out"
    record "extract.native.$format" "$native" extract "$package" "$work/out"
done
record "memory.native.single" "$native" extract "$work/extract/single.sis" "$work/out"
for i in "${!details_packages[@]}"; do
    record "details.native.$i" "$native" details "${details_packages[$i]}"
done
for n in "${counts[@]}"; do
    for kind in simple multi10 component; do
        record "list.native.$kind.$n" "$native" list "$work/lists/$kind-$n.sis"
    done
done
# timed COMMAND...: runs COMMAND, its output aside, and prints its milliseconds.
timed() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    awk -v ns=$((end - start)) 'BEGIN { printf "%.2f\n", ns / 1e6 }'
}
# A package's source against its extraction: the same files written, and the
# .pkg, the certificates and each package inside saved beside them.
for format in "${formats[@]}"; do
    record "cli.extract.$format" timed "$cli" extract "$work/extract/mixed.$format" "$work/out"
    record "cli.source.$format" timed "$cli" source "$work/extract/mixed.$format" "$work/out"
done
record "check.native.limit" "$native" read-inflate "$work/many"
for j in 1 2; do
    record "check.native.j$j" timed "$cli" check -j "$j" "$work/many"
done

echo "Measuring under Wine ..." >&2
export work runs results win_build root details_list="${details_packages[*]}"
export formats_list="${formats[*]}" counts_list="${counts[*]}" startups
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    set -euo pipefail
    source "$root/bench/record.sh"
    /usr/lib/wine/wineserver -p
    /usr/lib/wine/wine64 cmd /c exit >/dev/null 2>&1 || true
    wine() { /usr/lib/wine/wine64 "$@" 2>/dev/null | tr -d "\r"; }
    exe=$win_build/bench/bench_package.exe
    window=$win_build/bench/bench_window.exe
    out=$(winpath "$work/out")
    for format in $formats_list; do
        package=$(winpath "$work/extract/mixed.$format")
        record "inflate.wine.$format" wine "$exe" inflate "$package"
        record "write.wine.$format" wine "$exe" write "$package" "$out"
        record "extract.wine.$format" wine "$exe" extract "$package" "$out"
        record "extract.window.$format" wine "$window" extract "$package" "$out"
    done
    record "memory.wine.single" wine "$exe" extract "$(winpath "$work/extract/single.sis")" "$out"
    record "memory.window.single" wine "$window" extract "$(winpath "$work/extract/single.sis")" "$out"
    i=0
    for package in $details_list; do
        record "details.wine.$i" wine "$exe" details "$(winpath "$package")"
        i=$((i + 1))
    done
    for n in $counts_list; do
        for kind in simple multi10 component; do
            package=$(winpath "$work/lists/$kind-$n.sis")
            record "list.wine.$kind.$n" wine "$exe" list "$package"
            record "open.unsorted.$kind.$n" wine "$window" open "$package" unsorted
            record "open.sorted.$kind.$n" wine "$window" open "$package" sorted
        done
    done
    # Explorer'"'"'s preview, from Initialize to the pane painted, in the tests'"'"' host.
    preview() {
        wine "$win_build/tests/win/shell/vorandeck_shell_host.exe" --dll \
            "$(winpath "$win_build/shell/vorandeck-shell.dll")" "$(winpath "$work/preview.txt")" \
            "$(winpath "$1")" >/dev/null
        awk -F "\t" "\$1 == \"time\" { print \$2 }" "$work/preview.txt"
    }
    for package in $details_list; do
        record "preview.largest" preview "$package"
        break
    done
    record "preview.records" preview "$work/lists/simple-${counts_list##* }.sis"
    RUNS=$startups record "startup.vorandeck" wine "$window" startup "$(winpath "$win_build/app/vorandeck.exe")"
    RUNS=$startups record "startup.empty" wine "$window" startup "$(winpath "$win_build/bench/empty_dialog.exe")"
    RUNS=$startups record "startup.empty.as.program" wine "$window" startup \
        "$(winpath "$win_build/bench/empty_dialog_as_program.exe")"
    RUNS=$startups record "startup.main.alone" wine "$window" startup \
        "$(winpath "$win_build/bench/main_dialog_alone.exe")"
    /usr/lib/wine/wineserver -k || true'

cores=$(nproc)
cpu=$(grep -m1 "model name" /proc/cpuinfo | sed 's/.*: //')
load=$(cut -d" " -f1-3 /proc/loadavg)
FORMATS="${formats[*]}" COUNTS="${counts[*]}" CORES=$cores CPU=$cpu LOAD=$load RUNS_DONE=$runs \
    awk -f "$root/bench/table.awk" "$results"
