#!/bin/sh
# Installs the packages, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the test suite; then a short run of
# every fuzz target (scripts/run-fuzz.sh).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-packages.sh"
cmake -S "$root" -B "$root/build-tests" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSHAPEJOB_SANITIZE=ON >/dev/null
cmake --build "$root/build-tests"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan-suppressions.txt"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
(cd "$root/build-tests" && ctest --output-on-failure -j "$(nproc)")
"$root/scripts/run-fuzz.sh" 10
