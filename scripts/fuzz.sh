#!/usr/bin/env bash
# Builds the native fuzzers of the text handling and runs each for a while
# (SECONDS_EACH, a minute by default) from the seed corpus in fuzz/corpus.
# New inputs go to BUILD/fuzz/corpus, never into the repository.
set -euo pipefail
BUILD=$(mkdir -p "${1:-build}" && cd "${1:-build}" && pwd)
SECONDS_EACH=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
out="$BUILD/fuzz"

CXX=clang++ cmake -S "$root/fuzz" -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out" -j2 >/dev/null

status=0
for name in server_part last_part device_name compose computer_name; do
    mkdir -p "$out/corpus/$name"
    if "$out/fuzz_$name" -max_total_time="$SECONDS_EACH" -max_len=70000 -print_final_stats=1 \
        -artifact_prefix="$out/crash-$name-" "$out/corpus/$name" "$root/fuzz/corpus/$name" \
        >"$out/$name.log" 2>&1; then
        runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/$name.log" | grep -o '[0-9]*$')
        echo "ok - fuzz_$name: $runs inputs in ${SECONDS_EACH}s, no fault"
    else
        echo "FAIL - fuzz_$name: see $out/$name.log"
        tail -20 "$out/$name.log"
        status=1
    fi
done
exit $status
