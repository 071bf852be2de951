#!/usr/bin/env bash
# Packages the built zelvane.exe for Windows users, into DIST (BUILD/dist by
# default): a portable zip, an installer made with NSIS, and SHA256SUMS of
# both. The same commit gives the same exe and zip, in whatever folder it is
# built.
#
# It also writes the manifests that winget and Scoop install the release by,
# into DIST/winget and DIST/scoop. Their download addresses begin with
# ZELVANE_RELEASE_URL, where the release's files will be (for a GitHub
# release, https://github.com/OWNER/REPO/releases/download/vVERSION); without
# it they begin with a placeholder, and it says so.
#
# Given a certificate (ZELVANE_SIGN_PKCS12 and ZELVANE_SIGN_PASSWORD_FILE, see
# packaging/sign.sh), it signs zelvane.exe before packing it, the installer
# and the uninstaller that the installer writes. Without one, the packages
# are unsigned.
# Usage: packaging/dist.sh BUILD_DIR [DIST]
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
dist=$(realpath -m "${2:-$BUILD/dist}")

define() { sed -n "s/^#define $1 \"\(.*\)\"$/\1/p" "$BUILD/generated/version.h"; }
version=$(define ZELVANE_VERSION)
quad=$(define ZELVANE_VERSION_QUAD)
# Every file gets the time of the last commit.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)
fi
export SOURCE_DATE_EPOCH

stage="$dist/stage"
zip="zelvane-$version-win64.zip"
setup="zelvane-$version-setup.exe"
rm -rf "$stage"
rm -rf "$dist/$zip" "$dist/$setup" "$dist/SHA256SUMS" "$dist/winget" "$dist/scoop"
mkdir -p "$stage"
cp "$BUILD/zelvane.exe" "$stage/zelvane.exe"
signing=()
if [ -n "${ZELVANE_SIGN_PKCS12:-}" ]; then
    if [ ! -r "$ZELVANE_SIGN_PKCS12" ] || [ ! -r "${ZELVANE_SIGN_PASSWORD_FILE:-}" ]; then
        echo "ZELVANE_SIGN_PKCS12 and ZELVANE_SIGN_PASSWORD_FILE must name readable files" >&2
        exit 1
    fi
    "$root/packaging/sign.sh" "$stage/zelvane.exe"
    signing=(-DSIGN="$root/packaging/sign.sh")
fi
sed "s/@VERSION@/$version/g; s/\$/\r/" "$root/packaging/README.txt.in" >"$stage/README.txt"
sed 's/$/\r/' "$root/LICENSE" >"$stage/LICENSE.txt"
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*

python3 "$root/packaging/make-zip.py" "$dist/$zip" "$stage/zelvane.exe" "$stage/README.txt" "$stage/LICENSE.txt"

size_kb=$(( ($(stat -c %s "$stage/zelvane.exe") + $(stat -c %s "$stage/README.txt") + $(stat -c %s "$stage/LICENSE.txt") + 1023) / 1024 ))
makensis -V2 -NOCD -DVERSION="$version" -DVERSION_QUAD="$quad" -DSTAGE="$stage" \
    -DICON="$root/res/zelvane.ico" -DSIZE_KB="$size_kb" -DOUTFILE="$dist/$setup" "${signing[@]}" \
    "$root/packaging/zelvane.nsi" >/dev/null

(cd "$dist" && sha256sum "$zip" "$setup" >SHA256SUMS)
rm -rf "$stage"
release_url=${ZELVANE_RELEASE_URL:-https://example.invalid/zelvane-release-url-not-set/releases/download/v$version}
python3 "$root/packaging/manifests.py" "$dist" "$version" "$release_url" "$root/packaging/zelvane.nsi"
echo "Zelvane $version for Windows in $dist: $zip ($(stat -c %s "$dist/$zip") bytes), $setup ($(stat -c %s "$dist/$setup") bytes), SHA256SUMS"
if [ -n "${ZELVANE_RELEASE_URL:-}" ]; then
    echo "Manifests for winget and Scoop in $dist/winget and $dist/scoop, downloading from $release_url"
else
    echo "Manifests for winget and Scoop in $dist/winget and $dist/scoop, with a placeholder address:" \
        "set ZELVANE_RELEASE_URL to the release's download address"
fi
if [ ${#signing[@]} -gt 0 ]; then
    echo "Signed with $ZELVANE_SIGN_PKCS12${ZELVANE_SIGN_TIMESTAMP_URL:+, timestamped by $ZELVANE_SIGN_TIMESTAMP_URL}"
else
    echo "Unsigned: no certificate given (ZELVANE_SIGN_PKCS12)"
fi
