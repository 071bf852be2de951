#!/usr/bin/env bash
# Runs a test many times in a row, each from a cold page cache when run as
# root, and says how many runs passed:
#   stress.sh e2e BUILD RUNS    the end-to-end tests, with every core busy
#   stress.sh test BUILD RUNS   every test of make test, as make test runs them
# As in make test, where the sessions and the fuzzers run beside it, the
# end-to-end test runs beside one CPU-bound loop per core, at ordinary
# priority, so that its processes are preempted as they are there. The whole
# test run is built and packaged once, first, and then runs as make test runs
# it (ctest, side by side, in a fresh Wine prefix each time).
# The output of every run, and for each failed one the end-to-end test's
# screenshots and driver log, the CUPS logs and ctest's own log, are kept in
# BUILD/e2e-stress or BUILD/test-stress.
set -uo pipefail
kind=${1:?e2e or test}
BUILD=$(cd "${2:-build}" && pwd)
runs=${3:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
out="$BUILD/$kind-stress"
rm -rf "$out"
mkdir -p "$out"

if [ "$kind" = e2e ]; then
    what="the end-to-end tests, the directory's and the network's included (beside $(nproc) CPU-bound loops)"
    both() { "$root/tests/e2e/e2e.sh" "$BUILD" && "$root/tests/e2e/directory.sh" "$BUILD" && "$root/tests/e2e/network.sh" "$BUILD"; }
    run=(both)
    loads=()
    for _ in $(seq 1 "$(nproc)"); do
        (while :; do :; done) &
        loads+=($!)
    done
    trap 'kill "${loads[@]}" 2>/dev/null' EXIT
else
    what="make test's tests"
    run=("$root/scripts/run-tests.sh" "$BUILD")
    cmake --build "$BUILD" -j2 && "$root/packaging/dist.sh" "$BUILD" "$BUILD/dist" >/dev/null || exit 1
fi

passed=0
for i in $(seq 1 "$runs"); do
    cold=
    if [ "$(id -u)" -eq 0 ] && sync && echo 3 >/proc/sys/vm/drop_caches 2>/dev/null; then
        cold=", cold cache"
    fi
    start=$SECONDS
    if "${run[@]}" >"$out/run-$i.log" 2>&1; then
        passed=$((passed + 1))
        echo "run $i of $runs: passed in $((SECONDS - start)) s$cold"
    else
        mkdir -p "$out/failed-$i"
        cp -r "$BUILD/e2e" "$out/failed-$i/e2e" 2>/dev/null
        cp -r "$BUILD/cups/log" "$out/failed-$i/cups-log" 2>/dev/null
        [ "$kind" = e2e ] || cp "$BUILD/Testing/Temporary/LastTest.log" "$out/failed-$i/" 2>/dev/null
        failures=$(grep -E -m3 '^FAIL|^ *[0-9]+ - .*\((Failed|Timeout)' "$out/run-$i.log" | tr -s ' \n' ' ')
        echo "run $i of $runs: FAILED in $((SECONDS - start)) s$cold: $failures"
        echo "    its output: $out/run-$i.log; its files: $out/failed-$i"
    fi
done
echo "$passed of $runs runs of $what passed"
[ "$passed" -eq "$runs" ]
