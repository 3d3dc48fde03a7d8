#!/usr/bin/env bash
# Builds one of the benchmark corpora: a real application folder fetched once
# with npm, and its image (the folder's files concatenated in byte order of
# their paths, as the packer lays out an install image) with the image's
# xz -9e size as a yardstick. Everything is cached in CACHE_DIR/CORPUS and
# reused.
#   prepare-corpus.sh CACHE_DIR CORPUS   → CACHE_DIR/CORPUS/folder/, image.bin, image.files, image.xz-size
#
# The corpora, two kinds of payload a WebView application ships:
#   editor    the editor's ESM tree (about 1,200 small and mid-sized scripts,
#             styles and workers) and a 10 MB Windows executable: 36 MB
#   compiler  a compiler package whose multi-MB bundles share most of their
#             code (tsc.js, tsserver.js, typescript.js, ...) and a 33 MB
#             Windows executable: 66 MB
set -euo pipefail
cache=$1
corpus=$2

case $corpus in
    editor)
        packages=("monaco-editor@0.52.2" "@esbuild/win32-x64@0.24.0")
        tarballs=("monaco-editor-0.52.2.tgz" "esbuild-win32-x64-0.24.0.tgz")
        # tarball index, path inside its package, place in the folder
        layout=("0 esm esm" "1 esbuild.exe esbuild.exe")
        ;;
    compiler)
        packages=("typescript@5.4.5" "@biomejs/cli-win32-x64@1.9.4")
        tarballs=("typescript-5.4.5.tgz" "biomejs-cli-win32-x64-1.9.4.tgz")
        layout=("0 . typescript" "1 biome.exe biome.exe")
        ;;
    *)
        echo "prepare-corpus.sh: unknown corpus '$corpus' (editor, compiler)" >&2
        exit 2
        ;;
esac

mkdir -p "$cache"
cd "$cache"
for i in "${!packages[@]}"; do
    if [ ! -s "${tarballs[$i]}" ]; then
        echo "bench: fetching ${packages[$i]}" >&2
        npm pack --silent "${packages[$i]}" >/dev/null
    fi
done

mkdir -p "$corpus"
cd "$corpus"
if [ ! -d folder ]; then
    rm -rf unpacked folder.tmp && mkdir -p folder.tmp
    for i in "${!tarballs[@]}"; do
        mkdir -p "unpacked/$i" && tar -xzf "../${tarballs[$i]}" -C "unpacked/$i"
    done
    for entry in "${layout[@]}"; do
        read -r index from to <<<"$entry"
        cp -al "unpacked/$index/package/$from" "folder.tmp/$to"
    done
    mv folder.tmp folder
    rm -f image.bin
fi

if [ ! -s image.bin ]; then
    (cd folder && find . -type f | sed 's|^\./||' | LC_ALL=C sort) > image.files
    # xargs keeps the order; cat of thousands of files in one go.
    (cd folder && tr '\n' '\0' < ../image.files | xargs -0 cat) > image.bin.tmp
    mv image.bin.tmp image.bin
    rm -f image.xz-size
fi

if [ ! -s image.xz-size ]; then
    echo "bench: measuring xz -9e of the $corpus image (once, a minute or two)" >&2
    xz -9e -T1 -c image.bin | wc -c > image.xz-size
fi
