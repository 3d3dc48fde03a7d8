#include "ui/worker.h"

#include "common/owners.h"
#include "install/install.h"
#include "ui/accessibility.h"
#include "ui/core/paint_plan.h"
#include "ui/core/texts.h"
#include "ui/setup_state.h"
#include "ui/window_proc.h"
#include "uninstall/uninstall.h"

#include <new>
#include <string>
#include <system_error>

namespace {

// Setup stopped by something the procedures do not report themselves (an
// exception out of the standard library): the window must still leave Working.
constexpr wchar_t kStoppedUnexpectedly[] = L"Setup stopped unexpectedly before it finished.";

std::wstring* heapCopy(const std::wstring& text) noexcept {
    try {
        return new std::wstring(text);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// Posts one report. A post that fails (the window is gone) drops the report,
// and the string that would have been the window's to free is freed here.
void postReport(HWND window, UINT message, WPARAM wParam, const std::wstring& text) {
    std::wstring* copy = heapCopy(text);
    if (!PostMessageW(window, message, wParam, reinterpret_cast<LPARAM>(copy))) delete copy;
}

// Takes back a string a report carried; empty pointer when lParam was 0.
std::unique_ptr<std::wstring> takeReportText(LPARAM text) {
    return std::unique_ptr<std::wstring>(reinterpret_cast<std::wstring*>(text));
}

bool runProcedure(const WorkerTask& task, const ProgressCallback& report, std::wstring& error) {
    try {
        return task.uninstallMode ? performUninstall(task.uninstall, report, error)
                                  : performInstall(task.install, report, error);
    } catch (const std::exception&) {
        error = kStoppedUnexpectedly;
        return false;
    }
}

void workerMain(std::unique_ptr<WorkerTask> task) {
    const HWND window = task->window;
    std::wstring error;
    bool ok = false;
    {
        // Shortcuts and known folders need COM; the apartment is this thread's own.
        const win::ComApartment apartment;
        const ProgressCallback report = [window](int percent, const std::wstring& text) {
            postReport(window, WM_SETUP_PROGRESS, static_cast<WPARAM>(percent), text);
        };
        ok = runProcedure(*task, report, error);
    }
    postReport(window, WM_SETUP_DONE, ok ? 1 : 0, error);
}

}  // namespace

bool launchWorkerThread(std::unique_ptr<WorkerTask> task, std::thread& worker) {
    try {
        worker = std::thread(workerMain, std::move(task));
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

void startWorker(WorkerLauncher launch) {
    SetupState& state = setupState();
    state.progress = 0;
    state.statusText = ui_texts::kStarting;
    enterScreen(Screen::Working);

    auto task = std::make_unique<WorkerTask>();
    task->window = state.window;
    task->uninstallMode = state.uninstallMode;
    task->install = state.options;
    task->uninstall = state.uninstallOptions;
    if (state.worker.joinable()) state.worker.join();
    if (launch(std::move(task), state.worker)) return;

    state.errorText = ui_texts::kWorkerNotStarted;
    enterScreen(Screen::Failed);
}

void applyProgressReport(WPARAM percent, LPARAM text) {
    SetupState& state = setupState();
    const int before = state.progress;
    state.progress = static_cast<int>(percent);
    bool statusChanged = false;
    if (const auto status = takeReportText(text)) {
        statusChanged = *status != state.statusText;
        state.statusText = *status;
    }
    InvalidateRect(state.window, nullptr, FALSE);
    announceProgress(state.progress != before, statusChanged);
}

void applyDoneReport(WPARAM succeeded, LPARAM errorText) {
    SetupState& state = setupState();
    if (const auto error = takeReportText(errorText)) state.errorText = *error;
    if (state.worker.joinable()) state.worker.join();
    if (succeeded) {
        state.statusText = paint::resultSentence(state.uninstallMode, state.uninstallOptions.purgeSettings,
                                                 state.options.startMenuShortcut);
    }
    enterScreen(succeeded ? Screen::Done : Screen::Failed);
}
