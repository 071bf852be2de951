#!/usr/bin/env bash
# Reproducibility: the same sources, copied into another folder and built and
# packaged there, give a byte-identical zelvane.exe and zip. Says whether the
# installer is identical too.
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
other="$BUILD/repro/elsewhere"
rm -rf "$BUILD/repro"
mkdir -p "$other/src"
(cd "$root" && git ls-files -z | xargs -0 cp --parents -t "$other/src")
SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
export SOURCE_DATE_EPOCH

(cd "$other/src" && cmake --preset mingw -B "$other/build" -DZELVANE_TESTS=OFF -DCMAKE_RULE_MESSAGES=OFF >/dev/null)
cmake --build "$other/build" -j2 --target zelvane >/dev/null
"$other/src/packaging/dist.sh" "$other/build" >/dev/null
# The packages of this build tree, made with the same time, beside the
# others: BUILD/dist is the installer test's, which runs meanwhile.
here="$BUILD/repro/here"
"$root/packaging/dist.sh" "$BUILD" "$here" >/dev/null

failed=0
for f in zelvane.exe zelvane-*-win64.zip; do
    if [ "$f" = zelvane.exe ]; then
        mine="$BUILD/$f" theirs="$other/build/$f"
    else
        mine=$(echo "$here"/$f) theirs=$(echo "$other/build/dist"/$f)
    fi
    if cmp -s "$mine" "$theirs"; then
        echo "ok - $(basename "$mine") is byte-identical when built in another folder"
    else
        echo "FAIL - $(basename "$mine") differs when built in another folder:"
        cmp -l "$mine" "$theirs" | head -5 || true
        failed=1
    fi
done
setup=$(echo "$here"/zelvane-*-setup.exe)
if cmp -s "$setup" "$other/build/dist/$(basename "$setup")"; then
    echo "note - the installer is byte-identical too"
else
    echo "note - the installer differs between the two builds"
fi
exit $failed
