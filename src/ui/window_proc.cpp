// Input of the setup window. The window procedure is a flat switch, each
// message handled by one named function. There is no child control: the
// mouse is hit-tested against the element list of the layout, a click counts
// only when the button went down and came up on the same element (the window
// does not capture the mouse). The keyboard has a focus of its own: Tab and
// Shift+Tab move it through the screen's elements in reading order (nothing
// else sets it; a click or a new screen clears it), Space on its release
// acts on the focused element, Enter on the focused button or link and
// otherwise on the first primary one, Escape closes. A click, Space, Enter and
// a screen reader's default action all end in activateElement. While the
// worker runs the window cannot be closed, so the handle the worker posts to
// stays valid.
//
// The "Launch when the install finishes" box is kept by starting the
// application once when the user leaves the Done screen of a successful
// install by Close, Escape or the caption. "Open Tessark Studio" starts it
// itself and closes the window without passing there, so it never starts
// twice; and nothing starts while Done is still shown.
#include "ui/window_proc.h"

#include "common/core/paths.h"
#include "common/core/product.h"
#include "common/file_io.h"
#include "platform/install_folder.h"
#include "platform/launch_app.h"
#include "platform/running_app.h"
#include "platform/webview2.h"
#include "ui/accessibility.h"
#include "ui/painting.h"
#include "ui/setup_state.h"
#include "ui/setup_window.h"
#include "ui/worker.h"

#include <shellapi.h>
#include <windowsx.h>

#include <utility>

namespace {

// Bit 30 of a key message's lParam: the key was already down (auto-repeat).
constexpr LPARAM kKeyWasDown = LPARAM{1} << 30;

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

// So that WM_MOUSELEAVE clears the hover when the mouse leaves the client area.
void trackMouseLeave(HWND window) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = window;
    TrackMouseEvent(&track);
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
        if (!closeRunningAppOrWarn(s.window, s.uninstallOptions.installDir)) return;
    } else if (!validateInstallFolder(s.window, s.options.installDir)) {
        return;
    }
    startWorker();
}

