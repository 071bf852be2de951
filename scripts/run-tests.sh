#!/usr/bin/env bash
# Runs every test under Wine on a virtual display, with a Wine prefix made
# afresh for this run inside the build tree; tests that share nothing run
# side by side.
#   run-tests.sh BUILD [--build] [CTEST_ARGUMENTS...]
# With --build it builds everything and the packages first, while the prefix
# is made. Further arguments go to ctest (-R sessions, say).
#
# The seeded sessions start from ZELVANE_SEED, a new seed each run when it is
# unset; the run prints it, and ZELVANE_SEED=N make test repeats the run.
set -euo pipefail
BUILD=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)

. "$here/wine-env.sh" "$BUILD"
zelvane_xvfb "$0" "$@"
shift || true

# The prefix, and a second copy of it with a Wine server of its own for the
# tests that run beside those of the first (tests/CMakeLists.txt).
make_prefixes() {
    zelvane_prefix fresh
    zelvane_managed N
    wineserver -w
    rm -rf "$WINEPREFIX-2"
    cp -a "$WINEPREFIX" "$WINEPREFIX-2"
}
if [ "${1:-}" = --build ]; then
    shift
    make_prefixes &
    prefixes=$!
    if ! { cmake --build "$ZELVANE_BUILD" -j2 && "$here/../packaging/dist.sh" "$ZELVANE_BUILD" "$ZELVANE_BUILD/dist"; }; then
        kill "$prefixes" 2>/dev/null || true
        wait "$prefixes" 2>/dev/null || true
        zelvane_wine_down
        exit 1
    fi
    wait "$prefixes"
else
    make_prefixes
fi
zelvane_wine_up
WINEPREFIX="$WINEPREFIX-2" zelvane_wine_up
trap 'zelvane_wine_down; WINEPREFIX="$WINEPREFIX-2" zelvane_wine_down' EXIT

export ZELVANE_SEED=${ZELVANE_SEED:-$(( (RANDOM << 15 | RANDOM) + 1 ))}
echo "Sessions from seed $ZELVANE_SEED (ZELVANE_SEED=$ZELVANE_SEED make test repeats them)"
cd "$ZELVANE_BUILD"
ctest --output-on-failure -j "$(nproc)" "$@"
