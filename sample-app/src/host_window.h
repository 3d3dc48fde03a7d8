// The application's main window: a small dark window that shows the product
// name and the folder it was opened on. Its class "TessarkStudioHostWindow" is
// how the installer finds a running copy, and WM_CLOSE to it must end the
// process (the installer waits for the window to disappear) - unless a test
// asked for a copy that ignores WM_CLOSE.
#pragma once

#include "common/owners.h"

#include <string>

namespace studio {

// Owned by wWinMain and reached through GWLP_USERDATA; lives as long as the window.
struct HostWindow {
    std::wstring folder;  // shown under the title; empty when none was given
    bool ignoreClose = false;
    win::UniqueGdiObject titleFont;
    win::UniqueGdiObject textFont;
};

bool registerHostWindowClass(HINSTANCE instance);
// The top-level window, not yet shown; null on failure.
HWND createHostWindow(HINSTANCE instance, HostWindow& state);

}  // namespace studio
