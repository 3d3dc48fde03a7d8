#!/usr/bin/env bash
# Signs a Windows executable in place with an Authenticode signature
# (osslsigncode, SHA-256).
#   sign.sh (--pfx FILE | --cert FILE --key FILE) [--timestamp-url URL]
#           [--time SECONDS] EXE
# The password of the PFX file or of the key, if any, is read from the
# environment variable SIGN_PASSWORD, never from the command line (which
# other users of the machine can read in the process list).
#
# Without a timestamp server the signature embeds a signing time: --time
# (or else SOURCE_DATE_EPOCH) fixes it, so that signing the same file with
# the same certificate gives the same bytes. With --timestamp-url the server
# vouches for the time and the signature is no longer reproducible.
#
# Only options that osslsigncode 2.5 (Debian 12) and its backport both accept.
# OSSLSIGNCODE names another osslsigncode binary to use.
set -euo pipefail
osslsigncode=${OSSLSIGNCODE:-osslsigncode}

usage() {
    sed -n '3,5p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

pfx= cert= key= timestamp_url= time=${SOURCE_DATE_EPOCH:-}
while [ $# -gt 1 ]; do
    case $1 in
        --pfx) pfx=$2; shift 2 ;;
        --cert) cert=$2; shift 2 ;;
        --key) key=$2; shift 2 ;;
        --timestamp-url) timestamp_url=$2; shift 2 ;;
        --time) time=$2; shift 2 ;;
        *) usage ;;
    esac
done
[ $# -eq 1 ] || usage
exe=$1
[ -f "$exe" ] || { echo "sign.sh: no file '$exe'" >&2; exit 1; }

identity=()
if [ -n "$pfx" ]; then
    identity=(-pkcs12 "$pfx")
elif [ -n "$cert" ] && [ -n "$key" ]; then
    identity=(-certs "$cert" -key "$key")
else
    echo "sign.sh: give --pfx FILE, or --cert FILE and --key FILE" >&2
    exit 2
fi
for file in "$pfx" "$cert" "$key"; do
    [ -z "$file" ] || [ -r "$file" ] || { echo "sign.sh: cannot read '$file'" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/sign.XXXXXX")
trap 'rm -rf "$work"' EXIT

options=(-h sha256 -n "Tessark Studio")
if [ -n "${SIGN_PASSWORD:-}" ]; then
    (umask 077 && printf '%s' "$SIGN_PASSWORD" >"$work/password")
    options+=(-readpass "$work/password")
fi
if [ -n "$timestamp_url" ]; then
    options+=(-t "$timestamp_url")
elif [ -n "$time" ]; then
    options+=(-time "$time")
fi

# An executable that already carries a signature (a file signed by an
# earlier run) gets a fresh one rather than a second, nested one.
unsigned=$exe
if "$osslsigncode" extract-signature -in "$exe" -out "$work/old.sig" >/dev/null 2>&1; then
    "$osslsigncode" remove-signature -in "$exe" -out "$work/unsigned.exe" >/dev/null
    unsigned=$work/unsigned.exe
fi

if ! "$osslsigncode" sign "${identity[@]}" "${options[@]}" -in "$unsigned" -out "$work/signed.exe" >"$work/log" 2>&1; then
    echo "sign.sh: osslsigncode could not sign $(basename "$exe"):" >&2
    cat "$work/log" >&2
    exit 1
fi
# Replace the file in one step: a build never sees half a signed executable.
cp "$work/signed.exe" "$exe.signing"
chmod --reference="$exe" "$exe.signing"
mv -f "$exe.signing" "$exe"
