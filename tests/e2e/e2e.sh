#!/usr/bin/env bash
# End-to-end test of the real zelvane.exe: a private CUPS server with two
# queues, a Wine prefix of its own, and the driver program that uses the
# window as a person would, down to a job in the CUPS queue.
#
# Wine opens \\HOST\Queue only when HOST is the host name in capitals, so the
# run has a UTS namespace of its own with such a name.
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
HOST=ZELVANEHOST

if [ -z "${ZELVANE_E2E_NS:-}" ]; then
    export ZELVANE_E2E_NS=1
    unset ZELVANE_ON_XVFB # a display of its own, inside the namespace
    if [ "$(id -u)" -eq 0 ]; then
        exec unshare -u "$0" "$@"
    else
        exec unshare -ur "$0" "$@"
    fi
fi
. "$root/scripts/wine-env.sh" "$BUILD"
[ -n "${ZELVANE_ON_XVFB:-}" ] || hostname "$HOST"
# A screen wide enough for the text editor that prints the file to keep to the
# right of Zelvane's window (see below), dialogs centred on it included.
export ZELVANE_SCREEN=2400x1200x24
zelvane_xvfb "$0" "$@"

art="$BUILD/e2e"
rm -rf "$art"
mkdir -p "$art"
# Each thing the run depends on is checked before the driver starts; one that
# is missing stops it at once, with one line that names it and what it needs.
cups=$("$root/scripts/cups-server.sh" start "$BUILD") ||
    { echo "FAIL - $(cat "$BUILD/cups/log/not-ready" 2>/dev/null || echo "the private CUPS server did not start")"; exit 1; }
eval "$cups"
export WINEPREFIX="$BUILD/wineprefix-e2e"
cleanup() {
    zelvane_wine_down
    "$root/scripts/cups-server.sh" stop "$BUILD"
}
trap cleanup EXIT
zelvane_prefix fresh
zelvane_wine_up
zelvane_managed N
# Names outside the code page reach Wine as UTF-8 from this locale.
export LC_ALL=C.UTF-8
zelvane_share_queue "$BUILD/tests/e2e_driver.exe" ZelvaneLaser Drukarka-Łódź Drukarka-Lódz 打印机 ||
    { echo "FAIL - Wine's spooler lists the CUPS queues (see above)"; exit 1; }
# The shell prints a .txt file with the text editor, whose window (hidden
# while it prints) and print dialog open to the right of Zelvane's: nothing
# covers the status line that the checks read off the screen.
zelvane_setup wine reg add 'HKCR\.txt' /ve /d txtfile /f
for v in iWindowPosX=1200 iWindowPosY=100; do
    zelvane_setup wine reg add 'HKCU\Software\Microsoft\Notepad' /v "${v%=*}" /t REG_DWORD /d "${v#*=}" /f
done

# The program as current linkers lay it out (binutils 2.43 on): its import
# data read-only, so that a write into it, such as a delay-load helper's,
# faults here as it would on Windows.
exe="$art/zelvane.exe"
python3 - "$BUILD/zelvane.exe" "$exe" <<'PY'
import struct, sys
b = bytearray(open(sys.argv[1], 'rb').read())
pe = struct.unpack_from('<I', b, 0x3c)[0]
first = pe + 24 + struct.unpack_from('<H', b, pe + 20)[0]
at = next(a for a in range(first, first + 40 * b[pe + 6], 40) if b[a:a + 8] == b'.idata\0\0')
b[at + 39] &= 0x7f  # IMAGE_SCN_MEM_WRITE, the top bit of its characteristics
open(sys.argv[2], 'wb').write(b)
PY
x86_64-w64-mingw32-objdump -h "$exe" | grep -A1 ' \.idata ' | grep -q READONLY ||
    { echo "FAIL - the import data of $exe is writable"; exit 1; }

