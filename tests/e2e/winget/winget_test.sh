#!/usr/bin/env bash
# packer winget on the built installer: the manifest keeps the format's field
# rules, and the uninstall entry it states is the one a silent install writes.
#   winget_test.sh PACKER INSTALLER TEMPLATE_PREFIX
set -euo pipefail
packer=$1
installer=$2
template=$3
here=$(cd "$(dirname "$0")" && pwd)
id=Tessark.TessarkStudio

work=$(mktemp -d)
cleanup() {
    WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

"$packer" winget "$installer" --url https://downloads.example.com/TessarkStudioSetup.exe --id $id \
    --license Proprietary -o "$work/out"

mkdir -p "$work/prefix"
cp -a "$template/." "$work/prefix/"
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
wine "$installer" /S --no-shell
wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s | tr -d '\r' > "$work/uninstall.txt"
# Debian's interpreter, whose python3-yaml tools/install-deps.sh installs.
/usr/bin/python3 "$here/check_manifest.py" "$work/out" "$installer" $id "$work/uninstall.txt"
