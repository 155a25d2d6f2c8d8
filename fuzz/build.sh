#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (Debian: apt-get install clang) into build/fuzz/.
#   fuzz/build.sh && build/fuzz/pickle_reader_fuzz -max_len=65536 -rss_limit_mb=1024 -max_total_time=300 fuzz/corpus/pickle
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build/fuzz
FLAGS=(-std=c++20 -g -O1 -ffp-contract=off -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -Isrc)
clang++ "${FLAGS[@]}" fuzz/pickle_reader_fuzz.cpp src/pickle/*.cpp src/support/*.cpp -o build/fuzz/pickle_reader_fuzz
clang++ "${FLAGS[@]}" fuzz/json_reader_fuzz.cpp src/json/*.cpp src/support/*.cpp -o build/fuzz/json_reader_fuzz
clang++ "${FLAGS[@]}" -Itrelk/src fuzz/shape_state_fuzz.cpp src/pickle/*.cpp src/support/*.cpp \
  $(find trelk/src -name '*.cpp') -o build/fuzz/shape_state_fuzz
echo "built build/fuzz/pickle_reader_fuzz build/fuzz/json_reader_fuzz build/fuzz/shape_state_fuzz"
