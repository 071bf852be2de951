#!/usr/bin/env bash
# End-to-end test of the remote panel against a real directory: slapd holding
# printQueue objects as Active Directory publishes them, on 127.0.0.1:389 of a
# network of the test's own, reached by the domain's name through an
# /etc/hosts of its own, and this host a member of the domain by its name.
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
DOMAIN=zelvane.test
dir="$BUILD/directory"

if [ -z "${ZELVANE_DIRECTORY_NS:-}" ]; then
    export ZELVANE_DIRECTORY_NS=1
    unset ZELVANE_ON_XVFB # a display of its own, inside the namespace
    rm -rf "$dir"
    mkdir -p "$dir/db"
    if [ "$(id -u)" -eq 0 ]; then
        exec unshare -unm "$0" "$@"
    else
        exec unshare -unmr "$0" "$@"
    fi
fi
if [ -z "${ZELVANE_ON_XVFB:-}" ]; then
    [ -e /etc/hosts ] || { echo "FAIL - this system has no /etc/hosts, over which the test binds its own"; exit 1; }
    ip link set lo up
    hostname "zelvanehost.$DOMAIN"
    printf '127.0.0.1 localhost\n127.0.0.1 zelvanehost.%s zelvanehost\n127.0.0.1 %s\n' "$DOMAIN" "$DOMAIN" >"$dir/hosts"
    mount --bind "$dir/hosts" /etc/hosts
fi
. "$root/scripts/wine-env.sh" "$BUILD"
zelvane_xvfb "$0" "$@"

# Active Directory's attributes are Debian's msuser.schema; the class and the
# root's naming context take a line each.
cat >"$dir/printqueue.schema" <<'EOF'
attributetype ( 1.3.6.1.4.1.4203.666.11.99.1 NAME 'defaultNamingContext'
	EQUALITY distinguishedNameMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.12 SINGLE-VALUE )
objectclass ( 1.2.840.113556.1.5.23 NAME 'printQueue' SUP top STRUCTURAL
	MUST ( cn $ uNCName $ serverName $ shortServerName $ printerName $ versionNumber ) )
EOF
schema=/etc/ldap/schema
cat >"$dir/slapd.conf" <<EOF
include $schema/core.schema
include $schema/cosine.schema
include $schema/inetorgperson.schema
include $schema/nis.schema
include $schema/msuser.schema
include $dir/printqueue.schema
pidfile $dir/slapd.pid
modulepath /usr/lib/ldap
moduleload back_mdb
rootDSE $dir/rootdse.ldif
database mdb
maxsize 268435456
suffix "dc=zelvane,dc=test"
directory $dir/db
limits anonymous size.soft=1000 size.hard=1000 size.prtotal=unlimited
access to * by * read
EOF
printf 'dn:\ndefaultNamingContext: dc=zelvane,dc=test\n' >"$dir/rootdse.ldif"
# Two servers, one with three printers; one named in Polish; one whose short
# name, of two-byte letters, is longer than an entry holds; and 1,100 more,
# one printer each, past the size limit of 1,000 a search.
python3 - "$dir/printers.ldif" <<'PY'
import sys
out = open(sys.argv[1], 'w', encoding='utf-8')
out.write('dn: dc=zelvane,dc=test\nobjectClass: dcObject\nobjectClass: organization\no: Zelvane\ndc: zelvane\n\n')
printers = [('PS-ALPHA', p) for p in ('Laser', 'Ink', 'Plotter')] + [('PS-BETA', 'Laser'), ('SERWER-ŁÓDŹ', 'Drukarka')]
printers += [('Ł' * 250, 'Long')] + [('BULK-%04d' % i, 'P') for i in range(1100)]
for n, (server, printer) in enumerate(printers):
    out.write(f'dn: cn={n},dc=zelvane,dc=test\nobjectClass: printQueue\ncn: {n}\nuNCName: \\\\{server}\\{printer}\n'
              f'serverName: {server.lower()}.zelvane.test\nshortServerName: {server}\nprinterName: {printer}\n'
              'versionNumber: 4\n\n')
PY
slapadd -q -f "$dir/slapd.conf" -l "$dir/printers.ldif"
slapd -f "$dir/slapd.conf" -h ldap://127.0.0.1:389/
trap 'kill -CONT $(cat "$dir/slapd.pid") 2>/dev/null; kill $(cat "$dir/slapd.pid") 2>/dev/null; zelvane_wine_down' EXIT
# slapd answers once it has opened its database, which a cold cache may delay.
answers() { ldapsearch -x -LLL -H "ldap://$DOMAIN/" -b '' -s base defaultNamingContext 2>/dev/null | grep -q dc=zelvane; }
for _ in $(seq 1 100); do answers && break; sleep 0.1; done
answers || { echo "FAIL - slapd answers at ldap://$DOMAIN/ within 10 s"; exit 1; }

export WINEPREFIX="$BUILD/wineprefix-directory"
zelvane_prefix fresh
zelvane_wine_up
zelvane_managed N
export LC_ALL=C.UTF-8
driver=$BUILD/tests/e2e_driver.exe
exe=$(zelvane_winpath "$BUILD/zelvane.exe")
status=0
wine "$driver" --directory "$exe" listed </dev/null || status=1
# A directory that takes the connection and then says nothing.
kill -STOP "$(cat "$dir/slapd.pid")"
wine "$driver" --directory "$exe" silent </dev/null || status=1
exit $status