// "Update" or "Install" says whether this folder holds an install, so a newly
// picked folder is asked again.
void changeFolder() {
    SetupState& s = state();
    const std::wstring before = s.options.installDir;
    pickInstallFolder(s.window, s.options.installDir);
    if (s.options.installDir != before) {
        s.existingInstall = isExistingFile(joinPath(s.options.installDir, product::kManifestFile));
        layoutElements();
        announceFolderChange();
    }
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

void setFocus(int id) {
    SetupState& s = state();
    s.keyPressedId = 0;
    if (id == s.focusId) return;
    s.focusId = id;
    repaint();
    announceFocus();
}

void moveFocus(bool backwards) {
    SetupState& s = state();
    // Whoever uses Tab wants to see where it went: the focus cues come back.
    // Windows answers WM_CHANGEUISTATE with WM_UPDATEUISTATE (onUpdateUiState);
    // Wine's DefWindowProcW does not, so the cues are shown here all the same.
    if (s.focusHidden) {
        SendMessageW(s.window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
        s.focusHidden = false;
    }
    setFocus(accessible::nextFocus(elementViews(), s.focusId, backwards));
}

void pressEnter() {
    const UiElement* focused = findElement(state().focusId);
    if (focused && focused->kind != Checkbox) {
        activateElement(focused->id);
        return;
    }
    for (const UiElement& element : state().elements) {
        if (!element.primary) continue;
        activateElement(element.id);
        return;
    }
}

// A screen change moves the elements under a mouse that stands still; the
// hover (and the hand cursor) would otherwise wait for its next move.
void recheckHover() {
    SetupState& s = state();
    POINT cursor{};
    if (!GetCursorPos(&cursor) || WindowFromPoint(cursor) != s.window) return;
    RECT client{};
    if (!ScreenToClient(s.window, &cursor) || !GetClientRect(s.window, &client) || !PtInRect(&client, cursor)) return;
    const int id = hitTest(cursor);
    if (id == s.hoverId) return;
    s.hoverId = id;
    setCursorFor(id);
    if (id != 0) trackMouseLeave(s.window);
}

LRESULT onDestroy() {
    state().accessible.reset();
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

LRESULT onKeyDown(WPARAM key, LPARAM lParam) {
    SetupState& s = state();
    if (s.screen == Screen::Working) return 0;
    switch (key) {
    case VK_ESCAPE: closeWindow(); break;
    case VK_RETURN: pressEnter(); break;
    case VK_TAB: moveFocus(GetKeyState(VK_SHIFT) < 0); break;
    case VK_SPACE:
        if (!(lParam & kKeyWasDown)) s.keyPressedId = s.focusId;
        break;
    default: break;
    }
    return 0;
}

// Space acts when it is released on the element it went down on, as a
// button does; a release whose press another window had does nothing.
LRESULT onKeyUp(WPARAM key) {
    if (key != VK_SPACE) return 0;
    const int pressed = std::exchange(state().keyPressedId, 0);
    if (pressed != 0 && pressed == state().focusId) activateElement(pressed);
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
    trackMouseLeave(window);
    return 0;
}

LRESULT onMouseLeave() {
    state().hoverId = 0;
    repaint();
    return 0;
}

LRESULT onLeftButtonDown(LPARAM lParam) {
    state().pressedId = hitTest(pointOf(lParam));
    setFocus(0);
    return 0;
}

LRESULT onLeftButtonUp(LPARAM lParam) {
    SetupState& s = state();
    const int id = hitTest(pointOf(lParam));
    const int pressed = std::exchange(s.pressedId, 0);
    if (id == 0 || id != pressed) return 0;
    activateElement(id);
    return 0;
}

LRESULT onSetFocus() {
    // The system announces the window; the element within it is ours to announce.
    if (state().focusId != 0) announceFocus();
    return 0;
}

LRESULT onUpdateUiState(HWND window, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = DefWindowProcW(window, WM_UPDATEUISTATE, wParam, lParam);
    if (!(HIWORD(wParam) & UISF_HIDEFOCUS)) return result;
    SetupState& s = state();
    bool hidden = s.focusHidden;
    switch (LOWORD(wParam)) {
    case UIS_SET: hidden = true; break;
    case UIS_CLEAR: hidden = false; break;
    // The system decides from the last input, which only it knows.
    default: hidden = (SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0; break;
    }
    if (hidden == s.focusHidden) return result;
    s.focusHidden = hidden;
    repaint();
    return result;
}

LRESULT onSystemColoursChanged() {
    state().palette = systemPalette();
    repaint();
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

LRESULT onSetupActivate(WPARAM id, LPARAM screen) {
    // Asked for from a screen reader's call; the screen may have changed since.
    if (screen != static_cast<LPARAM>(state().screen)) return 0;
    activateElement(static_cast<int>(id));
    return 0;
}

}  // namespace

int hitTest(POINT point) {
    for (const UiElement& element : state().elements) {
        if (PtInRect(&element.rect, point)) return element.id;
    }
    return 0;
}

void activateElement(int id) {
    const UiElement* element = findElement(id);
    if (!element) return;
    // Toggling comes first: the launch checkbox carries the id of
    // "Open Tessark Studio" and must only ever toggle.
    if (element->kind == Checkbox && element->value) {
        *element->value = !*element->value;
        repaint();
        announceChecked(id);
        return;
    }
    clickElement(id);
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

void enterScreen(Screen screen) {
    SetupState& s = state();
    s.screen = screen;
    s.focusId = 0;
    s.keyPressedId = 0;
    layoutElements();
    recheckHover();
    repaint();
    announceScreen();
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY: return onDestroy();
    case WM_SIZE: return onSize();
    case WM_PAINT: return onPaint(window);
    case WM_CLOSE: return onClose();
    case WM_ERASEBKGND: return 1;  // the painting covers every pixel
    case WM_SETCURSOR: return onSetCursor(window, wParam, lParam);
    case WM_KEYDOWN: return onKeyDown(wParam, lParam);
    case WM_KEYUP: return onKeyUp(wParam);
    case WM_MOUSEMOVE: return onMouseMove(window, lParam);
    case WM_MOUSELEAVE: return onMouseLeave();
    case WM_LBUTTONDOWN: return onLeftButtonDown(lParam);
    case WM_LBUTTONUP: return onLeftButtonUp(lParam);
    case WM_SETFOCUS: return onSetFocus();
    case WM_UPDATEUISTATE: return onUpdateUiState(window, wParam, lParam);
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
    case WM_SYSCOLORCHANGE: return onSystemColoursChanged();
    case WM_GETOBJECT: return answerGetObject(window, wParam, lParam);
    case WM_DPICHANGED: return onDpiChanged(wParam, lParam);
    case WM_SETUP_PROGRESS: return onSetupProgress(wParam, lParam);
    case WM_SETUP_DONE: return onSetupDone(wParam, lParam);
    case WM_SETUP_ACTIVATE: return onSetupActivate(wParam, lParam);
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}
