#include "window_fixture.h"

#include "ui/setup_window.h"
#include "ui/worker.h"

namespace uitest {

void resetState() {
    SetupState& state = setupState();
    if (state.window && IsWindow(state.window)) DestroyWindow(state.window);
    if (state.worker.joinable()) state.worker.join();
    pumpPending();
    state = SetupState{};
    state.instance = GetModuleHandleW(nullptr);
}

HWND openWindow(const std::function<void(SetupState&)>& prepare) {
    resetState();
    prepare(setupState());
    HWND window = createSetupWindow(setupState().instance);
    pumpPending();
    return window;
}

void pumpPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;  // the window's end; the tests go on
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool pumpUntil(const std::function<bool()>& predicate, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!predicate()) {
        if (GetTickCount64() > end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        pumpPending();
    }
    return true;
}

bool windowGone() {
    const HWND window = setupState().window;
    return !window || !IsWindow(window);
}

const UiElement* element(int id) {
    for (const UiElement& e : setupState().elements) {
        if (e.id == id) return &e;
    }
    return nullptr;
}

POINT centreOf(int id) {
    const UiElement* e = element(id);
    if (!e) return {-1, -1};
    return {(e->rect.left + e->rect.right) / 2, (e->rect.top + e->rect.bottom) / 2};
}

void pressAndRelease(POINT down, POINT up) {
    const HWND window = setupState().window;
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(down.x, down.y));
    SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
    pumpPending();
}

void clickOn(int id) {
    const POINT centre = centreOf(id);
    pressAndRelease(centre, centre);
}

void key(WPARAM virtualKey) {
    SendMessageW(setupState().window, WM_KEYDOWN, virtualKey, 1);
    pumpPending();
}

void closeRequest() {
    SendMessageW(setupState().window, WM_CLOSE, 0, 0);
    pumpPending();
}

void postProgress(int percent, const wchar_t* text) {
    auto* copy = text ? new std::wstring(text) : nullptr;
    PostMessageW(setupState().window, WM_SETUP_PROGRESS, static_cast<WPARAM>(percent), reinterpret_cast<LPARAM>(copy));
}

void postDone(bool succeeded, const wchar_t* errorText) {
    auto* copy = errorText ? new std::wstring(errorText) : nullptr;
    PostMessageW(setupState().window, WM_SETUP_DONE, succeeded ? 1 : 0, reinterpret_cast<LPARAM>(copy));
}

}  // namespace uitest
