// Creation, DPI and layout of the setup window. All lengths are designed at
// 96 DPI for a 620 × 430 client and scaled to the window's DPI when used; the
// arithmetic itself lives in ui/core/layout so that it is tested natively.
// The executable promises Windows 8.1 in its manifest, so everything newer
// (GetDpiForWindow above all) is looked up at run time, with the DC's
// LOGPIXELSX as the fallback; dwmapi.dll is not a KnownDLL and is loaded from
// the system folder only.
#include "ui/setup_window.h"

#include "common/core/product.h"
#include "common/owners.h"
#include "ui/core/layout.h"
#include "ui/painting.h"
#include "ui/setup_state.h"
#include "ui/window_proc.h"

namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
static_assert(kWindowStyle == 0x00CA0000);
constexpr int kHeaderIconSize = 56;
constexpr WORD kIconResource = 1;
// DWMWA_USE_IMMERSIVE_DARK_MODE: newer than the 8.1 headers the build uses.
constexpr DWORD kDwmUseImmersiveDarkMode = 20;

struct FontStyle {
    int points;
    int weight;
};
// Font → points and weight, all "Segoe UI".
constexpr FontStyle kTitleFont{19, 600};
constexpr FontStyle kBodyFont{10, 400};
constexpr FontStyle kSmallFont{9, 400};
constexpr FontStyle kButtonFont{10, 600};

int windowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow =
        win::procAddress<GetDpiForWindowFn>(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
    int dpi = 0;
    if (getDpiForWindow) {
        dpi = static_cast<int>(getDpiForWindow(window));
    } else if (HDC dc = GetDC(window)) {
        dpi = GetDeviceCaps(dc, LOGPIXELSX);
        ReleaseDC(window, dc);
    }
    return dpi > 0 ? dpi : layout::kDesignDpi;
}

void useDarkCaption(HWND window) {
    using SetAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    const win::UniqueModule dwmapi = win::loadSystemLibrary(L"dwmapi.dll");
    if (!dwmapi) return;
    const auto setAttribute = win::procAddress<SetAttributeFn>(dwmapi.get(), "DwmSetWindowAttribute");
    const BOOL on = TRUE;
    if (setAttribute) setAttribute(window, kDwmUseImmersiveDarkMode, &on, sizeof on);
}

HFONT makeFont(const FontStyle& style, int dpi) {
    return CreateFontW(layout::fontHeight(style.points, dpi), 0, 0, 0, style.weight, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, VARIABLE_PITCH,
                       L"Segoe UI");
}

void replaceFont(win::UniqueFont& slot, const FontStyle& style, int dpi) {
    slot.reset(makeFont(style, dpi));
}

// The header icon at S(56): the group holds no such size, so the system
// scales the closest image. Stays null when the icon cannot be loaded.
void loadHeaderIcon(HINSTANCE instance) {
    SetupState& state = setupState();
    const int side = scaled(kHeaderIconSize);
    state.headerIcon.reset(static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON, side, side, 0)));
}

void registerWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = 0;  // no CS_DBLCLKS: a double click arrives as two clicks
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr;  // the painting covers every pixel
    windowClass.lpszClassName = product::kSetupWindowClass;
    RegisterClassExW(&windowClass);  // a second registration fails harmlessly
}

// The outer size that gives a client of exactly S(620) × S(430).
SIZE outerSizeForClient(HWND window) {
    RECT rect{0, 0, scaled(layout::kDesignClientWidth), scaled(layout::kDesignClientHeight)};
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    AdjustWindowRectEx(&rect, style, FALSE, 0);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void centreOnWorkArea(HWND window, SIZE outer) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const layout::Point origin =
        layout::centredOrigin({work.left, work.top, work.right, work.bottom}, outer.cx, outer.cy);
    SetWindowPos(window, nullptr, origin.x, origin.y, outer.cx, outer.cy, SWP_NOZORDER);
}

bool* optionSlot(SetupState& state, layout::Option option) {
    switch (option) {
    case layout::Option::DesktopShortcut: return &state.options.desktopShortcut;
    case layout::Option::StartMenuShortcut: return &state.options.startMenuShortcut;
    case layout::Option::ExplorerEntries: return &state.options.explorerEntries;
    case layout::Option::LaunchAfter: return &state.options.launchAfter;
    case layout::Option::PurgeSettings: return &state.uninstallOptions.purgeSettings;
    case layout::Option::None: return nullptr;
    }
    return nullptr;
}

SIZE clientSize(const SetupState& state) {
    RECT client{};
    if (state.window && GetClientRect(state.window, &client)) return {client.right, client.bottom};
    return {scaled(layout::kDesignClientWidth), scaled(layout::kDesignClientHeight)};
}

}  // namespace

int scaled(int logical) {
    return layout::scaleLength(logical, setupState().dpi);
}

void createFonts() {
    SetupState& state = setupState();
    replaceFont(state.titleFont, kTitleFont, state.dpi);
    replaceFont(state.bodyFont, kBodyFont, state.dpi);
    replaceFont(state.smallFont, kSmallFont, state.dpi);
    replaceFont(state.buttonFont, kButtonFont, state.dpi);
}

void layoutElements() {
    SetupState& state = setupState();
    const SIZE client = clientSize(state);
    const layout::LayoutInput input{state.screen, state.uninstallMode,
                                    state.webView2Present, state.existingInstall, state.dpi,
                                    static_cast<int>(client.cx), static_cast<int>(client.cy)};
    state.elements.clear();
    for (const layout::ElementPlacement& placement : layout::layoutScreen(input)) {
        const RECT rect{placement.rect.left, placement.rect.top, placement.rect.right, placement.rect.bottom};
        state.elements.push_back(
            {placement.id, placement.kind, rect, placement.label, placement.primary, optionSlot(state, placement.option)});
    }
}

void applyDpiChange(int newDpi, const RECT& suggested) {
    SetupState& state = setupState();
    state.dpi = newDpi > 0 ? newDpi : layout::kDesignDpi;
    createFonts();
    loadHeaderIcon(state.instance);
    SetWindowPos(state.window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    layoutElements();
    InvalidateRect(state.window, nullptr, TRUE);
}

HWND createSetupWindow(HINSTANCE instance) {
    SetupState& state = setupState();
    registerWindowClass(instance);
    const wchar_t* title = state.uninstallMode ? product::kUninstallTitle : product::kInstallTitle;
    // The size given here is only a start: the real one follows the DPI below.
    HWND window = CreateWindowExW(0, product::kSetupWindowClass, title, kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                  layout::kDesignClientWidth, layout::kDesignClientHeight, nullptr, nullptr, instance,
                                  nullptr);
    if (!window) return nullptr;
    state.window = window;
    state.palette = systemPalette();
    state.focusHidden = (SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
    useDarkCaption(window);
    state.dpi = windowDpi(window);
    createFonts();
    loadHeaderIcon(instance);
    centreOnWorkArea(window, outerSizeForClient(window));
    layoutElements();
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    return window;
}
