// measure.exe COMMAND LINE...
// Runs the command line, polling the child's memory counters until it ends,
// and prints its wall time and the peak of its private bytes: the whole
// process as a user would wait for it, without Wine's own start-up of this
// launcher in the figure. Under Wine the counters of another process are
// only readable while it runs, hence the polling rather than one read at
// the end.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>

namespace {

// Everything after this program's own (possibly quoted) path.
const wchar_t* childCommandLine() {
    const wchar_t* line = GetCommandLineW();
    const bool quoted = *line == L'"';
    if (quoted) ++line;
    while (*line && (quoted ? *line != L'"' : *line != L' ')) ++line;
    if (quoted && *line) ++line;
    while (*line == L' ') ++line;
    return line;
}

SIZE_T peakPrivateBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters))) {
        return 0;
    }
    return counters.PeakPagefileUsage > counters.PrivateUsage ? counters.PeakPagefileUsage : counters.PrivateUsage;
}

}  // namespace

int wmain() {
    wchar_t command[32768];
    wcsncpy(command, childCommandLine(), 32767);
    command[32767] = 0;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        std::fprintf(stderr, "measure: cannot start %ls\n", command);
        return 2;
    }
    SIZE_T peak = 0;
    while (WaitForSingleObject(info.hProcess, 2) == WAIT_TIMEOUT) {
        const SIZE_T now = peakPrivateBytes(info.hProcess);
        if (now > peak) peak = now;
    }
    QueryPerformanceCounter(&end);
    const SIZE_T last = peakPrivateBytes(info.hProcess);
    if (last > peak) peak = last;
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    const double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    std::printf("ms %.1f peak %llu exit %lu\n", ms, static_cast<unsigned long long>(peak), code);
    return 0;
}
