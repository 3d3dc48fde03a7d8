#include "host_window.h"

#include "common/core/product.h"

namespace studio {
namespace {

constexpr int kWindowWidth = 560;
constexpr int kWindowHeight = 240;
constexpr int kMargin = 28;
constexpr int kTitleHeight = 40;
constexpr int kLineHeight = 22;
constexpr int kAccentWidth = 48;
constexpr int kAccentHeight = 3;
constexpr int kAccentGap = 6;      // between the title and the accent line
constexpr int kParagraphGap = 16;  // between the accent line and the folder line
constexpr int kIconResource = 1;

constexpr COLORREF colorBackground = RGB(0x1C, 0x1D, 0x22);
constexpr COLORREF colorTitle = RGB(0xF2, 0xF3, 0xF5);
constexpr COLORREF colorText = RGB(0xC4, 0xC7, 0xCE);
constexpr COLORREF colorMuted = RGB(0x7C, 0x80, 0x8A);
constexpr COLORREF colorAccent = RGB(0x0A, 0x84, 0xFF);

HostWindow& stateOf(HWND window) {
    return *reinterpret_cast<HostWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

win::UniqueGdiObject makeFont(int height, int weight) {
    return win::UniqueGdiObject(::CreateFontW(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE,
                                              DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                              CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI"));
}

void fillRect(HDC dc, const RECT& rect, COLORREF colour) {
    win::UniqueGdiObject brush(::CreateSolidBrush(colour));
    ::FillRect(dc, &rect, static_cast<HBRUSH>(brush.get()));
}

void drawText(HDC dc, HGDIOBJ font, COLORREF colour, const std::wstring& text, RECT rect) {
    const HGDIOBJ previous = ::SelectObject(dc, font);
    ::SetTextColor(dc, colour);
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
                DT_LEFT | DT_TOP | DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_NOPREFIX);
    ::SelectObject(dc, previous);
}

std::wstring folderLine(const HostWindow& state) {
    if (state.folder.empty()) return L"No folder open";
    return L"Folder: " + state.folder;
}

std::wstring versionLine() {
    return std::wstring(L"Version ") + product::kVersion + L" \u00B7 stand-in for setup tests";
}

LRESULT onCreate(HWND window, const CREATESTRUCTW& create) {
    auto* state = static_cast<HostWindow*>(create.lpCreateParams);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    state->titleFont = makeFont(28, FW_SEMIBOLD);
    state->textFont = makeFont(15, FW_NORMAL);
    return 0;
}

void onPaint(HWND window) {
    const HostWindow& state = stateOf(window);
    PAINTSTRUCT paint;
    const HDC dc = ::BeginPaint(window, &paint);
    RECT client;
    ::GetClientRect(window, &client);
    fillRect(dc, client, colorBackground);
    ::SetBkMode(dc, TRANSPARENT);

    const RECT title = {kMargin, kMargin, client.right - kMargin, kMargin + kTitleHeight};
    drawText(dc, state.titleFont.get(), colorTitle, product::kName, title);
    const int accentTop = title.bottom + kAccentGap;
    const RECT accent = {kMargin, accentTop, kMargin + kAccentWidth, accentTop + kAccentHeight};
    fillRect(dc, accent, colorAccent);
    const int folderTop = accent.bottom + kParagraphGap;
    const RECT folder = {kMargin, folderTop, client.right - kMargin, folderTop + kLineHeight};
    drawText(dc, state.textFont.get(), colorText, folderLine(state), folder);
    const int versionBottom = client.bottom - kMargin;
    const RECT version = {kMargin, versionBottom - kLineHeight, client.right - kMargin, versionBottom};
    drawText(dc, state.textFont.get(), colorMuted, versionLine(), version);
    ::EndPaint(window, &paint);
}

void onClose(HWND window) {
    if (stateOf(window).ignoreClose) return;  // a test wants a copy that will not close
    ::DestroyWindow(window);
}

// The caption wants the 16 px image itself rather than the 32 px one shrunk.
// LR_SHARED: like LoadIconW's, the icon belongs to the system and is never destroyed.
HICON loadSmallIcon(HINSTANCE instance) {
    return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                           ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                           LR_SHARED));
}

LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return onCreate(window, *reinterpret_cast<const CREATESTRUCTW*>(lParam));
    case WM_ERASEBKGND:
        return 1;  // onPaint fills the whole client area; erasing first would flicker
    case WM_PAINT:
        onPaint(window);
        return 0;
    case WM_CLOSE:
        onClose(window);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool registerHostWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = hostWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(kIconResource));
    windowClass.hIconSm = loadSmallIcon(instance);
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = product::kAppWindowClass;
    return ::RegisterClassExW(&windowClass) != 0;
}

HWND createHostWindow(HINSTANCE instance, HostWindow& state) {
    return ::CreateWindowExW(0, product::kAppWindowClass, product::kName, WS_OVERLAPPEDWINDOW,
                             CW_USEDEFAULT, CW_USEDEFAULT, kWindowWidth, kWindowHeight, nullptr, nullptr,
                             instance, &state);
}

}  // namespace studio
