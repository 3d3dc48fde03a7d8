#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, as root. Idempotent:
# when every package is there it only checks and returns.
set -euo pipefail
packages=(
    cmake ninja-build pkg-config g++ clang libclang-rt-14-dev googletest python3 python3-yaml
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
    wine wine64 libwim-dev xz-utils
    xvfb xauth xdotool imagemagick
    osslsigncode openssl nsis
)
missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then exit 0; fi
echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps.sh: missing packages and not root; install them with apt-get: ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
