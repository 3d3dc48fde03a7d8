// Starting a helper program and waiting for it: the installed application's
// Explorer-entries step at install and at uninstall. And the program's own file.
#pragma once

#include <windows.h>

#include <string>

// Runs "exe" args without a window, with the exe's own folder as the current
// folder, and waits at most timeoutMs. True only when the process started and
// ended within the time; its exit code is not read, and one still running at
// the time-out is left running.
bool runAndWait(const std::wstring& exe, const std::wstring& args, DWORD timeoutMs);

// The full path of this program's own executable (GetModuleFileNameW), or an
// empty string when it cannot be read whole.
std::wstring runningExecutablePath();
