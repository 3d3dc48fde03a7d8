#!/usr/bin/env bash
# The install benchmark, on both corpora of bench/prepare-corpus.sh: our
# installer of the corpus folder against an NSIS 3 installer of the same files
# (amd64-unicode, solid LZMA, user level).
#
#   sizes      our installer at the default chunk size and at each size of
#              TS_BENCH_CHUNKS (default: 4, 16 and 32 MiB; "" for none), and NSIS's
#   time       silent installs under Wine, whole process, in one prefix; each
#              round runs ours, NSIS and a trivial window program (idle.exe)
#              one after another, started the same way. The work time of an
#              installer is its wall time minus idle.exe's in the same round:
#              under Wine the process start alone takes about a second and
#              would hide the difference. Medians over the rounds.
#   memory     growth of peak private bytes over idle.exe's, against the
#              limit image + payload + 8 MB
#
#   install-bench.sh [RUNS]          (default 5; needs build/host/bin/packer)
#
# TS_BENCH_WORK chooses the folder of the installers and the Wine prefix
# (default build/bench-install). On this machine's disk each install spends
# about a second more creating files than in memory (ext4 inode allocation
# just after the previous round deleted its tree), which hides the
# installers' own work; TS_BENCH_WORK=/dev/shm/ts-bench measures in memory.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
here=$root/bench/install
runs=${1:-5}
packer=${TS_PACKER:-$root/build/host/bin/packer}
cache=$root/build/bench-cache
work=${TS_BENCH_WORK:-$root/build/bench-install}
candidates=${TS_BENCH_CHUNKS-4194304 16777216 33554432}
corpora=(editor compiler)
mkdir -p "$work"

size() { stat -c %s "$1"; }
median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{v[NR]=$1} END {print (NR % 2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
mib() { echo "$(($1 / 1048576)) MiB"; }

# Our installers, from one build folder whose application folder and chunk
# size change. Every corpus folder gets the built stand-in TessarkStudio.exe.
configure() {
    cmake --preset windows -B "$work/win" -DTS_PACKER="$packer" -DTS_APP_DIR="$1" -DTS_CHUNK_SIZE="$2" >/dev/null
}
build_setup() {  # FOLDER CHUNK_SIZE (empty: the packer's default) OUTPUT
    configure "$1" "$2"
    cmake --build "$work/win" -j2 --target TessarkStudioSetup >/dev/null
    cp "$work/win/bin/TessarkStudioSetup.exe" "$3"
    cp "$work/win/payload.bin" "${3%.exe}.payload"
}

for corpus in "${corpora[@]}"; do
    "$root/bench/prepare-corpus.sh" "$cache" "$corpus"
done
folder() { echo "$work/$1/folder"; }
for corpus in "${corpora[@]}"; do
    if [ ! -d "$(folder "$corpus")" ]; then
        mkdir -p "$work/$corpus" && rm -rf "$work/$corpus/folder.tmp"
        if ! cp -al "$cache/$corpus/folder" "$work/$corpus/folder.tmp" 2>/dev/null; then
            # Another file system (TS_BENCH_WORK in memory): copies, not links.
            rm -rf "$work/$corpus/folder.tmp"
            cp -a "$cache/$corpus/folder" "$work/$corpus/folder.tmp"
        fi
        mv "$work/$corpus/folder.tmp" "$(folder "$corpus")"
    fi
done
configure "$(folder editor)" ""
cmake --build "$work/win" -j2 --target TessarkStudio uninstall >/dev/null
cp "$work/win/bin/uninstall.exe" "$work/uninstall.exe"
for corpus in "${corpora[@]}"; do
    cp "$work/win/bin/TessarkStudio.exe" "$(folder "$corpus")/TessarkStudio.exe"
done

for corpus in "${corpora[@]}"; do
    echo "bench: building the $corpus installers" >&2
    build_setup "$(folder "$corpus")" "" "$work/$corpus/setup-default.exe"
    for chunk in $candidates; do
        build_setup "$(folder "$corpus")" "$chunk" "$work/$corpus/setup-$chunk.exe"
    done
    # The NSIS installer of the same files (the build's uninstall.exe included).
    cat > "$work/$corpus/nsis.nsi" <<NSI
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
Name "Corpus"
OutFile "$work/$corpus/nsis-setup.exe"
InstallDir "\$LOCALAPPDATA\\Programs\\NsisCorpus"
Section
  SetOutPath "\$INSTDIR"
  File /r "$(folder "$corpus")/*"
  File "$work/uninstall.exe"
SectionEnd
NSI
    makensis -V1 "$work/$corpus/nsis.nsi" >/dev/null
done
# The packer's default, as the built payload's header tells it.
default_chunk=$(od -An -tu4 -j20 -N4 "$work/editor/setup-default.payload" | tr -d ' ')

x86_64-w64-mingw32-g++-posix -O2 -municode -static "$here/measure.cpp" -o "$work/measure.exe" -lpsapi
x86_64-w64-mingw32-g++-posix -O2 -municode -mwindows -static "$here/idle.cpp" -o "$work/idle.exe"

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

declare -A times peaks works
target=$WINEPREFIX/drive_c/bench
for ((i = 1; i <= runs; i++)); do
    echo "bench: round $i of $runs" >&2
    for corpus in "${corpora[@]}"; do
        declare -A round=()
        for name in ours nsis idle; do
            rm -rf "$target"
            case $name in
                ours) line=$(measure "$(windows "$work/$corpus/setup-default.exe")" /S '--dir=C:\bench\app') ;;
                nsis) line=$(measure "$(windows "$work/$corpus/nsis-setup.exe")" /S '/D=C:\bench\app') ;;
                idle) line=$(measure "$(windows "$work/idle.exe")") ;;
            esac
            read -r _ ms _ peak _ code <<<"$line"
            [ "$code" = 0 ] || { echo "bench: $name ($corpus) exited $code" >&2; exit 1; }
            round[$name]=$ms
            times[$corpus-$name]+="$ms "
            peaks[$corpus-$name]+="$peak "
        done
        for name in ours nsis; do
            works[$corpus-$name]+="$(echo "${round[$name]} - ${round[idle]}" | bc -l) "
        done
    done
