// A stand-in for the setup window: a hidden top-level window of the test's
// thread, to own the message boxes and dialogs under test.
#pragma once

#include <windows.h>

namespace ts {

class OwnerWindow {
public:
    OwnerWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"PlatformTestOwner";
        RegisterClassW(&windowClass);  // fails harmlessly when already registered
        window_ = CreateWindowExW(0, L"PlatformTestOwner", L"Install Tessark Studio", WS_OVERLAPPEDWINDOW, 0, 0,
                                  300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~OwnerWindow() { DestroyWindow(window_); }
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;

    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

}  // namespace ts
