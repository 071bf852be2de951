#!/usr/bin/env bash
# Runs every test under Wine on a virtual display, with a Wine prefix made
# afresh for this run inside the build tree; tests that share nothing run
# side by side. Arguments after BUILD go to ctest (-R sessions, say).
#
# The seeded sessions start from ZELVANE_SEED, a new seed each run when it is
# unset; the run prints it, and ZELVANE_SEED=N make test repeats the run.
set -euo pipefail
BUILD=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)

. "$here/wine-env.sh" "$BUILD"
zelvane_xvfb "$0" "$@"
zelvane_prefix fresh
zelvane_managed N
wineserver -w
# A second copy of the prefix, with a Wine server of its own, for the tests
# that run beside those of the first (tests/CMakeLists.txt).
rm -rf "$WINEPREFIX-2"
cp -a "$WINEPREFIX" "$WINEPREFIX-2"
zelvane_wine_up
WINEPREFIX="$WINEPREFIX-2" zelvane_wine_up
trap 'zelvane_wine_down; WINEPREFIX="$WINEPREFIX-2" zelvane_wine_down' EXIT

export ZELVANE_SEED=${ZELVANE_SEED:-$(( (RANDOM << 15 | RANDOM) + 1 ))}
echo "Sessions from seed $ZELVANE_SEED (ZELVANE_SEED=$ZELVANE_SEED make test repeats them)"
cd "$ZELVANE_BUILD"
ctest --output-on-failure -j "$(nproc)" "${@:2}"