done
rm -rf "$target"
idle_peak=$(measure "$(windows "$work/idle.exe")" 300 | awk '{print $4}')

ratio() { echo "$1 / $2" | bc -l; }
echo
echo "stub (uninstall.exe, the installer without its payload resources): $(size "$work/uninstall.exe") bytes"
echo "default chunk size: $default_chunk bytes; silent installs under Wine, $runs rounds, medians"
for corpus in "${corpora[@]}"; do
    dir=$work/$corpus
    nsis_size=$(size "$dir/nsis-setup.exe")
    image=$(find -L "$(folder "$corpus")" -type f -printf '%s\n' | awk '{s+=$1} END {print s}')
    image=$((image + $(size "$work/uninstall.exe")))
    files=$(find -L "$(folder "$corpus")" -type f | wc -l)
    echo
    echo "== $corpus corpus: $((files + 1)) files, $image bytes"
    echo "installer size"
    for chunk in $candidates default; do
        setup=$dir/setup-$chunk.exe
        label="ours, $(mib "${chunk/default/$default_chunk}") chunks"
        [ "$chunk" = default ] && label="$label (default)"
        printf '  %-32s %10d bytes  %.3fx NSIS\n' "$label" "$(size "$setup")" "$(ratio "$(size "$setup")" "$nsis_size")"
    done
    printf '  %-32s %10d bytes\n' "NSIS 3, solid LZMA" "$nsis_size"
    echo "silent install, wall time and work time (wall minus idle.exe's in the same round)"
    for name in ours nsis; do
        printf '  %-32s %8.0f ms wall %8.0f ms work\n' "$name" "$(median <<<"${times[$corpus-$name]}")" \
            "$(median <<<"${works[$corpus-$name]}")"
    done
    printf '  %-32s %8.0f ms wall\n' "idle.exe" "$(median <<<"${times[$corpus-idle]}")"
    printf '  %-32s %8.2f   (target <= 0.50)\n' "work time ours / NSIS" \
        "$(ratio "$(median <<<"${works[$corpus-ours]}")" "$(median <<<"${works[$corpus-nsis]}")")"
    echo "peak private bytes, growth over idle.exe's ($idle_peak bytes)"
    for name in ours nsis; do
        peak=$(median <<<"${peaks[$corpus-$name]}")
        printf '  %-32s %8.1f MB\n' "$name" "$(echo "($peak - $idle_peak) / 1048576" | bc -l)"
    done
    payload=$(size "$dir/setup-default.payload")
    printf '  %-32s %8.1f MB  (image %d + payload %d + 8 MB)\n' "limit" \
        "$(echo "($image + $payload) / 1048576 + 8" | bc -l)" "$image" "$payload"
done
