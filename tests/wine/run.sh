#!/usr/bin/env bash
# Runs one Windows program under Wine in a fresh copy of the template prefix and
# removes the copy afterwards, so that no test sees another's registry or files.
#   run.sh PROGRAM.exe [ARGS...]
# Environment: TS_WINE_TEMPLATE (required) - the template prefix;
#   TS_KEEP_PREFIX=1 - keep the copy (its path is printed) for a post-mortem.
set -uo pipefail
template=${TS_WINE_TEMPLATE:?TS_WINE_TEMPLATE is not set}
if [ ! -f "$template/.ready" ]; then
    echo "run.sh: the template prefix $template is missing; run tests/wine/make-template.sh" >&2
    exit 2
fi
prefix=$(mktemp -d "$(dirname "$template")/run.XXXXXX")
cp -a "$template/." "$prefix/"
export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"winemenubuilder.exe=d;mscoree,mshtml="}
wine "$@"
status=$?
wineserver -k 2>/dev/null
if [ "${TS_KEEP_PREFIX:-0}" = 1 ]; then
    echo "run.sh: prefix kept at $prefix" >&2
else
    rm -rf "$prefix"
fi
exit $status
