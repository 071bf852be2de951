#!/usr/bin/env bash
# Runs the end-to-end test RUNS times, each from a cold page cache when run
# as root, and says how many passed. The output of every run, and the
# screenshots, driver log and CUPS logs of each failed one, are kept in
# BUILD/e2e-stress.
#
# As in make test, where the sessions and the fuzzers run beside it, every
# core is busy the whole time: one CPU-bound loop per core, at ordinary
# priority, so that the test's processes are preempted as they are there.
#   e2e-stress.sh BUILD RUNS
set -uo pipefail
BUILD=$(cd "${1:-build}" && pwd)
runs=${2:-20}
root=$(cd "$(dirname "$0")/.." && pwd)
out="$BUILD/e2e-stress"
rm -rf "$out"
mkdir -p "$out"

loads=()
for _ in $(seq 1 "$(nproc)"); do
    (while :; do :; done) &
    loads+=($!)
done
trap 'kill "${loads[@]}" 2>/dev/null' EXIT

passed=0
for i in $(seq 1 "$runs"); do
    cold=
    if [ "$(id -u)" -eq 0 ] && sync && echo 3 >/proc/sys/vm/drop_caches 2>/dev/null; then
        cold=", cold cache"
    fi
    start=$SECONDS
    if "$root/tests/e2e/e2e.sh" "$BUILD" >"$out/run-$i.log" 2>&1; then
        passed=$((passed + 1))
        echo "run $i of $runs: passed in $((SECONDS - start)) s$cold"
    else
        mkdir -p "$out/failed-$i"
        cp -r "$BUILD/e2e" "$out/failed-$i/e2e" 2>/dev/null
        cp -r "$BUILD/cups/log" "$out/failed-$i/cups-log" 2>/dev/null
        echo "run $i of $runs: FAILED in $((SECONDS - start)) s$cold: $(grep -m1 '^FAIL' "$out/run-$i.log")"
        echo "    its output: $out/run-$i.log; its files: $out/failed-$i"
    fi
done
echo "$passed of $runs runs of the end-to-end test passed, beside $(nproc) CPU-bound loops"
[ "$passed" -eq "$runs" ]
