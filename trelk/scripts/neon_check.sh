#!/usr/bin/env bash
# Builds trelk's unit tests for 64-bit Arm (the NEON lane backend) with Debian's cross compiler and
# runs them under user-mode QEMU. No CMake: the sources are listed here.
#
#   apt-get install g++-aarch64-linux-gnu qemu-user libgtest-dev   # once
#   trelk/scripts/neon_check.sh [gtest filter]
#
# Objects go to build/neon (TRELK_NEON_BUILD overrides). The lane tests compare every NEON
# operation with the plain C++ twin bit for bit, and every pair test runs on the NEON lanes.
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
out="${TRELK_NEON_BUILD:-$root/build/neon}"
cxx="${CXX_AARCH64:-aarch64-linux-gnu-g++}"
qemu="${QEMU_AARCH64:-qemu-aarch64}"
gtest=/usr/src/googletest/googletest
jobs="${JOBS:-4}"

for tool in "$cxx" "$qemu"; do
    command -v "$tool" >/dev/null || { echo "missing $tool (see the header of $0)" >&2; exit 2; }
done
[ -f "$gtest/src/gtest-all.cc" ] || { echo "missing GoogleTest sources in $gtest (libgtest-dev)" >&2; exit 2; }

# The project's float rules: every operation rounded on its own (aarch64 compilers fuse a*b+c into
# one instruction unless told not to).
flags=(-std=c++20 -O2 -ffp-contract=off -fno-fast-math -DNDEBUG -march=armv8-a
       -I"$root/trelk/src" -I"$root/src" -I"$gtest/include" -I"$gtest")

mkdir -p "$out"
sources=()
while IFS= read -r f; do sources+=("$f"); done < <(
    find "$root/trelk/src" "$root/trelk/tests" "$root/src/support" "$root/src/pickle" "$root/src/algebra" \
         "$root/src/json" -name '*.cpp' | sort
    echo "$root/src/core_anchor.cpp"
    echo "$gtest/src/gtest-all.cc"
    echo "$gtest/src/gtest_main.cc")

# One object per source, named after its path, rebuilt when the source or a header is newer.
compile() {
    local src="$1" obj="$out/$(echo "${1#$root/}" | tr '/' '_').o"
    if [ ! -f "$obj" ] || [ -n "$(find "$root/trelk/src" "$root/src" "$src" -newer "$obj" -name '*.?pp' -print -quit)" ]; then
        "$cxx" "${flags[@]}" -c "$src" -o "$obj"
    fi
    echo "$obj"
}
export -f compile
export root out cxx
export flags_str="${flags[*]}"
objects=$(printf '%s\n' "${sources[@]}" | xargs -P "$jobs" -I{} bash -c 'flags=($flags_str); compile "$@"' _ {})

"$cxx" -static -pthread -o "$out/trelk_tests" $objects
if [ -n "${1:-}" ]; then
    "$qemu" "$out/trelk_tests" --gtest_filter="$1"
else
    "$qemu" "$out/trelk_tests"
fi
