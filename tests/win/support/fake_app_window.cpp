#include "fake_app_window.h"

#include "common/core/product.h"
#include "common/owners.h"

#include <mutex>

namespace ts {

namespace {

constexpr UINT kStopMessage = WM_APP + 1;
constexpr UINT_PTR kCloseTimer = 1;

void registerClassOnce(WNDPROC procedure) {
    static std::once_flag once;
    std::call_once(once, [procedure] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = product::kAppWindowClass;
        RegisterClassW(&windowClass);
    });
}

}  // namespace

FakeAppWindow::FakeAppWindow(OnClose onClose, DWORD closeDelayMs) : onClose_(onClose), closeDelayMs_(closeDelayMs) {
    registerClassOnce(windowProc);
    win::UniqueHandle created(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    thread_ = std::thread([this, event = created.get()] { run(event); });
    WaitForSingleObject(created.get(), 10000);
}

FakeAppWindow::~FakeAppWindow() {
    // A window that is already gone has ended its thread's loop too.
    if (IsWindow(window_)) PostMessageW(window_, kStopMessage, 0, 0);
    thread_.join();
}

void FakeAppWindow::run(HANDLE created) {
    window_ = CreateWindowExW(0, product::kAppWindowClass, L"Tessark Studio", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300,
                              nullptr, nullptr, GetModuleHandleW(nullptr), this);
    SetEvent(created);
    if (!window_) return;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

LRESULT CALLBACK FakeAppWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<FakeAppWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    return self->handle(window, message, wParam, lParam);
}

LRESULT FakeAppWindow::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        ++closeRequests_;
        if (onClose_ == OnClose::CloseAtOnce) DestroyWindow(window);
        if (onClose_ == OnClose::CloseLater) SetTimer(window, kCloseTimer, closeDelayMs_, nullptr);
        return 0;
    case WM_TIMER:
    case kStopMessage:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace ts
