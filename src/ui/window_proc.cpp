// Input of the setup window. The window procedure is a flat switch, each
// message handled by one named function. There is no focus and no child
// control: the mouse is hit-tested against the element list of the layout,
// a click counts only when the button went down and came up on the same
// element (the window does not capture the mouse), and the keyboard knows
// Enter (the first primary element) and Escape. While the worker runs the
// window cannot be closed, so the handle the worker posts to stays valid.
//
// The "Launch when the install finishes" box is kept by starting the
// application once when the user leaves the Done screen of a successful
// install by Close, Escape or the caption. "Open Tessark Studio" starts it
// itself and closes the window without passing there, so it never starts
// twice; and nothing starts while Done is still shown.
#include "ui/window_proc.h"

#include "platform/install_folder.h"
#include "platform/launch_app.h"
#include "platform/running_app.h"
#include "platform/webview2.h"
#include "ui/painting.h"
#include "ui/setup_state.h"
#include "ui/setup_window.h"
#include "ui/worker.h"

#include <shellapi.h>
#include <windowsx.h>

namespace {

SetupState& state() {
    return setupState();
}

void repaint() {
    InvalidateRect(state().window, nullptr, FALSE);
}

POINT pointOf(LPARAM lParam) {
    // Signed 16-bit coordinates: left of or above a monitor they are negative.
    return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

const UiElement* findElement(int id) {
    for (const UiElement& element : state().elements) {
        if (element.id == id) return &element;
    }
    return nullptr;
}

void setCursorFor(int id) {
    SetCursor(LoadCursorW(nullptr, id != 0 ? IDC_HAND : IDC_ARROW));
}

// Every road out of the window but "Open Tessark Studio" and Cancel.
void closeWindow() {
    const SetupState& s = state();
    if (s.screen == Screen::Done && !s.uninstallMode && s.options.launchAfter) launchApp(s.options.installDir);
    DestroyWindow(s.window);
}

void runMainAction() {
    SetupState& s = state();
    if (s.uninstallMode) {
        // An uninstall closes a running copy without asking: the user chose to remove it.
        if (!closeRunningAppOrWarn(s.window)) return;
    } else if (!validateInstallFolder(s.window, s.options.installDir)) {
        return;
    }
    startWorker();
}

void changeFolder() {
    pickInstallFolder(state().window, state().options.installDir);
    repaint();
}

void openApp() {
    if (state().screen != Screen::Done) return;
    launchApp(state().options.installDir);
    DestroyWindow(state().window);
}

void openWebView2Download() {
    ShellExecuteW(state().window, L"open", kWebView2DownloadUrl, nullptr, nullptr, SW_SHOWNORMAL);
}

LRESULT onDestroy() {
    PostQuitMessage(0);
    return 0;
}

LRESULT onSize() {
    layoutElements();
    repaint();
    return 0;
}

LRESULT onPaint(HWND window) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    RECT client{};
    GetClientRect(window, &client);
    paintWindow(dc, client);
    EndPaint(window, &paint);
    return 0;
}

LRESULT onClose() {
    if (state().screen == Screen::Working) return 0;  // the worker still posts to this window
    closeWindow();
    return 0;
}

LRESULT onSetCursor(HWND window, WPARAM wParam, LPARAM lParam) {
    if (LOWORD(lParam) != HTCLIENT) return DefWindowProcW(window, WM_SETCURSOR, wParam, lParam);
    setCursorFor(state().hoverId);
    return TRUE;
}

LRESULT onKeyDown(WPARAM key) {
    if (state().screen == Screen::Working) return 0;
    if (key == VK_ESCAPE) {
        closeWindow();
    } else if (key == VK_RETURN) {
        for (const UiElement& element : state().elements) {
            if (!element.primary) continue;
            clickElement(element.id);
            break;
        }
    }
    return 0;
}

LRESULT onMouseMove(HWND window, LPARAM lParam) {
    const int id = hitTest(pointOf(lParam));
    if (id == state().hoverId) return 0;
    state().hoverId = id;
    setCursorFor(id);
    repaint();
    // Only a change of element asks for the leave notice, so a mouse that
    // crosses empty space costs nothing.
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = window;
    TrackMouseEvent(&track);
    return 0;
}

LRESULT onMouseLeave() {
    state().hoverId = 0;
    repaint();
    return 0;
}

LRESULT onLeftButtonDown(LPARAM lParam) {
    state().pressedId = hitTest(pointOf(lParam));
    return 0;
}

LRESULT onLeftButtonUp(LPARAM lParam) {
    SetupState& s = state();
    const int id = hitTest(pointOf(lParam));
    const int pressed = s.pressedId;
    s.pressedId = 0;
    if (id == 0 || id != pressed) return 0;
    // Toggling comes first: the launch checkbox carries the id of
    // "Open Tessark Studio" and must only ever toggle.
    const UiElement* element = findElement(id);
    if (element && element->kind == Checkbox && element->value) {
        *element->value = !*element->value;
        repaint();
        return 0;
    }
    clickElement(id);
    return 0;
}

LRESULT onDpiChanged(WPARAM wParam, LPARAM lParam) {
    applyDpiChange(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
    return 0;
}

LRESULT onSetupProgress(WPARAM wParam, LPARAM lParam) {
    applyProgressReport(wParam, lParam);
    return 0;
}

LRESULT onSetupDone(WPARAM wParam, LPARAM lParam) {
    applyDoneReport(wParam, lParam);
    return 0;
}

}  // namespace

int hitTest(POINT point) {
    for (const UiElement& element : state().elements) {
        if (PtInRect(&element.rect, point)) return element.id;
    }
    return 0;
}

void clickElement(int id) {
    switch (id) {
    case ID_MAIN: runMainAction(); break;
    case ID_CANCEL: DestroyWindow(state().window); break;
    case ID_CHANGE_FOLDER: changeFolder(); break;
    case ID_OPEN_APP: openApp(); break;
    case ID_CLOSE: closeWindow(); break;
    case ID_WEBVIEW2_LINK: openWebView2Download(); break;
    default: break;  // checkboxes toggle before they get here
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY: return onDestroy();
    case WM_SIZE: return onSize();
    case WM_PAINT: return onPaint(window);
    case WM_CLOSE: return onClose();
    case WM_ERASEBKGND: return 1;  // the painting covers every pixel
    case WM_SETCURSOR: return onSetCursor(window, wParam, lParam);
    case WM_KEYDOWN: return onKeyDown(wParam);
    case WM_MOUSEMOVE: return onMouseMove(window, lParam);
    case WM_MOUSELEAVE: return onMouseLeave();
    case WM_LBUTTONDOWN: return onLeftButtonDown(lParam);
    case WM_LBUTTONUP: return onLeftButtonUp(lParam);
    case WM_DPICHANGED: return onDpiChanged(wParam, lParam);
    case WM_SETUP_PROGRESS: return onSetupProgress(wParam, lParam);
    case WM_SETUP_DONE: return onSetupDone(wParam, lParam);
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}
