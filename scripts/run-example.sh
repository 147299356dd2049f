#!/bin/sh
# Installs the packages, builds Shapejob and runs the example ticket against
# the example site configuration. Extra arguments name another ticket file.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-packages.sh"
cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSHAPEJOB_TESTS=OFF >/dev/null
cmake --build "$root/build-release"
ticket=${1:-"$root/examples/tickets/run-standard.xml"}
QK_SERVER=${QK_SERVER:-"$root/examples/site/configuration.xml"} \
  "$root/build-release/Private/shapejob" --ticket "$ticket"
