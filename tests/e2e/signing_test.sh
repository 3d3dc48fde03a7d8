#!/usr/bin/env bash
# Signing, on copies of the built executables with a throwaway self-signed
# code-signing certificate:
#   - tools/sign.sh signs with a password-protected PFX file and with a
#     certificate/key pair, and `osslsigncode verify` accepts both signatures
#     against that certificate (-CAfile: the chain ends in it), but not
#     against another one, nor once a signed byte is changed;
#   - signing is reproducible without a timestamp server: the same file,
#     certificate and signing time (--time or SOURCE_DATE_EPOCH) give the same
#     bytes, also when an already signed file is signed again;
#   - a build configured without signing ships unsigned executables.
#   signing_test.sh BIN_DIR SIGN_SH BUILD_SIGNS(0|1)
# OSSLSIGNCODE names another osslsigncode binary to test with.
set -uo pipefail
bin=$1
sign=$2
build_signs=$3
osslsigncode=${OSSLSIGNCODE:-osslsigncode}
export OSSLSIGNCODE=$osslsigncode

work=$(mktemp -d "${TMPDIR:-/tmp}/signing-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# A self-signed certificate for code signing (extended key usage codeSigning).
make_certificate() {  # make_certificate NAME COMMON_NAME
    cat >"$work/$1.cnf" <<EOF
[req]
distinguished_name = dn
x509_extensions = ext
prompt = no
[dn]
CN = $2
[ext]
basicConstraints = critical,CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
EOF
    openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 30 -config "$work/$1.cnf" \
        -keyout "$work/$1.key" -out "$work/$1.pem" 2>/dev/null
}
make_certificate signer "Tessark Test Signing"
make_certificate stranger "Someone Else"
openssl pkcs12 -export -inkey "$work/signer.key" -in "$work/signer.pem" -out "$work/signer.pfx" \
    -passout pass:throwaway-password || { echo "FAIL: openssl could not make the PFX file" >&2; exit 1; }

verifies() {  # verifies FILE CA_PEM
    "$osslsigncode" verify -CAfile "$2" -in "$1" >"$work/verify.log" 2>&1
}
has_signature() {
    "$osslsigncode" extract-signature -in "$1" -out "$work/extracted.sig" >/dev/null 2>&1
}

for exe in uninstall.exe TessarkStudioSetup.exe; do
    [ -f "$bin/$exe" ] || { echo "FAIL: $bin/$exe is not built" >&2; exit 1; }
    if [ "$build_signs" = 0 ]; then
        if has_signature "$bin/$exe"; then fail "$exe is signed by a build configured without signing"; else pass "$exe built unsigned"; fi
    fi

    cp "$bin/$exe" "$work/pfx-$exe"
    if SIGN_PASSWORD=throwaway-password "$sign" --pfx "$work/signer.pfx" --time 1700000000 "$work/pfx-$exe"; then
        if verifies "$work/pfx-$exe" "$work/signer.pem"; then pass "$exe signed with a PFX file verifies"
        else fail "$exe signed with a PFX file does not verify:"; cat "$work/verify.log" >&2; fi
    else
        fail "$exe could not be signed with a PFX file"
    fi
    if verifies "$work/pfx-$exe" "$work/stranger.pem"; then fail "$exe verifies against a certificate that did not sign it"
    else pass "$exe does not verify against another certificate"; fi

    cp "$bin/$exe" "$work/pair-$exe"
    if "$sign" --cert "$work/signer.pem" --key "$work/signer.key" --time 1700000000 "$work/pair-$exe" &&
        verifies "$work/pair-$exe" "$work/signer.pem"; then
        pass "$exe signed with a certificate and key verifies"
    else
        fail "$exe signed with a certificate and key does not verify"
    fi
    if cmp -s "$work/pfx-$exe" "$work/pair-$exe"; then pass "$exe: the same key and time give the same bytes either way"
    else fail "$exe: PFX and certificate/key signatures differ"; fi

    cp "$bin/$exe" "$work/epoch-$exe"
    SOURCE_DATE_EPOCH=1700000000 "$sign" --cert "$work/signer.pem" --key "$work/signer.key" "$work/epoch-$exe"
    if cmp -s "$work/epoch-$exe" "$work/pair-$exe"; then pass "$exe: SOURCE_DATE_EPOCH fixes the signing time"
    else fail "$exe: signing with SOURCE_DATE_EPOCH is not reproducible"; fi

    cp "$work/pair-$exe" "$work/again-$exe"
    "$sign" --cert "$work/signer.pem" --key "$work/signer.key" --time 1700000000 "$work/again-$exe"
    if cmp -s "$work/again-$exe" "$work/pair-$exe"; then pass "$exe: signing a signed file again replaces its signature"
    else fail "$exe: signing a signed file again does not give the same bytes"; fi

    # Change one byte of the code inside the signed file (well inside the
    # first section, which starts at 0x400 in these executables).
    cp "$work/pair-$exe" "$work/tampered-$exe"
    printf '\x5a' | dd of="$work/tampered-$exe" bs=1 seek=5000 conv=notrunc status=none
    if verifies "$work/tampered-$exe" "$work/signer.pem"; then fail "$exe still verifies after a signed byte changed"
    else pass "$exe does not verify once a signed byte changed"; fi
done

# A wrong password is an error, not an unsigned file passed off as signed.
cp "$bin/uninstall.exe" "$work/wrong-password.exe"
if SIGN_PASSWORD=not-the-password "$sign" --pfx "$work/signer.pfx" "$work/wrong-password.exe" 2>/dev/null; then
    fail "signing with a wrong PFX password succeeded"
elif has_signature "$work/wrong-password.exe"; then
    fail "a failed signing left a signature"
else
    pass "a wrong PFX password fails and leaves the file unsigned"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all signing checks passed ($("$osslsigncode" --version 2>&1 | head -1))"
