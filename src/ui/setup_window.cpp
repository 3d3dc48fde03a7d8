// A bare window for now: the screens, their layout and painting come with the
// window's own work. It already has its class, title and lifetime, so the
// roads of a window run can be exercised end to end.
#include "ui/setup_window.h"

#include "app/product.h"
#include "app/setup_state.h"
#include "platform/owners.h"

namespace {

constexpr COLORREF kBackground = RGB(0x0B, 0x0B, 0x0D);
constexpr int kWidth = 620;
constexpr int kHeight = 430;

void onPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    win::UniqueGdiObject brush(CreateSolidBrush(kBackground));
    FillRect(dc, &client, static_cast<HBRUSH>(brush.get()));
    EndPaint(window, &paint);
}

}  // namespace

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        onPaint(window);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND createSetupWindow(HINSTANCE instance) {
    SetupState& state = setupState();
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = product::kSetupWindowClass;
    RegisterClassExW(&windowClass);

    const wchar_t* title = state.uninstallMode ? product::kUninstallTitle : product::kInstallTitle;
    HWND window = CreateWindowExW(0, product::kSetupWindowClass, title,
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                                  CW_USEDEFAULT, kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    if (!window) return nullptr;
    state.window = window;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    return window;
}
