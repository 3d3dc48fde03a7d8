#!/usr/bin/env bash
# The built installer and uninstaller driven through their real windows on a
# private Xvfb display, with xdotool clicking where the screen shows the
# buttons. Buttons are found by colour: the primary button is the only accent
# (or accent-hover) area in the right half of the screen, and the secondary
# buttons have their fixed place beside it.
#   window_e2e.sh BIN_DIR TEMPLATE_PREFIX install-uninstall   (96 DPI)
#   window_e2e.sh BIN_DIR TEMPLATE_PREFIX client-144          (144 DPI, size only)
set -uo pipefail
bin=$1
template=$2
scenario=$3

fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in Xvfb xdotool import convert; do command -v $tool >/dev/null || fail "$tool is missing"; done
[ -f "$template/.ready" ] || fail "no template prefix at $template"

work=$(mktemp -d)
display=:$((500 + RANDOM % 400))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
cleanup() {
    WINEPREFIX=$work/prefix wineserver -k 2>/dev/null
    kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/prefix"
cp -a "$template/." "$work/prefix/"
export WINEPREFIX=$work/prefix DISPLAY=$display WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
dpi=96
[ "$scenario" = client-144 ] && dpi=144
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null 2>&1
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null 2>&1
# A per-user WebView2 registration: the welcome screen then has no link, whose
# text has the accent colour.
wine reg add 'HKCU\Software\Microsoft\EdgeUpdate\Clients\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}' /v pv /d 1.2.3.4 /f >/dev/null 2>&1
wineserver -w

scale() { echo $((($1 * dpi + 48) / 96)); }
shot=$work/screen.png

# The bounding box "W H X Y" of the given colours in the right half of the screen; empty when none.
colour_box() {
    import -window root "$shot" 2>/dev/null || return
    local args=() colour
    for colour in "$@"; do args+=(-opaque "$colour"); done
    local box
    box=$(convert "$shot" -crop 640x1024+640+0 +repage -fill '#FF00FF' "${args[@]}" -fill black +opaque '#FF00FF' \
        -trim -format '%w %h %X %Y' info: 2>/dev/null)
    set -- $box
    [ "${1:-1}" -gt 1 ] && echo "$1 $2 $((640 + ${3#+})) ${4#+}"
}
primary_box() { colour_box '#0A84FF' '#329BFF'; }
secondary_box() { colour_box '#2A2A2E' '#35353A'; }

wait_for() {  # wait_for SECONDS COMMAND...
    local seconds=$1
    shift
    for _ in $(seq $((seconds * 4))); do
        "$@" && return 0
        sleep 0.25
    done
    return 1
}
window_named() { xdotool search --name "$1" >/dev/null 2>&1; }
primary_width_is() { set -- "$1" $(primary_box); [ "${2:-0}" -eq "$1" ]; }
# Done shows no secondary button and no track in the right half, and a primary button.
uninstall_done() { [ -z "$(secondary_box)" ] && [ -n "$(primary_box)" ]; }

click_at() {
    xdotool mousemove "$1" "$2" click 1
    sleep 0.3
}
click_primary() {
    set -- $(primary_box)
    [ $# -eq 4 ] || fail "no primary button on the screen"
    click_at $(($3 + $1 / 2)) $(($4 + $2 / 2))
}
# The secondary button left of the primary one: a gap of 10 and 96 wide, logically.
click_left_of_primary() {
    set -- $(primary_box)
    [ $# -eq 4 ] || fail "no primary button on the screen"
    click_at $(($3 - $(scale 10) - $(scale 96) / 2)) $(($4 + $2 / 2))
}

wait_exit() {  # wait_exit PID SECONDS: the exit code, 124 on time-out
    for _ in $(seq $(($2 * 4))); do
        kill -0 "$1" 2>/dev/null || { wait "$1"; return $?; }
        sleep 0.25
    done
    return 124
}

client_size_check() {
    wine "$bin/TessarkStudioSetup.exe" >/dev/null 2>&1 &
    local setup=$!
    wait_for 60 window_named "Install Tessark Studio" || fail "no install window"
    sleep 2
    # Background and header band together cover the whole client area.
    set -- $(colour_box '#0B0B0D' '#18181B')
    echo "client (its right half) $1 x $2 at $dpi DPI"
    [ "$2" -eq "$(scale 430)" ] || fail "client height $2, expected $(scale 430)"
    set -- $(primary_box)
    [ "$1" -eq "$(scale 126)" ] && [ "$2" -eq "$(scale 34)" ] || fail "main button $1 x $2"
    # The left edge of the client: the right edge of the main button less the width and margin.
    local right=$(($3 + $1)) left
    left=$(($right + $(scale 30) - $(scale 620)))
    import -window root "$shot"
    [ "$(convert "$shot" -format "%[hex:u.p{$left,$(($4 + 5))}]" info:)" = 0B0B0D ] || fail "client does not start at x $left"
    [ "$(convert "$shot" -format "%[hex:u.p{$(($left - 1)),$(($4 + 5))}]" info:)" != 0B0B0D ] || fail "client wider than $(scale 620)"
    xdotool key Escape
    wait_exit $setup 30 || fail "Escape did not end the run"
    echo "PASS client size at $dpi DPI: $(scale 620) x $(scale 430)"
}

install_and_uninstall() {
    local user programs folder key log
    user=$(wine cmd /c 'echo %USERNAME%' 2>/dev/null | tr -d '\r')
    programs=$WINEPREFIX/drive_c/users/$user/AppData/Local/Programs
    folder=$programs/Tessark\ Studio
    key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\TessarkStudio'
    log=$work/launch-log.txt
    export TS_SAMPLE_LAUNCH_LOG="Z:${log//\//\\}"

    wine "$bin/TessarkStudioSetup.exe" >/dev/null 2>&1 &
    local setup=$!
    wait_for 60 window_named "Install Tessark Studio" || fail "no install window"
    wait_for 20 primary_width_is "$(scale 126)" || fail "no Install button"
    click_primary
    wait_for 120 primary_width_is "$(scale 170)" || fail "the install did not reach Done"
    # The install itself runs the application for its Explorer entries; only
    # the other starts are the user's.
    user_starts() {
        if [ -f "$log" ]; then grep -vc -- '--register-shell' "$log"; else echo 0; fi
    }
    # Copies of the application running in this prefix, other than that run.
    # A start made with ShellExecuteW is a process by the time the call
    # returns, and a copy runs until it is closed, so it is counted here
    # whether or not it has logged yet. (A Wine process shows its Windows
    # command line, and its environment names its prefix.)
    user_copies_running() {
        local pid count=0
        for pid in $(pgrep -f 'TessarkStudio\.exe'); do
            tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
            tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q -- '--register-shell' && continue
            count=$((count + 1))
        done
        echo $count
    }
    # Done on the screen means the window has handled every message queued
    # before that paint, the switch to Done included: a start made there
    # would be running now.
    [ "$(user_copies_running)" -eq 0 ] && [ "$(user_starts)" -eq 0 ] ||
        fail "the application started while Done was shown"
    # "Close" with the launch box ticked starts the application once.
    click_left_of_primary
    wait_exit $setup 30
    [ $? -eq 0 ] || fail "the window install did not exit with 0"
    started_once() { [ "$(user_starts)" -ge 1 ]; }
    wait_for 30 started_once || fail "the ticked launch box did not start the application"
    # The setup program has exited, so every start it made is running.
    [ "$(user_copies_running)" -eq 1 ] && [ "$(user_starts)" -eq 1 ] ||
        fail "the application started more than once"

    for file in TessarkStudio.exe uninstall.exe install-manifest.txt; do
        [ -f "$folder/$file" ] || fail "$file was not installed"
    done
    [ -f "$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tessark Studio.lnk" ] ||
        fail "no Start-menu shortcut"
    wine reg query "$key" /v InstallLocation 2>/dev/null | grep -q 'Tessark Studio' || fail "no uninstall entry"
    echo "PASS install through the window"

    # The application runs; the uninstall closes it without asking.
    wine "$folder/uninstall.exe" >/dev/null 2>&1 &
    local uninstall=$!
    wait_for 60 window_named "Uninstall Tessark Studio" || fail "no uninstall window"
    wait_for 20 primary_width_is "$(scale 126)" || fail "no Remove button"
    click_primary
    wait_for 120 uninstall_done || fail "the uninstall did not reach Done"
    click_primary
    wait_exit $uninstall 30
    [ $? -eq 0 ] || fail "the window uninstall did not exit with 0"
    # The application wrote its settings while it ran; without the purge box
    # they stay, and so does the folder that holds them, with nothing else.
    wait_for 30 test ! -e "$folder/uninstall.exe" || fail "the uninstaller was not deleted after exit"
    local left
    left=$(ls -A "$folder" 2>/dev/null | tr '\n' ' ')
    [ -z "$left" ] || [ "$left" = "tessark-studio.json " ] || fail "left in the folder: $left"
    wine reg query "$key" >/dev/null 2>&1 && fail "the uninstall entry is still there"
    echo "PASS uninstall through the window, uninstaller deleted after exit, settings kept"
}

case $scenario in
install-uninstall) install_and_uninstall ;;
client-144) client_size_check ;;
*) fail "unknown scenario $scenario" ;;
esac
