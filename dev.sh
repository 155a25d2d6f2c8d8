#!/usr/bin/env bash
# Set-up, build and test from a fresh machine.
#   ./dev.sh quickstart   build and run examples/quickstart.py
#   ./dev.sh test         build and run every test (C++ unit tests, then pytest)
set -euo pipefail
cd "$(dirname "$0")"
VENV=${VENV:-.venv}
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}

install_system_packages() {
  local missing=()
  [ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
  if [ ${#missing[@]} -gt 0 ] && command -v apt-get >/dev/null; then
    local sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
}

setup_python() {
  [ -x "$VENV/bin/python" ] || python3 -m venv "$VENV"
  "$VENV/bin/python" -m pip install -q --disable-pip-version-check \
    "scikit-build-core>=0.9" numpy pytest hypothesis scipy python-fcl
  CMAKE_BUILD_PARALLEL_LEVEL=$JOBS "$VENV/bin/python" -m pip install -q \
    --disable-pip-version-check --no-build-isolation .
}

cpp_tests() {
  cmake -S . -B build/cpp -DQUORIX_PYTHON=OFF -DQUORIX_TESTS=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/cpp -j "$JOBS"
  (cd build/cpp && ctest --output-on-failure -j "$JOBS")
}

case "${1:-test}" in
  quickstart)
    setup_python
    (cd examples && "../$VENV/bin/python" quickstart.py)
    ;;
  test)
    install_system_packages
    cpp_tests
    setup_python
    # Run from tests/ so the installed package, not the source tree, is imported.
    "$VENV/bin/python" -m pytest -q tests
    ;;
  *)
    echo "usage: $0 [quickstart|test]" >&2; exit 2 ;;
esac
