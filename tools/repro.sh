#!/usr/bin/env bash
# Builds the committed sources twice, in two different folders and at two
# different times, and compares the SHA-256 of what ships. The installer is
# reproducible when both builds give the same bytes.
#   repro.sh [APP_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/tessark-repro.XXXXXX)
trap 'rm -rf "$work"' EXIT
app_dir=${1:-}

build_copy() {
    local dir=$1
    mkdir -p "$dir"
    git -C "$top" archive HEAD | tar -x -C "$dir"
    make -C "$dir" APP_DIR="$app_dir" >"$dir.log" 2>&1 || { tail -30 "$dir.log"; exit 1; }
}

build_copy "$work/first/src"
sleep 2  # a build that embedded the time would now differ
build_copy "$work/second/a/much/longer/path/src"

status=0
for file in TessarkStudioSetup.exe uninstall.exe TessarkStudio.exe; do
    a=$(sha256sum "$work/first/src/build/windows/bin/$file" | cut -d' ' -f1)
    b=$(sha256sum "$work/second/a/much/longer/path/src/build/windows/bin/$file" | cut -d' ' -f1)
    if [ "$a" = "$b" ]; then
        echo "identical  $a  $file"
    else
        echo "DIFFERENT  $a  $b  $file"
        status=1
    fi
done
exit $status
