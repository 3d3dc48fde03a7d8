// The processes of the installed application. Its window can be gone while
// its process still runs and holds TessarkStudio.exe open (a WebView2
// application tears down its browser processes after the window), so closing
// the application means waiting for the process too.
#pragma once

#include <windows.h>

#include <string>

// Waits until no process runs the install folder's TessarkStudio.exe, at the
// latest until the GetTickCount64 value `deadline`. A process counts when its
// executable is that very file (same volume serial number and file index),
// by whatever path or name it was started. True when none is left; true at
// once when the folder holds no such file.
bool waitForAppProcesses(const std::wstring& installDir, ULONGLONG deadline);
