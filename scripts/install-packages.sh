#!/bin/sh
# Installs the Debian packages the build needs; does nothing when they are
# all there already. Needs root (or sudo) only when something is missing.
set -eu
here=$(dirname "$0")
missing=""
for package in $(cat "$here/packages.txt"); do
  dpkg -s "$package" >/dev/null 2>&1 || missing="$missing $package"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
