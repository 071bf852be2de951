#!/usr/bin/env bash
# Runs every test of make test RUNS times, as make test runs them (ctest,
# side by side, in a fresh Wine prefix each time), each from a cold page cache
# when run as root, and says how many runs passed. Everything is built and
# packaged once, first. The output of every run, and for each failed one the
# end-to-end test's files, the CUPS logs and ctest's own log, are kept in
# BUILD/test-stress.
#   test-stress.sh BUILD RUNS
set -uo pipefail
BUILD=$(cd "${1:-build}" && pwd)
runs=${2:-10}
root=$(cd "$(dirname "$0")/.." && pwd)
out="$BUILD/test-stress"
rm -rf "$out"
mkdir -p "$out"

cmake --build "$BUILD" -j2 && "$root/packaging/dist.sh" "$BUILD" "$BUILD/dist" >/dev/null || exit 1

passed=0
for i in $(seq 1 "$runs"); do
    cold=
    if [ "$(id -u)" -eq 0 ] && sync && echo 3 >/proc/sys/vm/drop_caches 2>/dev/null; then
        cold=", cold cache"
    fi
    start=$SECONDS
    if "$root/scripts/run-tests.sh" "$BUILD" >"$out/run-$i.log" 2>&1; then
        passed=$((passed + 1))
        echo "run $i of $runs: passed in $((SECONDS - start)) s$cold"
    else
        mkdir -p "$out/failed-$i"
        cp -r "$BUILD/e2e" "$out/failed-$i/e2e" 2>/dev/null
        cp -r "$BUILD/cups/log" "$out/failed-$i/cups-log" 2>/dev/null
        cp "$BUILD/Testing/Temporary/LastTest.log" "$out/failed-$i/" 2>/dev/null
        echo "run $i of $runs: FAILED in $((SECONDS - start)) s$cold: $(grep -E -m3 '^ *[0-9]+ - ' "$out/run-$i.log" | tr -s ' \n' ' ')"
        echo "    its output: $out/run-$i.log; its files: $out/failed-$i"
    fi
done
echo "$passed of $runs runs of make test's tests passed"
[ "$passed" -eq "$runs" ]
