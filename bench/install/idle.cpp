// The baseline of the memory figure: a trivial Win32 program that only waits
// long enough for the launcher to read its counters.
#include <windows.h>

int wmain() {
    Sleep(300);
    return 0;
}
