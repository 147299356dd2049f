#!/bin/sh
# Builds an optimised Shapejob and prints the timings of the ticket builders,
# of the run-standard operation and of layout nests at doubling input sizes:
# the time per template, per design, per standard variable and per nest (and
# the CAD calls per nest) stay about the same when the work grows linearly.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-packages.sh"
cmake -S "$root" -B "$root/build-benchmark" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-benchmark" --target ticket_builder_benchmark standard_run_benchmark layout_nesting_benchmark
"$root/build-benchmark/Tests/ticket_builder_benchmark"
"$root/build-benchmark/Tests/standard_run_benchmark"
"$root/build-benchmark/Tests/layout_nesting_benchmark"
