#!/usr/bin/env bash
# The packages under Wine, in the run's fresh prefix: first as `make dist`
# made them, then signed with a throwaway certificate made here. A silent
# install puts the files, the Start menu shortcut and the uninstall entry in
# place; the installed program starts; a second install over the first
# succeeds; the silent uninstall leaves nothing of Zelvane behind. The zip and
# the installation hold the build's own zelvane.exe (once signed, with the
# signature removed). Signed, the zip's zelvane.exe, the installer and the
# installed uninstall.exe verify against the certificate.
set -euo pipefail
BUILD=$(cd "${1:-build}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh" "$BUILD"
# A display and a prefix of its own: the unit tests that run beside it show
# windows titled Zelvane too.
if [ -z "${ZELVANE_INSTALLER_DISPLAY:-}" ]; then
    export ZELVANE_INSTALLER_DISPLAY=1
    unset ZELVANE_ON_XVFB
fi
zelvane_xvfb "$0" "$@"
export WINEPREFIX="$BUILD/wineprefix-installer"
zelvane_prefix fresh
zelvane_wine_up
trap zelvane_wine_down EXIT

version=$(sed -n 's/^#define ZELVANE_VERSION "\(.*\)"$/\1/p' "$BUILD/generated/version.h")
work="$BUILD/packages-test"
rm -rf "$work"
mkdir -p "$work"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zelvane'
failed=0
check() { # check WHAT COMMAND...
    local what=$1
    shift
    if "$@"; then echo "ok - $what"; else echo "FAIL - $what"; failed=1; fi
}
winvar() { wine cmd.exe /c echo "%$1%" </dev/null 2>/dev/null | tr -d '\r'; }
# The value of NAME under the uninstall key, as reg prints it ("" when absent).
value() { wine reg query "$key" /v "$1" </dev/null 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'; }
has_key() { wine reg query "$key" </dev/null >/dev/null 2>&1; }
absent() { ! has_key && [ ! -e "$dir" ] && [ ! -e "$lnk" ]; }
poll() { # poll COMMAND...: true once COMMAND is, within 30 s
    for _ in $(seq 1 150); do "$@" && return 0; sleep 0.2; done
    return 1
}

local_app=$(winvar LOCALAPPDATA)
dir=$(winepath -u "$local_app\\Programs\\Zelvane")
lnk=$(winepath -u "$(winvar APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs\\Zelvane.lnk")

signed() { osslsigncode verify -CAfile "$ca" -in "$1" >/dev/null 2>&1; }
# Whether FILE is the build's zelvane.exe, once its signature is removed.
is_build() {
    local file=$1
    if [ -n "$ca" ]; then
        file="$work/bare.exe"
        rm -f "$file"
        osslsigncode remove-signature -in "$1" -out "$file" >/dev/null 2>&1 || return 1
    fi
    cmp -s "$file" "$BUILD/zelvane.exe"
}

packages() { # packages DIST [CA_CERT]
    dist=$1 ca=${2:-}
    setup="$dist/zelvane-$version-setup.exe"
    if [ ! -f "$setup" ]; then
        echo "FAIL - no installer at $setup"
        failed=1
        return
    fi
    echo "# the packages in $dist${ca:+, signed}"
    python3 -c 'import sys, zipfile; open(sys.argv[2], "wb").write(zipfile.ZipFile(sys.argv[1]).read("zelvane.exe"))' \
        "$dist/zelvane-$version-win64.zip" "$work/zip.exe"
    check "the zip holds the build's zelvane.exe" is_build "$work/zip.exe"
    check "SHA256SUMS matches both files" bash -c "cd '$dist' && sha256sum --quiet -c SHA256SUMS"
    if [ -n "$ca" ]; then
        check "the zip's zelvane.exe is signed" signed "$work/zip.exe"
        check "the installer is signed" signed "$setup"
    fi

    check "nothing of Zelvane before the install" absent

    check "the silent install succeeds" wine "$setup" /S
    check "the files are installed" test -f "$dir/zelvane.exe" -a -f "$dir/README.txt" -a -f "$dir/LICENSE.txt" \
        -a -f "$dir/uninstall.exe"
    check "the installed zelvane.exe is the build's" is_build "$dir/zelvane.exe"
    [ -z "$ca" ] || check "the installed uninstall.exe is signed" signed "$dir/uninstall.exe"
    check "the Start menu shortcut is there" test -f "$lnk"
    want_dir="$local_app\\Programs\\Zelvane"
    while IFS='|' read -r name want; do
        got=$(value "$name")
        check "$name is $want (got $got)" test "$got" = "$want"
    done <<EOF2
DisplayName|Zelvane
DisplayVersion|$version
Publisher|Zelvane developers
DisplayIcon|$want_dir\\zelvane.exe
InstallLocation|$want_dir
UninstallString|"$want_dir\\uninstall.exe"
QuietUninstallString|"$want_dir\\uninstall.exe" /S
NoModify|0x1
NoRepair|0x1
EOF2
    check "EstimatedSize is a size in KiB (got $(value EstimatedSize))" grep -q '^0x[1-9a-f]' <<<"$(value EstimatedSize)"

    # The installed program starts and shows its window.
    wine "$dir/zelvane.exe" </dev/null >/dev/null 2>&1 &
    pid=$!
    shown() { xwininfo -root -tree 2>/dev/null | grep -q '"Zelvane"'; }
    check "the installed zelvane.exe shows its window" poll shown
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true

    check "a second install over the first succeeds" wine "$setup" /S
    check "... and leaves one installation" test -f "$dir/zelvane.exe" -a "$(value DisplayVersion)" = "$version"

    # The uninstaller copies itself away and finishes after it returns.
    check "the silent uninstall starts" wine "$dir/uninstall.exe" /S
    check "the uninstall leaves no file, folder, shortcut or key" poll absent
    check "... and leaves the folder around it" test -d "$(dirname "$dir")"
}

packages "$BUILD/dist"

# make dist with a throwaway certificate, into a folder of its own.
head -c 24 /dev/urandom | base64 >"$work/password"
openssl req -x509 -newkey rsa:2048 -noenc -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
    -subj "/CN=Zelvane test signer" -addext extendedKeyUsage=codeSigning 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.p12" -passout "file:$work/password"
ZELVANE_SIGN_PKCS12="$work/cert.p12" ZELVANE_SIGN_PASSWORD_FILE="$work/password" \
    "$root/packaging/dist.sh" "$BUILD" "$work/dist" >/dev/null
packages "$work/dist" "$work/cert.pem"

# DLL planting: the installer run from a folder that holds a DLL that leaves a
# mark when it loads, under the name of each DLL its stub loads, with Wine
# looking in the program's folder first, as Windows does. NSIS's stub imports
# comctl32.dll, which is not a known DLL, so Windows and Wine take it from the
# installer's folder before the stub runs (under Wine, with what comctl32
# loads as it starts); no setting of this script changes that import. Those
# are reported; a mark of any other name fails.
plant="$work/plant"
stub="COMCTL32.dll uxtheme.dll winex11.drv"
mkdir -p "$plant"
cp "$BUILD/dist/zelvane-$version-setup.exe" "$plant/setup.exe"
overrides=$(zelvane_plant "$plant" comctl32.dll uxtheme.dll userenv.dll setupapi.dll apphelp.dll propsys.dll \
    dwmapi.dll oleacc.dll shfolder.dll winex11.drv)
(cd "$plant" && WINEDLLOVERRIDES=$overrides wine setup.exe /S </dev/null >/dev/null 2>&1) || true
marks=$(cd "$plant" && for m in *.mark; do [ -e "$m" ] && printf '%s ' "${m%.mark}"; done)
others=$(for m in $marks; do grep -qiw -- "$m" <<<"$stub" || printf '%s ' "$m"; done)
check "the installer loads none of the DLLs planted beside it but its stub's (loaded: ${others:-none})" test -z "$others"
[ -z "$marks" ] || echo "# NSIS's stub loaded these planted beside setup.exe: $marks"
if [ -f "$dir/uninstall.exe" ]; then
    wine "$dir/uninstall.exe" /S </dev/null >/dev/null 2>&1 || true
    poll absent || true
fi
exit $failed
