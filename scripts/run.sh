#!/usr/bin/env bash
# Starts Zelvane under Wine: on the current display when there is one,
# otherwise on a virtual display, where a screenshot of the window is saved.
set -euo pipefail
BUILD=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh" "$BUILD"
exe="$ZELVANE_BUILD/zelvane.exe"

# This machine's printers when its CUPS has any; otherwise a private CUPS
# server with two demo queues, for as long as Zelvane runs.
use_printers() {
    if [ -z "${CUPS_SERVER:-}" ] && lpstat -e 2>/dev/null | grep -q .; then
        echo "Using this machine's printers: $(lpstat -e | tr '\n' ' ')"
        return
    fi
    local cups
    if ! cups=$("$here/cups-server.sh" start "$BUILD"); then
        echo "This machine's CUPS has no printers, and the private CUPS server with the demo queues could not be made ready (see above): Zelvane starts without them" >&2
        return
    fi
    eval "$cups"
    trap '"$here/cups-server.sh" stop "$BUILD"; zelvane_wine_down' EXIT
    echo "This machine's CUPS has no printers: started a private CUPS server ($CUPS_SERVER)"
    echo "with the demo queues ZelvaneLaser (its default) and ZelvaneInk, which print to files in $ZELVANE_BUILD/cups/out"
    zelvane_share_queue "$ZELVANE_BUILD/tests/e2e_driver.exe" ZelvaneLaser >&2 ||
        echo "Zelvane starts without the demo queue in its list (see above)" >&2
}

if [ -z "${ZELVANE_ON_XVFB:-}" ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    zelvane_prefix
    zelvane_managed Y
    use_printers
    echo "Starting Zelvane on display $DISPLAY"
    wine "$exe"
    exit 0
fi

zelvane_xvfb "$0" "$@"

zelvane_prefix
zelvane_wine_up
zelvane_managed N
trap zelvane_wine_down EXIT
use_printers
shot="$ZELVANE_BUILD/zelvane-screenshot.png"
echo "No display: starting Zelvane on a virtual display ($DISPLAY)"
wine "$exe" </dev/null >/dev/null 2>&1 &
pid=$!

# Wait (at most 30 s) for the window, then for its clock's first tick.
for _ in $(seq 1 300); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Zelvane"' && break
    sleep 0.1
done
if ! xwininfo -root -tree 2>/dev/null | grep -q '"Zelvane"'; then
    echo "Zelvane's window did not appear" >&2
    exit 1
fi
sleep 1.5
import -window root -crop 760x320+0+0 "$shot"
echo "Screenshot of Zelvane's window saved as $shot"
kill "$pid" 2>/dev/null || true
