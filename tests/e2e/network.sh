#!/usr/bin/env bash
# End-to-end test of the remote panel's WS-Discovery lookup of the local
# network: Debian's wsdd2 as a workgroup's member and, where Debian has it,
# wsdd as a domain's, and tests/e2e/responder.py playing hostile devices. Each
# host has network and UTS namespaces of its own, its eth0 in a bridge of the
# client's namespace, all on one subnet; no namespace of the test has a link or
# a route out of it. With --bench, the same network without the responder
# gives make bench its network rows (tests/bench/network.py), of ROUNDS rounds.
#   network.sh [BUILD [--bench [ROUNDS]]]
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
bench=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
dir="$BUILD/network"
wsd="$BUILD/wsd" # the daemons' packages, unpacked, kept for later runs
net=10.203.0 net6=fd03:203:: # .1 the client, .11 wsdd2, .12 wsdd, .20 and .21 the responder

if [ -z "${ZELVANE_NETWORK_NS:-}" ]; then
    # Installed, either package would start a service that announces this
    # machine on the real network: the daemons are only unpacked, and run in
    # the test's namespaces alone.
    fetch() {
        [ -d "$wsd/$1" ] && return
        local tmp
        tmp=$(mktemp -d)
        # As root, apt downloads as its user _apt, into a folder it can write.
        [ "$(id -u)" -ne 0 ] || chown _apt "$tmp" 2>/dev/null || true
        (cd "$tmp" && apt-get download -qq "$1") || { echo "FAIL - apt-get download $1"; rm -rf "$tmp"; exit 1; }
        rm -rf "$wsd/$1.part"
        dpkg -x "$tmp"/*.deb "$wsd/$1.part" && mv "$wsd/$1.part" "$wsd/$1"
        rm -rf "$tmp"
    }
    mkdir -p "$wsd"
    fetch wsdd2
    # Debian 13 has no wsdd.
    if apt-cache policy wsdd 2>/dev/null | grep 'Candidate: [0-9]' >/dev/null; then fetch wsdd; fi
    export ZELVANE_NETWORK_NS=1
    unset ZELVANE_ON_XVFB # a display of its own, inside the namespace
    rm -rf "$dir"
    mkdir -p "$dir/ns"
    exec unshare -unm $([ "$(id -u)" -eq 0 ] || echo -r) "$0" "$@"
fi

inside() { local h=$1; shift; nsenter --net="$dir/ns/$h" "$@"; }
if [ -z "${ZELVANE_ON_XVFB:-}" ]; then
    # Nothing here may touch a network but the test's own, new one.
    [ -z "$(ip -o addr show scope global; ip route show default)" ] ||
        { echo "FAIL - the test's new network namespace has no address and no route yet"; exit 1; }
    hostname zelvanehost
    ip link set lo up
    # Multicast floods the bridge: no snooping whose membership could lag.
    ip link add br0 type bridge mcast_snooping 0
    echo 0 >/proc/sys/net/ipv6/conf/br0/accept_dad # addresses usable at once
    ip addr add $net.1/24 dev br0
    ip addr add ${net6}1/64 dev br0 nodad
    ip link set br0 up
    # wsdd2 skips an interface named veth*: each host's is eth0.
    host() {
        local h=$1 a
        shift
        touch "$dir/ns/$h"
        unshare --net="$dir/ns/$h" true
        ip link add "$h" type veth peer name eth0 netns "$dir/ns/$h"
        echo 1 >"/proc/sys/net/ipv6/conf/$h/disable_ipv6" # a port of the bridge, with no address
        ip link set "$h" master br0 up
        inside "$h" sh -c 'echo 0 >/proc/sys/net/ipv6/conf/eth0/accept_dad'
        inside "$h" ip link set lo up
        for a; do
            inside "$h" ip addr add "$net.$a/24" dev eth0
            inside "$h" ip addr add "$net6$a/64" dev eth0 nodad
        done
        inside "$h" ip link set eth0 up
    }
    host printsrv1 11
    host labpc 12
    host responder 20 21
fi
. "$root/scripts/wine-env.sh" "$BUILD"
zelvane_xvfb "$0" "$@"

ip -o addr show dev br0 | grep " $net.1/" >/dev/null || { echo "FAIL - the test's namespace has its bridge"; exit 1; }
# Runs a command in the background as host $1, under its name.
as() { exec nsenter --net="$dir/ns/$1" unshare -u sh -c 'hostname "$0" && exec "$@"' "$@"; }
as printsrv1 "$wsd/wsdd2/usr/sbin/wsdd2" -w -W -G OFFICE >"$dir/wsdd2.log" 2>&1 &
daemons=$!
names=(printsrv1) # the daemons' hosts
if [ -d "$wsd/wsdd" ]; then
    as labpc python3 "$wsd/wsdd/usr/sbin/wsdd" -s -v -d corp.example >"$dir/wsdd.log" 2>&1 &
    daemons+=" $!"
    names+=(labpc)
fi
if [ -z "$bench" ]; then
    as responder python3 "$here/responder.py" "$dir/held" $net.21 ${net6}21 >"$dir/responder.log" 2>&1 &
    daemons+=" $!"
fi
# Killed outright: their Bye would reach no one, and a wsdd told to end has
# been seen to stay.
trap 'kill -KILL $daemons 2>/dev/null; wait $daemons 2>/dev/null || true; zelvane_wine_down' EXIT

export WINEPREFIX="$BUILD/wineprefix-network"
zelvane_prefix fresh >/dev/null # its news would break make bench's table
zelvane_wine_up
zelvane_managed N

# Each host is up once it has joined the discovery groups and listens for the Get.
up() {
    local groups
    groups=$(inside "$1" ip maddr show dev eth0)
    [[ $groups == *" 239.255.255.250"* && $groups == *" ff02::c"* ]] &&
        inside "$1" ss -Hltn "sport = :$2" | grep LISTEN >/dev/null
}
all_up() {
    up printsrv1 3702 && { [ -n "$bench" ] || up responder 5357; } && { [ ! -d "$wsd/wsdd" ] || up labpc 5357; }
}
for _ in $(seq 1 100); do all_up && break; sleep 0.1; done
all_up || { echo "FAIL - the hosts answer within 10 s"; tail -n 20 "$dir"/*.log; exit 1; }

export LC_ALL=C.UTF-8
exe=$(zelvane_winpath "$BUILD/zelvane.exe")
if [ -n "$bench" ]; then
    python3 "$root/tests/bench/network.py" "${3:-9}" $net.1 "$BUILD/tests/e2e_driver.exe" "$exe" "${names[@]}"
    exit
fi
status=0 # the daemons' hosts and the responder's good devices, one a family, listed; nothing else
held=$(zelvane_winpath "$dir/held")
# Wine's errors go to a log of their own, shown with the others on a failure.
# Rarely (twice in 62 stress runs) Wine ends the driver before its first line,
# with nothing said: then no lookup ran, and the driver is started once more.
driver() {
    WINEDEBUG=err+all wine "$BUILD/tests/e2e_driver.exe" --network "$exe" "$held" "${names[@]}" 'ДРУК-СЕРВЕР' \
        'ДРУК-СЕРВЕР-6' </dev/null >"$dir/driver.out" 2>>"$dir/wine.log"
}
driver || { code=$? && [ ! -s "$dir/driver.out" ] && echo "# e2e_driver ended with $code before its first check: again" &&
    driver; } || status=1
cat "$dir/driver.out"
# What the responder saw of the lookup.
said() { grep -q "^$1" "$dir/responder.log"; }
check() { if eval "$2"; then echo "ok - $1"; else echo "FAIL - $1"; status=1; fi; }
check "the good device's documents were fetched over IPv4 and IPv6" \
    "said 'fetched good at 10\.' && said 'fetched good at .*:'"
check "the device whose XAddrs name another address is never fetched" "! said 'fetched foreign'"
check "every Get is addressed to its device" "! said refused"
[ $status -eq 0 ] || tail -n 40 "$dir"/*.log
exit $status
