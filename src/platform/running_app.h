// A running copy of the installed application. It keeps its files open, so
// an install cannot replace them and an uninstall cannot delete them while it
// runs. A running copy shows as its main window, a top-level window of the
// class product::kAppWindowClass whatever its title, which is asked to close;
// and as its processes, which are waited for until they have ended.
#pragma once

#include <windows.h>

#include <string>

// True when a top-level window of the application's class exists.
bool isAppRunning();

// Asks the running application to close (one WM_CLOSE, posted to the first
// window found) and waits for its window to disappear, polling every 200 ms,
// then for every process of installDir's TessarkStudio.exe to end (see
// app_processes.h), all within ten seconds. True when neither is left.
// Blocks the calling thread; call it without the user's consent only on
// roads that never ask.
bool closeRunningApp(const std::wstring& installDir);

// The window install's step: when the application's window is open, asks the
// user whether to close it; then closes it and waits as closeRunningApp does
// (without a question when only a process is left), and warns when the
// application is still running after the wait. True when the install may go
// on (nothing was running, or it ended).
bool confirmCloseRunningApp(HWND owner, const std::wstring& installDir);

// The window uninstall's step: closes a running application without asking,
// waits as closeRunningApp does, and warns when it is still running. True
// when the uninstall may go on.
bool closeRunningAppOrWarn(HWND owner, const std::wstring& installDir);
