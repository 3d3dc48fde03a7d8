// Opens the real setup window on any screen, without running anything, so
// that the screenshot script can show every screen: the state is filled the
// way the runs leave it, then the window runs its ordinary message loop.
// --focus=N puts the keyboard focus on element N, as Tab would;
// --high-contrast paints with "High Contrast Black", which Wine cannot switch on.
//   screen_preview.exe [welcome|working|done|failed] [--uninstall] [--update]
//                      [--no-webview2] [--progress=N] [--focus=N] [--high-contrast]
#include "high_contrast_theme.h"

#include "common/owners.h"
#include "ui/core/paint_plan.h"
#include "ui/gdiplus_runtime.h"
#include "ui/setup_state.h"
#include "ui/setup_window.h"

#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

Screen screenNamed(const std::wstring& name) {
    if (name == L"working") return Screen::Working;
    if (name == L"done") return Screen::Done;
    if (name == L"failed") return Screen::Failed;
    return Screen::Welcome;
}

struct Looks {
    int focusId = 0;
    bool highContrast = false;
};

void applyArgument(SetupState& state, Looks& looks, const std::wstring& argument) {
    if (argument == L"--uninstall") state.uninstallMode = true;
    else if (argument == L"--update") state.existingInstall = true;
    else if (argument == L"--no-webview2") state.webView2Present = false;
    else if (argument == L"--high-contrast") looks.highContrast = true;
    else if (argument.rfind(L"--progress=", 0) == 0) state.progress = std::wcstol(argument.c_str() + 11, nullptr, 10);
    else if (argument.rfind(L"--focus=", 0) == 0) looks.focusId = std::wcstol(argument.c_str() + 8, nullptr, 10);
    else state.screen = screenNamed(argument);
}

// After creation, which takes the system's palette.
void applyLooks(SetupState& state, const Looks& looks) {
    state.focusId = looks.focusId;
    if (looks.highContrast) state.palette = paint::choosePalette(true, uitest::kHighContrastBlack);
    InvalidateRect(state.window, nullptr, FALSE);
}

void fillTexts(SetupState& state) {
    state.options.installDir = L"C:\\Users\\tess\\AppData\\Local\\Programs\\Tessark Studio";
    state.uninstallOptions.installDir = state.options.installDir;
    state.payloadBytes = 5767168;
    state.options.explorerEntries = false;
    if (state.screen == Screen::Working) state.statusText = L"Writing files\u2026";
    if (state.screen == Screen::Done) {
        state.statusText = paint::resultSentence(state.uninstallMode, state.uninstallOptions.purgeSettings,
                                                 state.options.startMenuShortcut);
    }
    if (state.screen == Screen::Failed) {
        state.statusText = L"Writing files\u2026";
        state.errorText = L"Could not write C:\\Users\\tess\\AppData\\Local\\Programs\\Tessark Studio\\TessarkStudio.exe."
                          L"\n\nIf Tessark Studio is still running, close it and try again.";
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    SetupState& state = setupState();
    state.instance = instance;
    win::ComApartment com;
    GdiplusSession gdiplus;
    int count = 0;
    const win::UniqueLocal arguments(reinterpret_cast<HLOCAL>(CommandLineToArgvW(GetCommandLineW(), &count)));
    const auto* argv = static_cast<wchar_t**>(arguments.get());
    Looks looks;
    for (int i = 1; argv && i < count; ++i) applyArgument(state, looks, argv[i]);
    fillTexts(state);
    if (!createSetupWindow(instance)) return 1;
    applyLooks(state, looks);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