# The file to print lies in a folder of its own, where the Open dialog moves
# the current directory.
docs="$art/docs"
mkdir -p "$docs"
doc="$docs/zelvane-e2e-letter.txt"
printf 'A letter printed by the Zelvane end-to-end test.\n' > "$doc"
# And one named in Cyrillic and Chinese, outside the code page.
foreign="$docs/Отчёт-日本.txt"
printf 'A report printed by the Zelvane end-to-end test.\n' > "$foreign"

# DLL planting: a DLL that leaves a mark when it loads lies beside the program
# and in the folder of the file, under the name of each DLL that Zelvane brings
# in once it runs, and Wine looks for those as Windows does, in the program's
# folder first. Left out are what Wine's own DLLs load on their own, which no
# program can guard under Wine: what they import before any code of the
# program's runs (user32's version.dll among them), and what imm32 and uxtheme
# delay-load (ole32 with combase and rpcrt4, msimg32), which Wine looks for in
# the program's folder whatever the program set. (On Windows, ole32, combase
# and rpcrt4 are known DLLs, and uxtheme needs no msimg32.)
overrides=$(zelvane_plant "$art $docs" winspool.drv compstui.dll comctl32.dll ws2_32.dll winex11.drv uxtheme.dll \
    spoolss.dll localspl.dll shcore.dll shlwapi.dll shell32.dll comdlg32.dll oleacc.dll)

status=0
WINEDLLOVERRIDES=$overrides wine "$BUILD/tests/e2e_driver.exe" "$(zelvane_winpath "$exe")" "$(zelvane_winpath "$art")" "$HOST" \
    "$(zelvane_winpath "$doc")" "$(zelvane_winpath "$foreign")" </dev/null >"$art/driver.log" 2>&1 || status=1
# (Into a file: the editor that the shell starts inherits the driver's output
# and may outlive it, which would hold a pipe open.)
cat "$art/driver.log"

# Each job that the text editor printed reaches the private queue under its
# file's name, kept in the job's control file in the spool. Wine 8 cuts a title
# outside ASCII (to "Отчёт-日" here), so the foreign file's job is known by its
# first word, which no look-alike of its name holds.
job_reached() {
    for _ in $(seq 1 300); do
        if lpstat -W all -o ZelvaneLaser 2>/dev/null | grep -q . &&
            grep -qlaF "$1" "$BUILD"/cups/spool/c* 2>/dev/null; then
            return 0
        fi
        sleep 0.2
    done
    return 1
}
for job in "$(basename "$doc")|$(basename "$doc")" "$(basename "$foreign")|Отчёт"; do
    name=${job%|*}
    if job_reached "${job#*|}"; then
        echo "ok - a job of $name reached the CUPS queue ZelvaneLaser"
    else
        echo "FAIL - no job of $name reached the CUPS queue ZelvaneLaser"
        status=1
    fi
done

# At 150%. Wine 8 gives every process the prefix's DPI, read as its Wine
# server starts (Wine 10 only to a program whose manifest asks for it), so
# the server is started anew once the setting is written.
zelvane_wine_down
wineserver -w
zelvane_setup wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f
wineserver -w
zelvane_wine_up
wine "$BUILD/tests/e2e_driver.exe" --scale "$(zelvane_winpath "$exe")" "$(zelvane_winpath "$art")" </dev/null >"$art/scaled.log" 2>&1 ||
    status=1
cat "$art/scaled.log"

marks=$(find "$art" -name '*.mark' -printf '%P ')
if [ -z "$marks" ]; then
    echo "ok - none of the DLLs planted beside zelvane.exe and beside the file was loaded"
else
    echo "FAIL - planted DLLs were loaded: $marks"
    status=1
fi

for shot in collapsed expanded browsing scaled; do
    [ -f "$art/$shot.bmp" ] && convert "$art/$shot.bmp" -alpha off "$art/$shot.png" 2>/dev/null && rm -f "$art/$shot.bmp"
done
echo "Screenshots: $art/collapsed.png $art/expanded.png $art/browsing.png $art/scaled.png"
exit $status
