// A stand-in for the running application inside the test process: a hidden
// top-level window of the application's class, on a thread of its own with
// its own message loop, that answers WM_CLOSE as told and counts the requests.
#pragma once

#include <windows.h>

#include <atomic>
#include <thread>

namespace ts {

class FakeAppWindow {
public:
    enum class OnClose { CloseAtOnce, CloseLater, Ignore };

    // CloseLater closes closeDelayMs after the first WM_CLOSE.
    explicit FakeAppWindow(OnClose onClose, DWORD closeDelayMs = 0);
    ~FakeAppWindow();
    FakeAppWindow(const FakeAppWindow&) = delete;
    FakeAppWindow& operator=(const FakeAppWindow&) = delete;

    HWND window() const { return window_; }
    int closeRequests() const { return closeRequests_; }
    bool isOpen() const { return IsWindow(window_) != FALSE; }

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void run(HANDLE created);
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    const OnClose onClose_;
    const DWORD closeDelayMs_;
    std::atomic<int> closeRequests_{0};
    HWND window_ = nullptr;
    std::thread thread_;
};

}  // namespace ts
