// TessarkStudio.exe, the stand-in for the real application while the setup
// program is built and tested. It does, towards the installer, all that the
// real one does: one window of the class the installer looks for, the
// Explorer entries on request, and the files the uninstaller deletes by name.

#include "app_files.h"
#include "common/core/product.h"
#include "host_window.h"
#include "invocation.h"
#include "shell_entries.h"
#include "test_switches.h"

#include <windows.h>

using namespace studio;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;

void report(bool quiet, bool succeeded, const wchar_t* success, const wchar_t* failure) {
    if (quiet) return;
    ::MessageBoxW(nullptr, succeeded ? success : failure, product::kMessageCaption,
                  succeeded ? MB_OK | MB_ICONINFORMATION : MB_OK | MB_ICONERROR);
}

int runRegisterShell(const Invocation& invocation, const TestSwitches& switches) {
    const bool registered = registerShellEntries(exePath());
    report(invocation.quiet, registered, L"The Explorer entries were added.",
           L"The Explorer entries could not be added.");
    if (switches.slowRegister) ::Sleep(kSlowRegisterMs);
    return registered ? kExitOk : kExitFailed;
}

int runUnregisterShell(const Invocation& invocation) {
    const bool removed = unregisterShellEntries();
    report(invocation.quiet, removed, L"The Explorer entries were removed.",
           L"The Explorer entries could not be removed.");
    return removed ? kExitOk : kExitFailed;
}

int runMessageLoop() {
    MSG message;
    for (;;) {
        const BOOL result = ::GetMessageW(&message, nullptr, 0, 0);
        if (result == 0) return static_cast<int>(message.wParam);
        if (result == -1) return kExitFailed;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    const TestSwitches switches = readTestSwitches(exeFolder());
    recordLaunch(switches, ::GetCommandLineW());
    const Invocation invocation = parseInvocation(::GetCommandLineW());
    if (invocation.mode == Mode::RegisterShell) return runRegisterShell(invocation, switches);
    if (invocation.mode == Mode::UnregisterShell) return runUnregisterShell(invocation);

    prepareAppFiles();
    HostWindow state;
    state.folder = invocation.folder;
    state.ignoreClose = switches.ignoreClose;
    if (!registerHostWindowClass(instance)) return kExitFailed;
    const HWND window = createHostWindow(instance, state);
    if (!window) return kExitFailed;
    ::ShowWindow(window, showCommand);
    const int exitCode = runMessageLoop();
    if (switches.linger) ::Sleep(kLingerMs);
    return exitCode;
}
