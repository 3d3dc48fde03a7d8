#include "ui/core/layout.h"

#include "ui/core/texts.h"

#include <climits>
#include <cstdint>

namespace layout {
namespace {

// Logical lengths of the design, at 96 DPI.
constexpr int kMargin = 30;
constexpr int kButtonHeight = 34;
constexpr int kBottomMargin = 26;
constexpr int kButtonGap = 10;
constexpr int kMainButtonWidth = 126;
constexpr int kSecondaryButtonWidth = 96;
constexpr int kOpenAppButtonWidth = 170;
constexpr int kChangeTop = 160;
constexpr int kChangeHeight = 30;
constexpr int kOptionTop = 214;
constexpr int kOptionPitch = 30;
constexpr int kOptionHeight = 24;
constexpr int kOptionWidth = 320;
constexpr int kExplorerOptionWidth = 360;
constexpr int kPurgeTop = 206;
constexpr int kPurgeWidth = 400;
constexpr int kLinkDrop = 8;
constexpr int kLinkWidth = 200;
constexpr int kLinkHeight = 20;

// The values every screen shares, already in device pixels.
struct Frame {
    int dpi;
    int width;
    int margin;
    int buttonHeight;
    int buttonTop;
    int s(int logical) const { return scaleLength(logical, dpi); }
};

Frame frameFor(const LayoutInput& in) {
    const auto s = [&](int v) { return scaleLength(v, in.dpi); };
    return {in.dpi, in.clientWidth, s(kMargin), s(kButtonHeight),
            in.clientHeight - s(kButtonHeight) - s(kBottomMargin)};
}

// The rightmost button of the row, ending at the right margin.
ElementPlacement rightButton(const Frame& f, int id, const wchar_t* label, int logicalWidth, bool primary) {
    const int left = f.width - f.margin - f.s(logicalWidth);
    return {id, Button, rectAt(left, f.buttonTop, f.s(logicalWidth), f.buttonHeight), label, primary};
}

// A secondary button left of the rightmost one, a gap apart.
ElementPlacement leftButton(const Frame& f, int id, const wchar_t* label, int rightNeighbourWidth) {
    const int left = f.width - f.s(kSecondaryButtonWidth) - f.s(kButtonGap) - f.margin - f.s(rightNeighbourWidth);
    return {id, Button, rectAt(left, f.buttonTop, f.s(kSecondaryButtonWidth), f.buttonHeight), label, false};
}

ElementPlacement checkbox(const Frame& f, int id, const wchar_t* label, int top, int logicalWidth, Option option) {
    return {id, Checkbox, rectAt(f.margin, top, f.s(logicalWidth), f.s(kOptionHeight)), label, false, option};
}

void addInstallWelcome(const Frame& f, const LayoutInput& in, std::vector<ElementPlacement>& out) {
    const int changeLeft = f.width - f.margin - f.s(kSecondaryButtonWidth);
    out.push_back({ID_CHANGE_FOLDER, Button,
                   rectAt(changeLeft, f.s(kChangeTop), f.s(kSecondaryButtonWidth), f.s(kChangeHeight)),
                   ui_texts::kChangeFolder});
    const int y0 = f.s(kOptionTop);
    out.push_back(checkbox(f, ID_DESKTOP, ui_texts::kDesktopShortcut, y0, kOptionWidth, Option::DesktopShortcut));
    out.push_back(checkbox(f, ID_START_MENU, ui_texts::kStartMenu, y0 + f.s(kOptionPitch), kOptionWidth,
                           Option::StartMenuShortcut));
    out.push_back(checkbox(f, ID_EXPLORER, ui_texts::kExplorerEntries, y0 + f.s(2 * kOptionPitch),
                           kExplorerOptionWidth, Option::ExplorerEntries));
    out.push_back(checkbox(f, ID_OPEN_APP, ui_texts::kLaunchAfter, y0 + f.s(3 * kOptionPitch), kOptionWidth,
                           Option::LaunchAfter));
    if (!in.webView2Present) {
        out.push_back({ID_WEBVIEW2_LINK, Link,
                       rectAt(f.margin, f.buttonTop + f.s(kLinkDrop), f.s(kLinkWidth), f.s(kLinkHeight)),
                       ui_texts::kWebView2Link});
    }
    out.push_back(rightButton(f, ID_MAIN, in.existingInstall ? ui_texts::kUpdate : ui_texts::kInstall,
                              kMainButtonWidth, true));
    out.push_back(leftButton(f, ID_CANCEL, ui_texts::kCancel, kMainButtonWidth));
}

void addUninstallWelcome(const Frame& f, std::vector<ElementPlacement>& out) {
    out.push_back(checkbox(f, ID_PURGE, ui_texts::kPurgeSettings, f.s(kPurgeTop), kPurgeWidth, Option::PurgeSettings));
    out.push_back(rightButton(f, ID_MAIN, ui_texts::kRemove, kMainButtonWidth, true));
    out.push_back(leftButton(f, ID_CANCEL, ui_texts::kCancel, kMainButtonWidth));
}

void addInstallDone(const Frame& f, std::vector<ElementPlacement>& out) {
    out.push_back(rightButton(f, ID_OPEN_APP, ui_texts::kOpenApp, kOpenAppButtonWidth, true));
    out.push_back(leftButton(f, ID_CLOSE, ui_texts::kClose, kOpenAppButtonWidth));
}

void addLoneClose(const Frame& f, std::vector<ElementPlacement>& out) {
    out.push_back(rightButton(f, ID_CLOSE, ui_texts::kClose, kMainButtonWidth, true));
}

// Insertion sort: a screen has a dozen rectangles at most, and this is a
// fraction of the code std::stable_sort brings into the installer.
template <typename Less>
void sortStably(std::vector<std::size_t>& order, Less less) {
    for (std::size_t i = 1; i < order.size(); ++i) {
        const std::size_t moving = order[i];
        std::size_t j = i;
        for (; j > 0 && less(moving, order[j - 1]); --j) order[j] = order[j - 1];
        order[j] = moving;
    }
}

}  // namespace

Rect rectAt(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

int mulDiv(int value, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
    std::int64_t quotient = product / denominator;
    const std::int64_t remainder = product % denominator;
    // Round half away from zero: compare twice the remainder with the divisor.
    const std::int64_t twiceRemainder = remainder < 0 ? -2 * remainder : 2 * remainder;
    const std::int64_t divisor = denominator < 0 ? -static_cast<std::int64_t>(denominator) : denominator;
    if (twiceRemainder >= divisor) quotient += ((product < 0) != (denominator < 0)) ? -1 : 1;
    if (quotient > INT_MAX || quotient < INT_MIN) return -1;
    return static_cast<int>(quotient);
}

int scaleLength(int logical, int dpi) {
    return mulDiv(logical, dpi, kDesignDpi);
}

int fontHeight(int points, int dpi) {
    constexpr int kPointsPerInch = 72;
    return -mulDiv(points, dpi, kPointsPerInch);
}

std::vector<ElementPlacement> layoutScreen(const LayoutInput& in) {
    const Frame f = frameFor(in);
    std::vector<ElementPlacement> out;
    switch (in.screen) {
    case Screen::Welcome:
        if (in.uninstallMode) addUninstallWelcome(f, out);
        else addInstallWelcome(f, in, out);
        break;
    case Screen::Working:
        break;  // nothing can be clicked while the worker runs
    case Screen::Done:
        if (in.uninstallMode) addLoneClose(f, out);
        else addInstallDone(f, out);
        break;
    case Screen::Failed:
        addLoneClose(f, out);
        break;
    }
    return out;
}

Point centredOrigin(const Rect& work, int outerWidth, int outerHeight) {
    // C++ integer division truncates toward zero, also for a window larger
    // than the work area (a negative difference).
    return {work.left + (work.width() - outerWidth) / 2, work.top + (work.height() - outerHeight) / 2};
}

std::vector<std::size_t> readingOrder(std::span<const Rect> rects) {
    std::vector<std::size_t> order(rects.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    sortStably(order, [&](std::size_t a, std::size_t b) { return rects[a].top < rects[b].top; });
    // Index → the row it lies in, counted from the top.
    std::vector<int> row(rects.size(), 0);
    int current = -1;
    int rowBottom = 0;
    for (const std::size_t i : order) {
        if (current < 0 || rects[i].top >= rowBottom) {
            ++current;
            rowBottom = rects[i].bottom;
        } else if (rects[i].bottom > rowBottom) {
            rowBottom = rects[i].bottom;
        }
        row[i] = current;
    }
    sortStably(order, [&](std::size_t a, std::size_t b) {
        if (row[a] != row[b]) return row[a] < row[b];
        return rects[a].left < rects[b].left;
    });
    return order;
}

}  // namespace layout
