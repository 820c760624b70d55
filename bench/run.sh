#!/bin/sh
# Builds the benchmarks and runs them one after the other; those over a
# server start and stop their own test server on 127.0.0.1. Each prints its
# table.
#   bench/run.sh [BUILD_DIR]      (default: build-bench beside this folder)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DDBCOMPARE_BUILD_TESTS=OFF
fi
ninja -C "$build" -j2 bench_capture bench_compare bench_data_check bench_store_rows bench_source_grid bench_rebuild
echo
"$build/bench/bench_capture"
echo
"$build/bench/bench_compare"
echo
"$build/bench/bench_data_check"
echo
"$build/bench/bench_store_rows"
echo
"$build/bench/bench_source_grid"
echo
"$build/bench/bench_rebuild"
