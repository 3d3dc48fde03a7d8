#!/usr/bin/env bash
# Renders every screen of the setup window into docs/screenshots/: the real
# window (tests/win/ui/screen_preview.exe, the window on a chosen screen with
# nothing running behind it) in Wine's virtual desktop, which draws a
# caption, on a private Xvfb display.
#   tools/screenshots.sh [BUILD_DIR]      (default: build/windows)
# Needs Xvfb, xdotool and ImageMagick's import.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/windows}
preview=$build/bin/screen_preview.exe
out=docs/screenshots
[ -f "$preview" ] || { echo "screenshots.sh: $preview is missing; build the target screen_preview" >&2; exit 2; }
tests/wine/make-template.sh "$build/wine/template"
mkdir -p "$out"

display=:$((200 + RANDOM % 300))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
prefix=$(mktemp -d)
cleanup() {
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    rm -rf "$prefix"
}
trap cleanup EXIT
cp -a "$build/wine/template/." "$prefix/"
export WINEPREFIX=$prefix DISPLAY=$display WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
# The template has the null display driver; these screenshots need X.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null 2>&1
wineserver -w

# shot NAME DPI SCREEN-ARGUMENTS...
shot() {
    local name=$1 dpi=$2
    shift 2
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wineserver -w
    # A desktop a little larger than the window, so the caption shows whole.
    local width=$((700 * dpi / 96)) height=$((520 * dpi / 96))
    wine explorer "/desktop=shot,${width}x${height}" "$preview" "$@" >/dev/null 2>&1 &
    local program=$!
    local desktop=""
    for _ in $(seq 300); do
        if xdotool search --name "Tessark Studio" >/dev/null 2>&1; then
            desktop=$(xdotool search --name "shot - Wine desktop" | head -1)
            break
        fi
        sleep 0.2
    done
    [ -n "$desktop" ] || { echo "screenshots.sh: no window for $name" >&2; return 1; }
    sleep 1.5  # the first paint
    import -window "$desktop" "$out/$name.png"
    wineserver -k
    wait "$program" 2>/dev/null || true
    echo "$out/$name.png"
}

shot install-welcome 96 welcome
shot install-welcome-no-webview2 96 welcome --no-webview2
shot update-welcome 96 welcome --update
shot uninstall-welcome 96 welcome --uninstall
shot working 96 working --progress=42
shot install-done 96 done
shot uninstall-done 96 done --uninstall
shot install-failed 96 failed
shot install-welcome-144dpi 144 welcome --no-webview2
# The keyboard's focus on the first option, as Tab leaves it; high contrast.
shot install-welcome-keyboard 96 welcome --focus=7
shot install-welcome-high-contrast 96 welcome --no-webview2 --high-contrast
