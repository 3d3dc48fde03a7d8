#include "app/runs.h"

#include "app/silent_report.h"
#include "common/core/paths.h"
#include "common/core/product.h"
#include "common/file_io.h"
#include "common/process.h"
#include "install/install.h"
#include "payload/payload_resource.h"
#include "platform/install_folder.h"
#include "platform/launch_app.h"
#include "platform/running_app.h"
#include "platform/webview2.h"
#include "ui/setup_window.h"
#include "uninstall/self_delete.h"
#include "uninstall/uninstall.h"

namespace {

bool prepareInstall(SetupState& state, std::wstring& payloadError) {
    if (state.options.installDir.empty()) state.options.installDir = defaultInstallDir();
    // Whatever its source (--dir=, the uninstall entry, the fallback), a
    // relative or drive-relative folder would be written into the uninstall
    // entry and the shortcuts as it stands, and they would point nowhere; so
    // it is resolved here, before the window shows it or a check looks at it.
    state.options.installDir = fullPathName(state.options.installDir);
    state.existingInstall = isExistingFile(joinPath(state.options.installDir, product::kManifestFile));
    state.webView2Present = isWebView2Installed();

    Payload payload;
    if (!openPayload(payload, payloadError)) return false;
    state.payloadBytes = payloadBytes(payload);
    return true;
}

}  // namespace

bool prepareMode(SetupState& state, const CommandLine& line, std::wstring& payloadError) {
    state.uninstallMode = line.uninstallMode;
    state.options = line.install;
    state.uninstallOptions.purgeSettings = line.uninstall.purgeSettings;
    if (state.uninstallMode) {
        state.uninstallOptions.installDir = parentPath(runningExecutablePath());
        return true;
    }
    return prepareInstall(state, payloadError);
}

int runSilent(SetupState& state, bool relaunch) {
    const ProgressCallback ignoreProgress = [](int, const std::wstring&) {};
    state.options.launchAfter = relaunch;
    if (!state.uninstallMode) {
        const std::wstring refusal = silentInstallFolderRefusal(state.options.installDir);
        if (!refusal.empty()) {
            reportSilentError(refusal);
            return 1;
        }
    }
    // Whatever the outcome, the procedure runs: it fails on its own where a file is held.
    closeRunningApp(state.uninstallMode ? state.uninstallOptions.installDir : state.options.installDir);

    std::wstring error;
    bool ok = false;
    if (state.uninstallMode) {
        ok = performUninstall(state.uninstallOptions, ignoreProgress, error);
        if (ok) scheduleSelfDelete(state.uninstallOptions.installDir, state.uninstallOptions.purgeSettings);
    } else {
        ok = performInstall(state.options, ignoreProgress, error);
        if (ok && state.options.launchAfter) launchApp(state.options.installDir);
    }
    if (!ok) reportSilentError(error);
    return ok ? 0 : 1;
}

int runWindow(SetupState& state) {
    if (!createSetupWindow(state.instance)) return 1;
    MSG message;
    // GetMessageW returns -1 on an invalid call; only a positive result is a message.
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (state.worker.joinable()) state.worker.join();
    if (state.uninstallMode && state.screen == Screen::Done) {
        scheduleSelfDelete(state.uninstallOptions.installDir, state.uninstallOptions.purgeSettings);
    }
    return 0;
}
