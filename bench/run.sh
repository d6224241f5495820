#!/usr/bin/env bash
# Builds the package core natively without sanitizers and measures the walk and
# the extraction on packages of 4 MB to 128 MB and on one with 20,000 records.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/bench
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVORANDECK_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target bench_extract >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/bench_extract" make "$work/packages"
for package in "$work"/packages/*.sis; do
    mkdir -p "$work/out"
    "$build/bench/bench_extract" run "$package" "$work/out"
    rm -rf "$work/out"
done
