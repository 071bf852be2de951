#!/usr/bin/env bash
# Runs every test under Wine on a virtual display, with a Wine prefix made
# afresh for this run inside the build tree.
set -euo pipefail
BUILD=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)


. "$here/wine-env.sh" "$BUILD"
zelvane_xvfb "$0" "$@"
zelvane_prefix fresh
zelvane_wine_up
zelvane_managed N
trap zelvane_wine_down EXIT

cd "$ZELVANE_BUILD"
ctest --output-on-failure
