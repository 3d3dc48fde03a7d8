// A running copy of the installed application. It keeps its files open, so
// an install cannot replace them and an uninstall cannot delete them while it
// runs. A running copy is recognised by its main window alone: a top-level
// window of the class product::kAppWindowClass, whatever its title.
#pragma once

#include <windows.h>

// True when a top-level window of the application's class exists.
bool isAppRunning();

// Asks the running application to close (one WM_CLOSE, posted to the first
// window found) and waits for its window to disappear, polling every 200 ms
// for up to ten seconds. True when no such window is left. Blocks the calling
// thread; call it without the user's consent only on roads that never ask.
bool closeRunningApp();

// The window install's step: when the application runs, asks the user
// whether to close it, closes it, and warns when it would not close. True
// when the install may go on (nothing was running, or it closed).
bool confirmCloseRunningApp(HWND owner);

// The window uninstall's step: closes a running application without asking
// and warns when it would not close. True when the uninstall may go on.
bool closeRunningAppOrWarn(HWND owner);
