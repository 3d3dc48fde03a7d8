// Entry point of TessarkStudioSetup.exe and of uninstall.exe: the same
// sources, built twice. uninstall.exe carries no payload and is in uninstall
// mode without any option, since the uninstall entry starts it as
// "uninstall.exe" and "uninstall.exe /S".
#include "app/command_line.h"
#include "app/one_setup.h"
#include "app/runs.h"
#include "common/core/product.h"
#include "common/owners.h"
#include "common/session_mutex.h"
#include "ui/gdiplus_runtime.h"
#include "ui/setup_state.h"

#ifndef TS_UNINSTALLER_BUILD
#define TS_UNINSTALLER_BUILD 0
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before anything can load a DLL: only the system folder is searched, so a
    // DLL dropped beside the installer in a Downloads folder is never loaded.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    SetupState& state = setupState();
    state.instance = instance;
    win::ComApartment com;
    GdiplusSession gdiplus;  // shut down before COM: declared after it

    CommandLine line = parseCommandLine(GetCommandLineW());
    if (TS_UNINSTALLER_BUILD) line.uninstallMode = true;
    const win::SessionMutex oneSetup(product::kSetupMutexName);  // held until the run returns
    if (oneSetup.heldElsewhere()) return refuseSecondSetup(line.silent);

    std::wstring payloadError;
    if (!prepareMode(state, line, payloadError) && !line.silent) {
        MessageBoxW(nullptr, payloadError.c_str(), product::kMessageCaption, MB_ICONERROR);
        return 1;
    }
    return line.silent ? runSilent(state, line.relaunch) : runWindow(state);
}
