#!/usr/bin/env bash
# Builds the benchmark's image: a realistic IDE folder (the editor's ESM tree
# and a 10 MB Windows executable), its files concatenated in byte order of
# their paths, as the packer lays out an install image. Tarballs, the image
# and its xz -9e size are cached in the given folder and reused.
#   prepare-corpus.sh CACHE_DIR   → CACHE_DIR/image.bin, image.files, image.xz-size
set -euo pipefail
cache=$1
mkdir -p "$cache"
cd "$cache"

packages=("monaco-editor@0.52.2" "@esbuild/win32-x64@0.24.0")
tarballs=("monaco-editor-0.52.2.tgz" "esbuild-win32-x64-0.24.0.tgz")
for i in "${!packages[@]}"; do
    if [ ! -s "${tarballs[$i]}" ]; then
        echo "bench: fetching ${packages[$i]}" >&2
        npm pack --silent "${packages[$i]}" >/dev/null
    fi
done

if [ ! -s image.bin ]; then
    rm -rf unpacked && mkdir -p unpacked/editor unpacked/esbuild
    tar -xzf "${tarballs[0]}" -C unpacked/editor
    tar -xzf "${tarballs[1]}" -C unpacked/esbuild
    {
        (cd unpacked/editor/package && find esm -type f | LC_ALL=C sort | sed 's|^|unpacked/editor/package/|')
        echo unpacked/esbuild/package/esbuild.exe
    } > image.files
    # xargs keeps the order; cat of thousands of files in one go.
    tr '\n' '\0' < image.files | xargs -0 cat > image.bin.tmp
    mv image.bin.tmp image.bin
    rm -f image.xz-size
fi

if [ ! -s image.xz-size ]; then
    echo "bench: measuring xz -9e (once, about a minute)" >&2
    xz -9e -T1 -c image.bin | wc -c > image.xz-size
fi
