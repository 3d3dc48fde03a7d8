// The worker thread of a window run. An install or uninstall takes seconds
// and the window must keep painting, so the procedure runs on one background
// thread, in its own single-threaded COM apartment, on copies of the options
// taken before it starts. It never touches the setup state: every report is a
// heap string posted to the window, and the window's thread applies the
// reports in the order they were posted. No lock or atomic is needed.
#pragma once

#include "common/core/options.h"

#include <windows.h>

#include <memory>
#include <thread>

// wParam: the percentage; lParam: a heap std::wstring with the status text,
// or 0 when it could not be allocated. The window frees the string.
inline constexpr UINT WM_SETUP_PROGRESS = WM_APP + 1;
// wParam: 1 when the procedure succeeded, else 0; lParam: a heap
// std::wstring with its error text (empty on success), or 0.
inline constexpr UINT WM_SETUP_DONE = WM_APP + 2;
static_assert(WM_SETUP_PROGRESS == 0x8001 && WM_SETUP_DONE == 0x8002);

// What the worker's thread receives and owns from its start to its end.
struct WorkerTask {
    HWND window = nullptr;
    bool uninstallMode = false;
    InstallOptions install;
    UninstallOptions uninstall;
};

// Starts the thread that runs the task and moves it into `worker`. False when
// the system would not give a thread (std::thread throws std::system_error);
// the task is then released.
using WorkerLauncher = bool (*)(std::unique_ptr<WorkerTask> task, std::thread& worker);
bool launchWorkerThread(std::unique_ptr<WorkerTask> task, std::thread& worker);

// The main action once its checks have passed: the Working screen at 0 % with
// "Starting…", then the worker on copies of the options. When no thread can
// be started no report would ever come, so the window goes to Failed at once
// with a sentence that says nothing was changed. `launch` is replaced only by
// tests that make the start fail.
void startWorker(WorkerLauncher launch = launchWorkerThread);

// The window's handling of the two reports, on its own thread.
void applyProgressReport(WPARAM percent, LPARAM text);
void applyDoneReport(WPARAM succeeded, LPARAM errorText);
