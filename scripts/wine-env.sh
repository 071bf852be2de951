# Sourced by the project's scripts: a private Wine prefix inside the build
# tree, quiet, without the Mono and Gecko installers.
# Usage: . scripts/wine-env.sh BUILD_DIR
ZELVANE_BUILD=$(cd "${1:-build}" && pwd)
export WINEPREFIX="$ZELVANE_BUILD/wineprefix"
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
# A script that stops at its first failure says where.
[[ $- != *e* ]] || trap 'code=$? && echo "# $(basename "$0") stopped at its line $LINENO, whose command ended with $code"' ERR

# Runs the calling script again on a virtual display of its own, once, of
# ZELVANE_SCREEN's size (1024x768x24 when unset):
#   zelvane_xvfb "$0" "$@"
zelvane_xvfb() {
    if [ -z "${ZELVANE_ON_XVFB:-}" ]; then
        export ZELVANE_ON_XVFB=1
        exec xvfb-run -a -s "-screen 0 ${ZELVANE_SCREEN:-1024x768x24} -nolisten tcp" "$@"
    fi
}

# Runs one Wine command of a run's set-up, its output kept in the prefix's
# set-up log. Under load, Wine now and then ends one of its processes early
# with nothing said (four times in about 130 stress runs); a step that
# fails is run once more, saying so, and a second failure says the command,
# its code and the end of the log.
zelvane_setup() {
    local log="$WINEPREFIX-setup.log" code
    "$@" </dev/null >>"$log" 2>&1 && return
    code=$?
    echo "# $* ended with $code: again" >&2
    "$@" </dev/null >>"$log" 2>&1 && return
    code=$?
    echo "FAIL - $* ended with $code twice; the end of $log:"
    tail -n 20 "$log"
    return $code
}

# Creates the prefix when it is missing; with "fresh", always anew.
zelvane_prefix() {
    if [ "${1:-}" = fresh ]; then
        wineserver -k 2>/dev/null || true
        rm -rf "$WINEPREFIX" "$WINEPREFIX-setup.log"
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the Wine prefix in $WINEPREFIX"
        zelvane_setup wineboot -i
        # Windows 10's and 11's menu colour. Wine's is white, as a device
        # context's default background is, which would hide a text drawn with
        # no background colour set; on Windows it stands in a white box.
        zelvane_setup wine reg add 'HKCU\Control Panel\Colors' /v Menu /d '240 240 240' /f
        wineserver -w
    fi
    # Wine draws the caption buttons with the Marlett font, as Windows does,
    # and without it shows their letters. Debian's fonts-wine has it in a
    # folder that this Wine doesn't read; the prefix's Fonts folder it does.
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    [ -f "$fonts/marlett.ttf" ] || cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
}

# Keeps one Wine server running for the session and starts Wine's own
# services now, detached from our output: a service started by the first
# program would otherwise hold that program's output pipe open for as long as
# the server runs.
zelvane_wine_up() {
    (wineserver -p </dev/null >/dev/null 2>&1 &) # returns at once, even when one runs already
    wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
}

# The Windows name of a file of this machine: Wine's Z: drive is the whole
# file system in every prefix. Written out here rather than asked of winepath,
# which is one more Wine process for Wine to end early under load (one did, in
# a stress run), and whose failure in an argument goes unseen.
zelvane_winpath() {
    local p
    p=$(realpath -ms "$1")
    printf 'Z:%s\n' "${p//\//\\}"
}

zelvane_wine_down() {
    wineserver -k 2>/dev/null || true
}

# Whether a window manager manages Wine's windows. On a virtual display with
# none, managed windows make every hide wait two seconds for a withdrawal
# that never comes.
zelvane_managed() {
    zelvane_setup wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$1" /f
}

# Has Wine's spooler list each CUPS queue QUEUE and share it under its own
# name (DRIVER is the end-to-end driver, whose --share does both):
#   zelvane_share_queue DRIVER QUEUE...
# Wine reads the CUPS queues into the prefix once per Wine server session, in
# the first process that loads its spooler; a session whose first reading
# missed them never lists them. So each miss starts a new session and asks
# again, for at most 60 s; then it fails, with what CUPS and Wine hold.
zelvane_share_queue() {
    local start=$SECONDS driver=$1
    shift
    while ! wine "$driver" --share "$@" </dev/null >/dev/null 2>&1; do
        if [ $((SECONDS - start)) -ge 60 ]; then
            echo "Wine's spooler does not list the CUPS queues $* ($CUPS_SERVER)"
            "$(dirname "${BASH_SOURCE[0]}")/cups-server.sh" evidence "$ZELVANE_BUILD"
            echo "--- the printers of Wine's spooler"
            wine reg query 'HKLM\System\CurrentControlSet\Control\Print\Printers' </dev/null 2>&1 | tr -d '\r' || true
            return 1
        fi
        echo "Wine's spooler does not list $* yet: a new Wine server session" >&2
        zelvane_wine_down
        wineserver -w 2>/dev/null || true
        zelvane_wine_up
    done
}

# Plants the test DLL that leaves a mark when it loads (BUILD/tests/e2e_mark.dll)
# under each NAME in each folder of DIRS, and prints the WINEDLLOVERRIDES that
# has Wine look for those names in the program's folder first, as Windows does:
#   overrides=$(zelvane_plant "DIRS" NAME...)
zelvane_plant() {
    local dirs=$1 d n list=
    shift
    for n in "$@"; do
        for d in $dirs; do cp "$ZELVANE_BUILD/tests/e2e_mark.dll" "$d/$n"; done
        list+="${n%.dll},"
    done
    echo "$WINEDLLOVERRIDES;${list%,}=n,b"
}
