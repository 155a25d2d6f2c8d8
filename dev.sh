#!/usr/bin/env bash
# Set-up, build and test from a fresh machine.
#   ./dev.sh quickstart   build and run examples/quickstart.py
#   ./dev.sh test         build and run every test (C++ unit tests, then pytest, then the NumPy
#                         forms under a NumPy 1.x runtime)
#   ./dev.sh ci           what CI runs: `test`, then the C++ tests and pytest against an
#                         AddressSanitizer + UBSan build, then trelk's tests on scalar lanes
set -euo pipefail
cd "$(dirname "$0")"
VENV=${VENV:-.venv}
NUMPY1_VENV=${NUMPY1_VENV:-.venv-numpy1}
JOBS=${JOBS:-$(nproc 2>/dev/null || echo 2)}

# One line per stage, so that a long quiet step (a download, the build) says what it is.
stage() { echo "==> $*"; }

# Debian packages for the build: a C++ compiler, CMake, Python's headers and venv module, and
# GoogleTest when the C++ tests are built.
install_system_packages() {
  local missing=()
  command -v g++ >/dev/null || missing+=(g++)
  command -v cmake >/dev/null || missing+=(cmake)
  python3 -c "import ensurepip" 2>/dev/null || missing+=(python3-venv)
  python3 -c "import os, sysconfig; assert os.path.exists(sysconfig.get_paths()['include'] + '/Python.h')" \
    2>/dev/null || missing+=(python3-dev)
  if [ "${1:-}" = gtest ]; then
    [ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
  fi
  if [ ${#missing[@]} -gt 0 ] && command -v apt-get >/dev/null; then
    stage "installing Debian packages: ${missing[*]}"
    local sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
}

# The virtual environment with what the build needs (NumPy's headers among it), plus the test
# packages when $1 is "test", then the module built and installed into it.
setup_python() {
  local packages=("scikit-build-core>=0.9" numpy)
  [ "${1:-}" = test ] && packages+=(pytest hypothesis scipy python-fcl)
  if [ ! -x "$VENV/bin/python" ]; then
    stage "creating the virtual environment $VENV"
    python3 -m venv "$VENV"
  fi
  stage "installing into $VENV: ${packages[*]}"
  "$VENV/bin/python" -m pip install -q --disable-pip-version-check "${packages[@]}"
  stage "building _quorixpy and installing it into $VENV (takes a minute or two)"
  CMAKE_BUILD_PARALLEL_LEVEL=$JOBS "$VENV/bin/python" -m pip install -q \
    --disable-pip-version-check --no-build-isolation .
}

cpp_tests() {
  stage "building and running the C++ tests in build/cpp"
  cmake -S . -B build/cpp -DQUORIX_PYTHON=OFF -DQUORIX_TESTS=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/cpp -j "$JOBS"
  (cd build/cpp && ctest --output-on-failure -j "$JOBS")
}

# Runs pytest from tests/ (so no source tree shadows the package) with the package found in
# directory $1 ahead of the interpreter's own site-packages.
pytest_with_package() {
  local python=$1 package_dir=$2; shift 2
  (cd tests && PYTHONPATH="$package_dir" "$python" -m pytest -q -p no:cacheprovider "$@")
}

# The module installed in $VENV is built against NumPy 2 headers; it must also run under NumPy
# 1.x, and the one file that includes NumPy's headers must compile against NumPy 1.x too.
numpy1_tests() {
  stage "NumPy 1.x: the NumPy tests in $NUMPY1_VENV"
  [ -x "$NUMPY1_VENV/bin/python" ] || python3 -m venv "$NUMPY1_VENV"
  "$NUMPY1_VENV/bin/python" -m pip install -q --disable-pip-version-check "numpy>=1.23,<2" pytest hypothesis
  local includes
  includes=$("$NUMPY1_VENV/bin/python" -c \
    "import numpy, sysconfig; print('-I' + sysconfig.get_paths()['include'], '-I' + numpy.get_include())")
  # shellcheck disable=SC2086
  g++ -std=c++20 -fsyntax-only -Isrc $includes src/binding/numpy_api.cpp
  local installed
  installed=$(cd tests && "../$VENV/bin/python" -c "import os, quorixpy; print(os.path.dirname(quorixpy.__file__))")
  mkdir -p build/numpy1-path && ln -sfn "$installed" build/numpy1-path/quorixpy
  pytest_with_package "$PWD/$NUMPY1_VENV/bin/python" "$PWD/build/numpy1-path" -k "numpy or array" \
    test_vec3.py test_vec_protocol.py test_matrix_protocol.py test_quat.py test_affine3.py test_module.py
}

# C++ tests and the extension built with AddressSanitizer and UBSan (gcc) in build/asan; pytest
# runs the whole suite against that module with the sanitizer runtime preloaded into the
# interpreter and the interpreter's own allocator off, so ASan sees every object.
sanitizer_tests() {
  stage "AddressSanitizer + UBSan: building and running the C++ tests and pytest in build/asan"
  local flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
  # -O1 with line tables only: under the sanitizers it compiles in less than half the time of
  # -O2 -g and still reports file and line.
  cmake -S . -B build/asan -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
    -DQUORIX_PYTHON=ON -DQUORIX_TESTS=ON -DPython_EXECUTABLE="$PWD/$VENV/bin/python" \
    -DCMAKE_CXX_FLAGS="$flags" >/dev/null
  cmake --build build/asan -j "$JOBS"
  (cd build/asan && ctest --output-on-failure -j "$JOBS")
  rm -rf build/asan-pkg && mkdir -p build/asan-pkg
  cp -r python/quorixpy build/asan-pkg/
  cp build/asan/_quorixpy*.so build/asan-pkg/quorixpy/
  PYTHONMALLOC=malloc ASAN_OPTIONS=detect_leaks=0 \
    LD_PRELOAD="$(g++ -print-file-name=libasan.so) $(g++ -print-file-name=libubsan.so)" \
    pytest_with_package "$PWD/$VENV/bin/python" "$PWD/build/asan-pkg" -x .
}

# trelk's tests once more on the scalar lanes, the twin every SIMD operation is checked against.
scalar_tests() {
  stage "trelk's tests on scalar lanes in build/scalar"
  cmake -S . -B build/scalar -DQUORIX_PYTHON=OFF -DQUORIX_TESTS=ON -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS=-DTRELK_SCALAR >/dev/null
  cmake --build build/scalar -j "$JOBS" --target trelk_tests trelk_alloc_tests
  (cd build/scalar/trelk && ctest --output-on-failure -j "$JOBS")
}

run_tests() {
  install_system_packages gtest
  cpp_tests
  setup_python test
  stage "running pytest"
  "$VENV/bin/python" -m pytest -q tests
  numpy1_tests
}

case "${1:-test}" in
  quickstart)
    install_system_packages
    setup_python
    stage "running examples/quickstart.py"
    (cd examples && "../$VENV/bin/python" quickstart.py)
    ;;
  test)
    run_tests
    ;;
  ci)
    run_tests
    sanitizer_tests
    scalar_tests
    ;;
  *)
    echo "usage: $0 [quickstart|test|ci]" >&2; exit 2 ;;
esac
