#!/usr/bin/env bash
# Runs the native and the Windows test suites (the latter under Wine) and ends
# with one summary line over both.
set -uo pipefail
cd "$(dirname "$0")/.."
tests/wine/make-template.sh build/windows/wine/template || exit 1
jobs=${JOBS:-$(nproc)}
status=0
passed=0
failed=0
for build in build/host build/windows; do
    log=$(mktemp)
    ctest --test-dir "$build" --output-on-failure -j "$jobs" 2>&1 | tee "$log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
    line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -1)
    if [ -n "$line" ]; then
        total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
        bad=$(sed -E 's/.*passed, ([0-9]+) tests failed.*/\1/' <<<"$line")
        passed=$((passed + total - bad))
        failed=$((failed + bad))
    else
        status=1
    fi
    rm -f "$log"
done
echo
echo "summary: $passed passed, $failed failed"
exit $status
