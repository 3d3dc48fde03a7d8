#!/usr/bin/env bash
# Boots the template Wine prefix that every Windows test copies. Booting takes
# about ten seconds; a copy takes about two. Idempotent.
#
# The prefix gets Wine's null display driver: windows are created and message
# boxes block, as on a desktop, without any X server. (With no driver at all
# CreateWindowExW fails and MessageBoxW returns at once, so window tests would
# pass without checking anything.)
set -euo pipefail
template=$(realpath -m "${1:?usage: make-template.sh PREFIX_DIR}")
if [ -f "$template/.ready" ]; then exit 0; fi
rm -rf "$template"
mkdir -p "$(dirname "$template")"
export WINEPREFIX=$template WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
wineserver -w
touch "$template/.ready"
