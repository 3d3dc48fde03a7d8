#!/usr/bin/env bash
# The install benchmark: a silent install of the realistic IDE corpus (the
# editor's ESM tree and a 10 MB executable, as bench/prepare-corpus.sh fetches
# them) under Wine, whole process, against an NSIS 3 installer of the same
# folder (amd64-unicode, solid LZMA, user level), in the same prefix and run,
# alternating. Prints medians, the time ratio, the installer sizes at 4 MiB
# and 16 MiB chunks, and the growth of peak private bytes over a trivial
# program's.
#   install-bench.sh [RUNS]          (default 5; needs build/host/bin/packer)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here=$root/bench/install
runs=${1:-5}
packer=${TS_PACKER:-$root/build/host/bin/packer}
cache=$root/build/bench-cache
work=${TS_BENCH_WORK:-$root/build/bench-install}
mkdir -p "$work"

"$root/bench/prepare-corpus.sh" "$cache"

# Our installer, built with the corpus as its application folder, once per
# chunk size. The folder must hold TessarkStudio.exe: the built stand-in.
corpus=$work/corpus
configure() {
    cmake --preset windows -B "$work/win" -DTS_PACKER="$packer" -DTS_APP_DIR="$corpus" -DTS_CHUNK_SIZE="$1" >/dev/null
}
if [ ! -d "$corpus" ]; then
    mkdir -p "$corpus.tmp"
    cp -al "$cache/unpacked/editor/package/esm" "$corpus.tmp/esm"
    cp -al "$cache/unpacked/esbuild/package/esbuild.exe" "$corpus.tmp/"
    mv "$corpus.tmp" "$corpus"
fi
configure 4194304
cmake --build "$work/win" -j2 --target TessarkStudio uninstall >/dev/null
cp "$work/win/bin/TessarkStudio.exe" "$corpus/TessarkStudio.exe"
for chunk in 4194304 16777216; do
    configure "$chunk"
    cmake --build "$work/win" -j2 --target TessarkStudioSetup >/dev/null
    cp "$work/win/bin/TessarkStudioSetup.exe" "$work/setup-$chunk.exe"
    cp "$work/win/payload.bin" "$work/payload-$chunk.bin"
done

# The NSIS installer of the same files (the build's uninstall.exe included).
cat > "$work/corpus.nsi" <<NSI
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
Name "Corpus"
OutFile "$work/nsis-setup.exe"
InstallDir "\$LOCALAPPDATA\\Programs\\NsisCorpus"
Section
  SetOutPath "\$INSTDIR"
  File /r "$corpus/*"
  File "$work/win/bin/uninstall.exe"
SectionEnd
NSI
makensis -V1 "$work/corpus.nsi" >/dev/null

for program in measure idle; do
    x86_64-w64-mingw32-g++-posix -O2 -municode -static "$here/$program.cpp" -o "$work/$program.exe" -lpsapi
done

# One prefix for every run, its server kept alive so that no run pays for
# Wine's start-up of the server.
"$root/tests/wine/make-template.sh" "$work/wine-template"
export WINEPREFIX=$work/prefix WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
rm -rf "$WINEPREFIX" && cp -a "$work/wine-template/." "$WINEPREFIX/"
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
windows() { winepath -w "$1" 2>/dev/null; }
measure() { wine "$(windows "$work/measure.exe")" "$@" | tr -d '\r'; }

declare -A times peaks
target=$WINEPREFIX/drive_c/bench
for ((i = 1; i <= runs; i++)); do
    for name in ours-4 nsis ours-16; do
        rm -rf "$target"
        case $name in
            ours-4) line=$(measure "$(windows "$work/setup-4194304.exe")" /S '--dir=C:\bench\app') ;;
            ours-16) line=$(measure "$(windows "$work/setup-16777216.exe")" /S '--dir=C:\bench\app') ;;
            nsis) line=$(measure "$(windows "$work/nsis-setup.exe")" /S '/D=C:\bench\app') ;;
        esac
        read -r _ ms _ peak _ code <<<"$line"
        [ "$code" = 0 ] || { echo "bench: $name exited $code" >&2; exit 1; }
        times[$name]+="$ms "
        peaks[$name]+="$peak "
    done
done
idle=$(measure "$(windows "$work/idle.exe")" | awk '{print $4}')

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
size() { stat -c %s "$1"; }
image=$(find -L "$corpus" -type f -printf '%s\n' | awk '{s+=$1} END {print s}')
image=$((image + $(size "$work/win/bin/uninstall.exe")))

ours=$(median <<<"${times[ours-4]}")
ours16=$(median <<<"${times[ours-16]}")
nsis=$(median <<<"${times[nsis]}")
echo
echo "silent install under Wine, $runs runs each, median wall time of the whole process"
printf '  %-28s %9.0f ms\n' "ours, 4 MiB chunks" "$ours" "ours, 16 MiB chunks" "$ours16" "NSIS 3, solid LZMA" "$nsis"
printf '  %-28s %9.2f   (target <= 0.60)\n' "ratio ours(4 MiB) / NSIS" "$(echo "$ours / $nsis" | bc -l)"
echo "installer sizes"
printf '  %-28s %9d bytes  (%+.1f%% vs NSIS)\n' \
    "ours, 4 MiB chunks" "$(size "$work/setup-4194304.exe")" \
    "$(echo "100 * ($(size "$work/setup-4194304.exe") / $(size "$work/nsis-setup.exe") - 1)" | bc -l)" \
    "ours, 16 MiB chunks" "$(size "$work/setup-16777216.exe")" \
    "$(echo "100 * ($(size "$work/setup-16777216.exe") / $(size "$work/nsis-setup.exe") - 1)" | bc -l)"
printf '  %-28s %9d bytes\n' "NSIS 3, solid LZMA" "$(size "$work/nsis-setup.exe")"
echo "peak private bytes (PeakPagefileUsage), growth over a trivial program's ($idle)"
for name in ours-4 ours-16 nsis; do
    peak=$(median <<<"${peaks[$name]}")
    printf '  %-28s %9.1f MB\n' "$name" "$(echo "($peak - $idle) / 1048576" | bc -l)"
done
payload=$(size "$work/payload-4194304.bin")
printf '  %-28s %9.1f MB  (image %d + payload %d + 8 MB)\n' "limit" \
    "$(echo "($image + $payload) / 1048576 + 8" | bc -l)" "$image" "$payload"
