#include "app/one_setup.h"

#include "app/silent_report.h"
#include "common/core/product.h"

#include <windows.h>

namespace {

constexpr wchar_t kAnotherSetupRunning[] = L"Another Tessark Studio setup is already running.";
constexpr int kExitRefused = 1;

// False when the running setup shows no window.
bool bringRunningSetupForward() {
    const HWND window = FindWindowW(product::kSetupWindowClass, nullptr);
    if (!window) return false;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    // A message box or the folder picker that the setup has open comes
    // forward instead of the window it blocks.
    SetForegroundWindow(GetLastActivePopup(window));
    return true;
}

}  // namespace

int refuseSecondSetup(bool silent) {
    if (silent) {
        reportSilentError(kAnotherSetupRunning);
    } else if (!bringRunningSetupForward()) {
        MessageBoxW(nullptr, kAnotherSetupRunning, product::kMessageCaption, MB_ICONWARNING);
    }
    return kExitRefused;
}
