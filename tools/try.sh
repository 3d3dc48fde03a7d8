#!/usr/bin/env bash
# A first look at the installer doing its job, in a throwaway Wine prefix: a
# silent install of the sample application, what it installed, the installed
# application started once (it writes its settings and its data folder), the
# uninstall entry's own quiet command with --purge, and what is left after the
# self-deletion. Nothing waits for a click: the prefix has no display.
#   try.sh   (after make; build/windows/bin holds the installer)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
installer=$root/build/windows/bin/TessarkStudioSetup.exe
template=$root/build/windows/wine/template
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\TessarkStudio'
[ -f "$installer" ] || { echo "try: no installer at $installer; run make first" >&2; exit 1; }
"$root/tests/wine/make-template.sh" "$template"

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$WINEPREFIX"
cp -a "$template/." "$WINEPREFIX/"
profile=$WINEPREFIX/drive_c/users/$(id -un)

say() { printf '\n== %s\n' "$*"; }
# One value of the uninstall entry, or nothing.
entry_value() {
    wine reg query "$uninstall_key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print }'
}
# Polls for up to SECONDS until COMMAND succeeds.
wait_until() {
    local seconds=$1
    shift
    for ((i = 0; i < seconds * 5; i++)); do
        "$@" && return 0
        sleep 0.2
    done
    return 1
}
shortcuts() { find "$profile" -name 'Tessark Studio.lnk' 2>/dev/null | sed "s|$profile|%USERPROFILE%|" | tr / '\\'; }
data_folder=$profile/AppData/Local/TessarkStudio

say "Installing: TessarkStudioSetup.exe /S"
status=0
wine "$installer" /S || status=$?
echo "exit code $status"
[ "$status" = 0 ] || exit 1
location=$(entry_value InstallLocation)
folder=$(winepath -u "$location" 2>/dev/null)
echo "folder     $location"
echo "files      $(find "$folder" -type f | wc -l), $(du -sh "$folder" | cut -f1)"
echo "shortcuts"
shortcuts | sed 's/^/           /'
echo "uninstall entry ($uninstall_key)"
for value in DisplayName DisplayVersion Publisher InstallLocation UninstallString QuietUninstallString EstimatedSize; do
    printf '           %-21s %s\n' "$value" "$(entry_value $value)"
done

say "Starting the installed application"
wine "$folder/TessarkStudio.exe" >/dev/null 2>&1 &
if wait_until 30 test -f "$folder/tessark-studio.json" -a -d "$data_folder"; then
    echo "it wrote $location\\tessark-studio.json and %LOCALAPPDATA%\\TessarkStudio"
else
    echo "it did not write its settings within 30 s" >&2
fi

quiet=$(entry_value QuietUninstallString)
say "Uninstalling: $quiet --purge"
uninstaller=$(sed -E 's/^"([^"]+)".*/\1/' <<<"$quiet")
status=0
wine "$uninstaller" /S --purge || status=$?
echo "exit code $status"
echo "waiting for the self-deletion of uninstall.exe and the folder"
wait_until 20 test ! -e "$folder" || echo "the folder is still there after 20 s" >&2

say "What is left"
left=0
[ -e "$folder" ] && { echo "folder     $folder"; left=1; }
[ -e "$data_folder" ] && { echo "data       %LOCALAPPDATA%\\TessarkStudio"; left=1; }
[ -n "$(shortcuts)" ] && { shortcuts | sed 's/^/shortcut   /'; left=1; }
wine reg query "$uninstall_key" >/dev/null 2>&1 && { echo "entry      $uninstall_key"; left=1; }
[ "$left" = 0 ] && echo "nothing"
exit $left
