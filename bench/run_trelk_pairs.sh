#!/bin/sh
# Builds the benchmarks into build/bench and runs trelk's pair tests against FCL.
# Extra arguments go to the benchmark, e.g. --benchmark_filter=capsule --benchmark_repetitions=3.
set -e
cd "$(dirname "$0")/.."
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DQUORIX_BENCH=ON -DQUORIX_PYTHON=OFF -DQUORIX_TESTS=OFF >/dev/null
cmake --build build/bench -j8 --target trelk_pairs
exec build/bench/bench/trelk_pairs --benchmark_min_time=0.1 "$@"
