#!/usr/bin/env bash
# Signs a Windows program in place with Authenticode: a SHA-256 signature
# named Zelvane, timestamped (RFC 3161) when ZELVANE_SIGN_TIMESTAMP_URL is set.
# The certificate and its key are the PKCS#12 file ZELVANE_SIGN_PKCS12; its
# password is read from the file ZELVANE_SIGN_PASSWORD_FILE, never taken on a
# command line. packaging/dist.sh and the installer script call it.
# Usage: packaging/sign.sh FILE
set -euo pipefail
file=$1
ts=()
[ -z "${ZELVANE_SIGN_TIMESTAMP_URL:-}" ] || ts=(-ts "$ZELVANE_SIGN_TIMESTAMP_URL")
rm -f "$file.signed"
if ! said=$(osslsigncode sign -pkcs12 "$ZELVANE_SIGN_PKCS12" -readpass "$ZELVANE_SIGN_PASSWORD_FILE" \
    -h sha256 -n Zelvane "${ts[@]}" -in "$file" -out "$file.signed" 2>&1); then
    echo "Signing $file failed: $said" >&2
    rm -f "$file.signed"
    exit 1
fi
mv "$file.signed" "$file"
