#!/bin/sh
# Builds an optimised Shapejob and prints the timings of the ticket builders
# and of the run-standard operation at doubling input sizes: the time per
# template, per design and per standard variable stays about the same when
# the work grows linearly.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-packages.sh"
cmake -S "$root" -B "$root/build-benchmark" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-benchmark" --target ticket_builder_benchmark standard_run_benchmark
"$root/build-benchmark/Tests/ticket_builder_benchmark"
"$root/build-benchmark/Tests/standard_run_benchmark"
