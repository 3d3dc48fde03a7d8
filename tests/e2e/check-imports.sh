#!/usr/bin/env bash
# An installer is started from a Downloads folder, where anyone can drop a DLL
# beside it. Windows takes a DLL named in the import table from the program's
# own folder first unless it is a KnownDLL, so the executables may import only
# DLLs that Windows always loads from the system folder; everything else is
# loaded at run time from the system folder (LOAD_LIBRARY_SEARCH_SYSTEM32).
#   check-imports.sh OBJDUMP EXE...
set -euo pipefail
objdump=$1
shift
known=" kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll comdlg32.dll
        msvcrt.dll shlwapi.dll combase.dll rpcrt4.dll imm32.dll ws2_32.dll ntdll.dll "
status=0
for exe in "$@"; do
    imports=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
    if [ -z "$imports" ]; then
        echo "FAIL $(basename "$exe"): no import table found" >&2
        status=1
        continue
    fi
    for dll in $imports; do
        if [[ "$known" != *" $dll "* ]]; then
            echo "FAIL $(basename "$exe") imports $dll, which Windows may load from the program's own folder" >&2
            status=1
        fi
    done
    echo "$(basename "$exe"): $(echo $imports)"
done
exit $status
