#!/usr/bin/env bash
# Installs what is missing, builds everything with the sanitizers and runs every test.
#   ./test.sh                 all tests
#   ./test.sh -R Cp932        only tests whose names match (any ctest arguments pass through)
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
BUILD=build/test
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVESK_SANITIZE=ON -DVESK_TESTS=ON >/dev/null
cmake --build "$BUILD" -j2
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1
cd "$BUILD"
ctest -j2 --output-on-failure --no-tests=error "$@"
