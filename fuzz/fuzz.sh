#!/usr/bin/env bash
# Runs the fuzz targets of a native fuzz build over the seed corpus.
#   fuzz/fuzz.sh BUILD_DIR --runs       a bounded run of each target (the test command's)
#   fuzz/fuzz.sh BUILD_DIR SECONDS [TARGET]
#                                       each target (or only TARGET: open,
#                                       open_stream or extract)
#                                       for SECONDS; every crash, leak, time-out or
#                                       escape is kept as a regression input under
#                                       tests/fuzz-regressions/<target>/
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
mode=$2
targets=${3:-open open_stream extract}
shared=$root/../shared/testdata
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/fuzz/fuzz_seeds" "$work/seeds" >/dev/null
seeds=("$work/seeds")
for folder in real sisx sisx/damaged sisx/stubs; do
    [ -d "$shared/$folder" ] && seeds+=("$shared/$folder")
done
[ ${#seeds[@]} -eq 1 ] && echo "Shared test data not found at $shared: fuzzing from the written seeds alone"

common=(-timeout=1 -rss_limit_mb=2048 -max_len=300000 -dict="$root/fuzz/sis.dict" -print_final_stats=1)
status=0
for target in $targets; do
    corpus=$work/corpus-$target
    artifacts=$work/artifacts-$target
    mkdir -p "$corpus" "$artifacts"
    if [ "$mode" = --runs ]; then
        # Open does the most with each input (the package saved inside, its source),
        # at some 50 inputs a second on a loaded machine: a bounded run is a check
        # that the targets run, the long runs are for finding.
        runs=6000
        [ $target = extract ] && runs=1000
        [ $target = open_stream ] && runs=1000
        limit=(-runs=$runs)
    else
        # Long runs go on past a time-out (the machine may be busy with other
        # work); each one is tried again alone below and kept only if it repeats.
        limit=(-max_total_time="$mode" -fork=1 -ignore_timeouts=1)
    fi
    echo "fuzz_$target: ${limit[*]}"
    if ! "$build/fuzz/fuzz_$target" "${common[@]}" "${limit[@]}" -artifact_prefix="$artifacts/" \
            "$corpus" "${seeds[@]}" >"$work/log-$target" 2>&1; then
        status=1
        tail -n 40 "$work/log-$target"
    fi
    grep -E "INITED|DONE|stat::number_of_executed_units|stat::peak_rss" "$work/log-$target" || true
    [ "$mode" = --runs ] || grep -E "cov:" "$work/log-$target" | tail -n 2
    for artifact in "$artifacts"/*; do
        [ -f "$artifact" ] || continue
        if [[ $(basename "$artifact") == timeout-* ]] &&
            "$build/fuzz/fuzz_$target" -timeout=1 -runs=1 "$artifact" >/dev/null 2>&1; then
            echo "fuzz_$target: $(basename "$artifact") ran within 1 s alone; not a hang"
            continue
        fi
        status=1
        keep=$root/tests/fuzz-regressions/$target
        mkdir -p "$keep"
        cp "$artifact" "$keep/"
        echo "fuzz_$target found a fault: $(basename "$artifact") kept in $keep"
    done
done
exit $status
