#!/usr/bin/env bash
# A private CUPS server for one run: its configuration, spool, logs and the
# files its queues print to all live in BUILD/cups; it listens on a free
# loopback port and touches nothing of the machine's own printing system.
#
#   cups-server.sh start BUILD   starts it with the demo queues; prints the
#                                line to eval: export CUPS_SERVER=127.0.0.1:PORT
#                                or fails, stopped, saying what is missing
#                                (its last line, kept in BUILD/cups/log/not-ready)
#   cups-server.sh stop BUILD    stops it by its process id
#   cups-server.sh evidence BUILD
#                                prints what the server at CUPS_SERVER holds
#                                and the end of its error log
#
# The demo queues print to files in BUILD/cups/out:
#   ZelvaneLaser  the server's default queue
#   ZelvaneInk    a second queue
# and three queues whose names lie outside the ANSI code pages of western
# Windows, to show that they are reached as themselves: a Polish name, its
# look-alike in code page 1252, and a Chinese name. (CUPS takes no such name
# in a file: address, so their files are named otherwise.)
#   Drukarka-Łódź  Drukarka-Lódz  打印机
set -euo pipefail
cmd=${1:?start or stop}
BUILD=$(cd "${2:-build}" && pwd)
dir="$BUILD/cups"
pidfile="$dir/cupsd.pid"

stop() {
    if [ -f "$pidfile" ]; then
        pid=$(cat "$pidfile")
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 1 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$pid" 2>/dev/null || true
        rm -f "$pidfile"
    fi
}

free_port() {
    local p
    for p in $(seq 20631 20731); do
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then
            echo "$p"
            return
        fi
    done
    echo "no free loopback port for CUPS" >&2
    exit 1
}

# What the server holds, for a message that says why it can't be used.
evidence() {
    echo "--- lpstat -v -p -d ($CUPS_SERVER)"
    lpstat -v -p -d 2>&1 || true
    echo "--- the end of $dir/log/error_log"
    tail -n 20 "$dir/log/error_log" 2>/dev/null || true
}
if [ "$cmd" = stop ]; then
    stop
    exit 0
fi
if [ "$cmd" = evidence ]; then
    evidence
    exit 0
fi

stop
rm -rf "$dir"
mkdir -p "$dir"/{conf,spool,spool/tmp,cache,state,log,out}
chmod 1777 "$dir"/spool "$dir"/spool/tmp "$dir"/cache "$dir"/out
chmod 755 "$dir" "$dir"/conf "$dir"/state
port=$(free_port)

cat > "$dir/conf/cupsd.conf" <<CONF
Listen 127.0.0.1:$port
LogLevel warn
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
    Allow all
  </Limit>
</Policy>
CONF

cat > "$dir/conf/cups-files.conf" <<CONF
FileDevice Yes
ServerRoot $dir/conf
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
CONF

/usr/sbin/cupsd -f -c "$dir/conf/cupsd.conf" -s "$dir/conf/cups-files.conf" </dev/null >"$dir/log/cupsd.out" 2>&1 &
echo $! > "$pidfile"

export CUPS_SERVER="127.0.0.1:$port"
# Polls COMMAND... every 0.1 s for at most 20 s.
poll() {
    for _ in $(seq 1 200); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
if ! poll lpstat -r >/dev/null 2>&1; then
    evidence >&2
    echo "the private CUPS server did not start on $CUPS_SERVER (see $dir/log)" | tee "$dir/log/not-ready" >&2
    stop
    exit 1
fi

# Every queue, accepting jobs, and ZelvaneLaser the default: asked for until
# the server says so, since a server that has just started may refuse.
queues=(ZelvaneLaser ZelvaneInk Drukarka-Łódź Drukarka-Lódz 打印机)
files=(ZelvaneLaser ZelvaneInk polish look-alike chinese)
accepting() { lpstat -a "$1" 2>/dev/null | grep -q "^$1 accepting"; }
is_default() { lpstat -d 2>/dev/null | grep -q ": $1\$"; }
ready() {
    local i q
    for i in "${!queues[@]}"; do
        q=${queues[$i]}
        accepting "$q" ||
            lpadmin -p "$q" -E -v "file://$dir/out/${files[$i]}.prn" -m raw >>"$dir/log/lpadmin.out" 2>&1 || true
        accepting "$q" || return 1
    done
    is_default ZelvaneLaser || lpadmin -d ZelvaneLaser >>"$dir/log/lpadmin.out" 2>&1 || true
    is_default ZelvaneLaser
}
if ! poll ready; then
    missing=
    for q in "${queues[@]}"; do
        accepting "$q" || missing+=" the queue $q,"
    done
    is_default ZelvaneLaser || missing+=" ZelvaneLaser as its default,"
    echo "--- what lpadmin said" >&2
    cat "$dir/log/lpadmin.out" >&2 2>/dev/null || true
    evidence >&2
    echo "the private CUPS server ($CUPS_SERVER) lacks${missing%,}" | tee "$dir/log/not-ready" >&2
    stop
    exit 1
fi
echo "export CUPS_SERVER=$CUPS_SERVER"
