// The layout arithmetic of the setup window, free of Windows so that it is
// tested natively. Every length is designed in logical pixels at 96 DPI for a
// 620 × 430 client and scaled to device pixels where it is used. Each logical
// term is scaled on its own and the scaled terms are then added: at 120 DPI
// 30 + 126 gives 38 + 158 = 196, not the 195 that scaling the sum would give.
// The client width and height are always the real client rectangle, never
// scaled again.
#pragma once

#include "ui/core/element_ids.h"
#include "ui/core/screen.h"

#include <cstddef>
#include <span>
#include <vector>

namespace layout {

inline constexpr int kDesignDpi = 96;
inline constexpr int kDesignClientWidth = 620;
inline constexpr int kDesignClientHeight = 430;

// Left, top, right, bottom in device pixels; right and bottom exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const Rect&) const = default;
};

// Rect from left, top, width and height.
Rect rectAt(int left, int top, int width, int height);

// value × numerator / denominator with a 64-bit product, rounded to nearest
// with exact halves away from zero, as Windows' MulDiv; -1 when the
// denominator is 0 or the result does not fit an int.
int mulDiv(int value, int numerator, int denominator);

// One logical length in device pixels at `dpi`.
int scaleLength(int logical, int dpi);

// CreateFontW's height for a point size: negative (the character height, not
// the cell), points being 1/72 inch.
int fontHeight(int points, int dpi);

// The option a checkbox shows and toggles.
enum class Option { None, DesktopShortcut, StartMenuShortcut, ExplorerEntries, LaunchAfter, PurgeSettings };

struct ElementPlacement {
    int id = 0;
    ElementKind kind = Button;
    Rect rect;
    const wchar_t* label = L"";
    bool primary = false;
    Option option = Option::None;
};

struct LayoutInput {
    Screen screen = Screen::Welcome;
    bool uninstallMode = false;
    bool webView2Present = true;
    bool existingInstall = false;
    int dpi = kDesignDpi;
    int clientWidth = kDesignClientWidth;
    int clientHeight = kDesignClientHeight;
};

// The clickable elements of the screen, in the order that hit-testing and
// the Enter key rely on: the first element holding a point is the one hit,
// the first primary one is the one Enter acts on.
std::vector<ElementPlacement> layoutScreen(const LayoutInput& input);

// Top-left corner of an outer window of the given size centred on a work
// area, halves truncated toward zero.
struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};
Point centredOrigin(const Rect& workArea, int outerWidth, int outerHeight);

// The order a reader takes in rectangles: row by row from the top, each row
// from the left. A rectangle joins the row above it when it starts before
// that row ends, so the link, Cancel and the main button, which are not
// equally high, still share one row. The result holds indices into `rects`;
// equal places keep their given order.
std::vector<std::size_t> readingOrder(std::span<const Rect> rects);

}  // namespace layout
