// Closing the running application. The close request is posted, never sent:
// a sent WM_CLOSE would run inside the application's window procedure, which
// may stop on a question of its own, and leave this thread waiting with it.
// The window disappearing is not the end: its process may still hold the
// application's files, so that is waited for within the same ten seconds.
#include "platform/running_app.h"

#include "common/core/product.h"
#include "platform/app_processes.h"

namespace {

constexpr DWORD kPollIntervalMs = 200;
constexpr int kMaxSleeps = 50;  // 50 × 200 ms: ten seconds in all
constexpr ULONGLONG kCloseBudgetMs = kMaxSleeps * kPollIntervalMs;

constexpr wchar_t kCloseQuestion[] =
    L"Tessark Studio is open. It has to close before its files can be replaced.\n\nClose it now?";
constexpr wchar_t kStillRunningWarning[] = L"Tessark Studio is still running. Close it and try again.";
constexpr wchar_t kCloseItWarning[] = L"Close Tessark Studio and try again.";

HWND findAppWindow() {
    return FindWindowW(product::kAppWindowClass, nullptr);
}

// True when no window of the application is left after the polls.
bool closeAppWindow() {
    for (int attempt = 0; attempt < kMaxSleeps; ++attempt) {
        const HWND window = findAppWindow();
        if (!window) return true;
        // Only the window of the first look is asked; later looks only poll.
        if (attempt == 0) PostMessageW(window, WM_CLOSE, 0, 0);
        Sleep(kPollIntervalMs);
    }
    return findAppWindow() == nullptr;
}

}  // namespace

bool isAppRunning() {
    return findAppWindow() != nullptr;
}

bool closeRunningApp(const std::wstring& installDir) {
    const ULONGLONG deadline = GetTickCount64() + kCloseBudgetMs;
    return closeAppWindow() && waitForAppProcesses(installDir, deadline);
}

bool confirmCloseRunningApp(HWND owner, const std::wstring& installDir) {
    if (isAppRunning()) {
        const int answer =
            MessageBoxW(owner, kCloseQuestion, product::kMessageCaption, MB_YESNO | MB_ICONQUESTION);
        if (answer != IDYES) return false;
    }
    if (closeRunningApp(installDir)) return true;
    MessageBoxW(owner, kStillRunningWarning, product::kMessageCaption, MB_ICONWARNING);
    return false;
}

bool closeRunningAppOrWarn(HWND owner, const std::wstring& installDir) {
    if (closeRunningApp(installDir)) return true;
    MessageBoxW(owner, kCloseItWarning, product::kMessageCaption, MB_ICONWARNING);
    return false;
}
