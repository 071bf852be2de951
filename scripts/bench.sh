#!/usr/bin/env bash
# Runs the benchmarks under Wine on a virtual display and prints their table.
set -euo pipefail
BUILD=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)


. "$here/wine-env.sh" "$BUILD"
zelvane_xvfb "$0" "$@"
zelvane_prefix
zelvane_wine_up
zelvane_managed N
trap zelvane_wine_down EXIT

echo "Machine: $(nproc) cores, $(free -g | awk '/Mem:/ {print $2}') GiB, $(uname -sr), $(wine --version)"
wine "$ZELVANE_BUILD/tests/zelvane_bench.exe" "$(zelvane_winpath "$ZELVANE_BUILD/zelvane.exe")" \
    "$(zelvane_winpath "$ZELVANE_BUILD/tests/zelvane_floor.exe")" </dev/null
# The network's rows, from namespaces of their own.
"$here/../tests/e2e/network.sh" "$ZELVANE_BUILD" --bench
