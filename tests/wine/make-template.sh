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

# wineboot links the profile's Desktop, Documents, Music and the like to the
# Unix home folder, which every prefix on the machine shares: a shortcut that
# one test puts on its desktop would show on the desktop of every other test
# running at the time. Each prefix gets folders of its own instead.
own_profile_folders() {
    local link
    for link in "$template"/drive_c/users/*/*; do
        if [ -L "$link" ]; then
            rm "$link"
            mkdir "$link"
        fi
    done
}

# A template made before that step gets it too.
if [ -f "$template/.ready" ]; then
    own_profile_folders
    exit 0
fi
rm -rf "$template"
mkdir -p "$(dirname "$template")"
export WINEPREFIX=$template WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
wineboot -i >/dev/null 2>&1
wineserver -w
own_profile_folders
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
wineserver -w
touch "$template/.ready"
