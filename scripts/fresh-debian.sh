#!/usr/bin/env bash
# Tries the README's two commands on a fresh minimal Debian, as a new user
# would: a chroot made by debootstrap with only make, git and ca-certificates,
# a clone of this checkout's last commit, then `make test` and `make run`
# inside, each timed. For whoever prepares a release; not part of `make test`.
#
#   sudo scripts/fresh-debian.sh 12|13 [TREE]
#
# TREE is where the chroot goes (/var/tmp/zelvane-debian-N by default, kept
# afterwards for a look inside). Packages come from the Debian mirror that this
# machine's apt sources name; apt and npm inside use this machine's CA bundle.
set -euo pipefail
release=${1:-}
case "$release" in
12) suite=bookworm ;;
13) suite=trixie ;;
*)
    echo "usage: $0 12|13 [TREE]" >&2
    exit 2
    ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "$0 must run as root (debootstrap, chroot, mount)" >&2; exit 1; }
root=$(cd "$(dirname "$0")/.." && pwd)
tree=$(realpath -m "${2:-/var/tmp/zelvane-debian-$release}")
ca=/etc/ssl/certs/ca-certificates.crt

mirror=$(grep -rhoE 'https?://[^ ]+/debian/?( |$)' /etc/apt/sources.list /etc/apt/sources.list.d 2>/dev/null |
    head -1 | tr -d ' ') || true
mirror=${mirror:-http://deb.debian.org/debian}

mounted() { findmnt -rno TARGET | grep -E "^$tree(/|$)" | sort -r || true; }

# Ends what still runs inside, then unmounts, deepest first.
release_tree() {
    local p
    for p in /proc/[0-9]*; do
        [ "$(readlink "$p/root" 2>/dev/null)" = "$tree" ] && kill -9 "${p#/proc/}" 2>/dev/null || true
    done
    for m in $(mounted); do
        umount "$m" 2>/dev/null || umount -l "$m"
    done
}

if [ -e "$tree" ]; then
    release_tree
    if [ -n "$(mounted)" ]; then
        echo "Still mounted inside $tree, which is left as it is:" >&2
        mounted >&2
        exit 1
    fi
    rm -rf --one-file-system "$tree"
fi
trap release_tree EXIT

command -v debootstrap >/dev/null || apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
echo "Debian $release ($suite) from $mirror into $tree"
start=$(date +%s)
debootstrap --variant=minbase --include=make,git,ca-certificates "$suite" "$tree" "$mirror" >"$tree.debootstrap.log" 2>&1 ||
    { tail -20 "$tree.debootstrap.log" >&2; exit 1; }
echo "debootstrap: $(($(date +%s) - start)) s"

cp /etc/resolv.conf "$tree/etc/resolv.conf"
# An installed system has a hosts file; minbase on bookworm makes none.
[ -e "$tree/etc/hosts" ] || printf '127.0.0.1\tlocalhost\n::1\t\tlocalhost ip6-localhost ip6-loopback\n' >"$tree/etc/hosts"
cp "$ca" "$tree/etc/ssl/certs/ca-certificates.crt"
cp "$ca" "$tree/etc/ssl/host-ca.crt" # kept apart from what update-ca-certificates rewrites
# The tree's root a mount point of its own, as a system's is, so that tests
# that make a mount namespace inside it can make their mounts private.
mount --bind "$tree" "$tree"
mount --make-private "$tree"
mount -t proc proc "$tree/proc"
mount -t sysfs sysfs "$tree/sys"
mount --bind /dev "$tree/dev"
mount --bind /dev/pts "$tree/dev/pts"
mount -t tmpfs tmpfs "$tree/dev/shm"

git clone -q "$root" "$tree/root/zelvane"
echo "Cloned $(git -C "$root" log -1 --format='%h %s')"

inside() {
    chroot "$tree" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        NODE_EXTRA_CA_CERTS=/etc/ssl/host-ca.crt npm_config_cafile=/etc/ssl/host-ca.crt \
        bash -c "cd /root/zelvane && $1"
}

status=0
for command in "make test" "make run"; do
    start=$(date +%s)
    if inside "$command" >"$tree/root/${command// /-}.log" 2>&1; then
        echo "ok - $command on Debian $release: $(($(date +%s) - start)) s"
    else
        echo "FAIL - $command on Debian $release after $(($(date +%s) - start)) s; its end:"
        tail -30 "$tree/root/${command// /-}.log"
        status=1
    fi
done
shot="$tree/root/zelvane/build/zelvane-screenshot.png"
if [ -s "$shot" ]; then
    echo "ok - make run saved $shot"
else
    echo "FAIL - make run saved no screenshot"
    status=1
fi
echo "Logs: $tree/root/make-test.log $tree/root/make-run.log"
exit $status
