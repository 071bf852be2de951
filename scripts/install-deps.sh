#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Zelvane need,
# but only those that are missing. Runs apt-get as root, or through sudo.
set -euo pipefail

# Package names that both Debian 12 and 13 have: libclang-rt-dev is the clang
# runtime (the sanitizers of the fuzzers) of the release's own clang.
need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

for p in make cmake g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev \
         wine wine64 fonts-wine xvfb googletest imagemagick x11-utils cups cups-client cups-bsd \
         xauth clang libclang-rt-dev nsis osslsigncode openssl python3 python3-jsonschema python3-yaml git \
         slapd ldap-utils iproute2 util-linux hostname; do
    have "$p" || need+=("$p")
done

# npm brings the workflow linter; any Node.js with npm will do.
command -v npm >/dev/null 2>&1 || need+=(nodejs npm)

[ ${#need[@]} -eq 0 ] && exit 0

echo "Installing: ${need[*]}"
SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
# apt's own chatter goes to a log, shown only when the install fails.
log=$(mktemp)
# slapd serves the directory test in a network of its own; its package would
# also start the machine's own directory server, which nothing here wants.
guard=
if [ ! -e /usr/sbin/policy-rc.d ] && printf '%s\n' "${need[@]}" | grep -qx slapd; then
    guard=/usr/sbin/policy-rc.d
    printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$guard" >/dev/null
    $SUDO chmod +x "$guard"
fi
trap 'rm -f "$log"; [ -z "$guard" ] || $SUDO rm -f "$guard"' EXIT
if ! { $SUDO apt-get update -qq && $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"; } >"$log" 2>&1; then
    cat "$log" >&2
    echo "Installing the packages above failed" >&2
    exit 1
fi
