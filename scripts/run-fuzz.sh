#!/bin/sh
# Builds the fuzz targets (Tests/Fuzz) with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for SECONDS (default 60) over a
# writable copy of its corpus in build-fuzz/corpus/<target>: its seeds and
# the examples that fit it; what a run adds stays for the next one. Each
# input may take 10 s and the process 2 GiB. Fails when a target finds a
# crash, a leak or a stall; the input is then in build-fuzz/findings/<target>/
# and belongs under Tests/Fuzz/regressions/<target>/, which CTest replays.
set -eu
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
fuzz="$root/Tests/Fuzz"
examples="$root/examples"
"$root/scripts/install-packages.sh"
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSHAPEJOB_FUZZ=ON >/dev/null
cmake --build "$build" -j4 --target fuzz_targets

# The examples of a target's corpus, and those that take a first line (an
# XPath) or two before the document.
examples_of() {
  case $1 in
    ticket) echo "$examples"/tickets/*.xml ;;
    request) echo "$examples"/requests/*.xml ;;
    configuration) echo "$examples/site/configuration.xml" ;;
    export) echo "$examples/tickets/shop-card-design.xml $examples/tickets/layout-jobs.xml" ;;
    shopcard) echo "$examples/tickets/shop-card-design.xml" ;;
    design) echo "$examples"/cad/designs/* "$examples"/cad/templates/* "$examples"/cad/standards/* ;;
  esac
}
prefixed_examples() {
  corpus=$2
  case $1 in
    xpath)
      printf '/job/board/@code\n' | cat - "$examples/tickets/job.xml" >"$corpus/example-job.txt"
      printf '//MFGTemplateItem[FillSheet]/MFGTemplate\n' | cat - "$examples/tickets/layout-jobs.xml" \
        >"$corpus/example-layout-jobs.txt" ;;
    layout)
      printf '/MFGTemplateList/MFGTemplateItem\nFormatClass\n' | cat - "$examples/tickets/layout-jobs.xml" \
        >"$corpus/example-layout-jobs.txt" ;;
  esac
}

export ASAN_OPTIONS="detect_leaks=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan-suppressions.txt"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TMPDIR="$build/tmp"
mkdir -p "$TMPDIR"
failed=""
for target in ticket request configuration xpath export shopcard layout design; do
  corpus="$build/corpus/$target"
  findings="$build/findings/$target"
  log="$build/logs/$target.log"
  mkdir -p "$corpus" "$findings" "$build/logs"
  cp "$fuzz/seeds/$target"/* "$corpus/"
  for example in $(examples_of "$target"); do cp "$example" "$corpus/example-$(basename "$example")"; done
  prefixed_examples "$target" "$corpus"
  if "$build/Tests/Fuzz/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
       -artifact_prefix="$findings/" "$corpus" >"$log" 2>&1; then
    echo "fuzz_$target: $(grep -Eo '#[0-9]+' "$log" | tail -1 | tr -d '#') runs, nothing found"
  else
    echo "fuzz_$target: FOUND A FAULT (log $log, input in $findings/)"
    grep -E '^==[0-9]+==|SUMMARY|^ +#[0-9]+ ' "$log" | head -40
    failed="$failed $target"
  fi
done
[ -z "$failed" ] || { echo "Fuzzing found faults in:$failed"; exit 1; }
