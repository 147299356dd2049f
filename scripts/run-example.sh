#!/bin/sh
# Installs the packages, builds Shapejob and runs the example ticket against
# the example site configuration. Extra arguments are passed to the program
# instead (for example: --request ../requests/test-connection.xml).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-packages.sh"
cmake -S "$root" -B "$root/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSHAPEJOB_TESTS=OFF >/dev/null
cmake --build "$root/build-release"

# The example site: its design database, and a private ODBC configuration
# in which the driver name "SQL Server" is the SQLite driver.
site="$root/examples/site"
rm -f "$site/designs.sqlite"
sqlite3 "$site/designs.sqlite" < "$root/examples/cad/database.sql"
export ODBCSYSINI="$root/build-release/odbc"
touch "$ODBCSYSINI/odbc.ini"
export QK_SERVER="$site/configuration.xml"

cd "$site"
if [ $# -eq 0 ]; then
  set -- --ticket "$root/examples/tickets/run-standard-order.xml"
fi
exec "$root/build-release/Private/shapejob" "$@"
