#!/bin/sh
# Builds an optimised Shapejob and prints the timings of the ticket builders,
# of the run-standard operation, of shop cards and of layout nests at
# doubling input sizes: the time per template, per design, per standard
# variable, per output, per nest (and the CAD calls per nest) and per design
# line stay about the same when the work grows linearly; what a layout
# preview takes; and what a change of odbc.ini takes per section of the
# site's file, written anew by rename and changed in place.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-packages.sh"
cmake -S "$root" -B "$root/build-benchmark" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-benchmark" --target ticket_builder_benchmark standard_run_benchmark shop_card_benchmark \
  layout_nesting_benchmark odbc_ini_change_benchmark
"$root/build-benchmark/Tests/ticket_builder_benchmark"
"$root/build-benchmark/Tests/standard_run_benchmark"
"$root/build-benchmark/Tests/shop_card_benchmark"
"$root/build-benchmark/Tests/layout_nesting_benchmark"
"$root/build-benchmark/Tests/odbc_ini_change_benchmark"
