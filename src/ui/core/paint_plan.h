// What the setup window paints, worked out without Windows: the palette, the
// texts of the header and of each screen with their font, colour, rectangle
// and DrawText flags, the progress bar's arithmetic and the checkbox
// geometry. The Windows painter only turns this plan into GDI and GDI+ calls.
#pragma once

#include "ui/core/layout.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace paint {

// 0x00BBGGRR, as GDI's COLORREF stores a colour.
constexpr std::uint32_t rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return r | (static_cast<std::uint32_t>(g) << 8) | (static_cast<std::uint32_t>(b) << 16);
}

// Palette. Shapes are GDI+ ARGB values, texts GDI RGB values.
inline constexpr std::uint32_t colorBackground = 0xFF0B0B0D;
inline constexpr std::uint32_t colorSurface = 0xFF18181B;
inline constexpr std::uint32_t colorButton = 0xFF2A2A2E;
inline constexpr std::uint32_t colorButtonHover = 0xFF35353A;
inline constexpr std::uint32_t colorHairline = 0x18FFFFFF;  // white at alpha 24 of 255
inline constexpr std::uint32_t colorAccent = 0xFF0A84FF;
inline constexpr std::uint32_t colorAccentHover = 0xFF329BFF;
inline constexpr std::uint32_t colorTrack = 0xFF2A2A2E;
inline constexpr std::uint32_t colorCheckMark = 0xFFFFFFFF;
inline constexpr std::uint32_t colorText = rgb(245, 245, 247);
inline constexpr std::uint32_t colorTextMuted = rgb(142, 142, 147);
inline constexpr std::uint32_t colorError = rgb(255, 107, 96);
inline constexpr std::uint32_t colorWarning = rgb(255, 214, 10);
inline constexpr std::uint32_t colorLink = rgb(10, 132, 255);
inline constexpr std::uint32_t colorLinkHover = rgb(50, 155, 255);

// DrawText flag sets, by value (DT_SINGLELINE 0x20, DT_VCENTER 0x4,
// DT_CENTER 0x1, DT_RIGHT 0x2, DT_WORDBREAK 0x10, DT_PATH_ELLIPSIS 0x4000).
// None has DT_NOPREFIX: no label holds an ampersand.
inline constexpr unsigned kLine = 0x20;
inline constexpr unsigned kLineCentredVertically = 0x24;
inline constexpr unsigned kLineCentred = 0x25;
inline constexpr unsigned kLineRight = 0x22;
inline constexpr unsigned kWrapped = 0x10;
inline constexpr unsigned kPath = 0x4020;
inline constexpr unsigned kPathCentredVertically = 0x4024;

enum class Font { Title, Body, Small, Button };

struct TextItem {
    std::wstring text;
    Font font = Font::Body;
    std::uint32_t color = colorText;
    layout::Rect rect;
    unsigned flags = kLine;
    bool operator==(const TextItem&) const = default;
};

struct PaintInput {
    Screen screen = Screen::Welcome;
    bool uninstallMode = false;
    bool webView2Present = true;
    bool existingInstall = false;
    std::uint64_t payloadBytes = 0;
    int progress = 0;
    std::wstring_view statusText;
    std::wstring_view errorText;
    std::wstring_view installDir;    // of the install options
    std::wstring_view uninstallDir;  // of the uninstall options
    int dpi = layout::kDesignDpi;
    int width = layout::kDesignClientWidth;   // client, device pixels
    int height = layout::kDesignClientHeight;
};

// The size on disk: whole KB below 1 MiB ("%.0f KB"), else MB with one
// decimal ("%.1f MB").
std::wstring sizeText(std::uint64_t bytes);

// The header's second line.
std::wstring subtitle(bool uninstallMode, std::uint64_t payloadBytes);

// The sentence the Done screen shows under its heading.
const wchar_t* resultSentence(bool uninstallMode, bool purgeSettings, bool startMenuShortcut);

// The product name, the subtitle and then the current screen's texts, in
// drawing order.
std::vector<TextItem> screenTexts(const PaintInput& in);

// Height of the header band; the hairline rule lies on this row.
int headerHeight(int dpi);
// Where the header icon goes: its top-left corner and side.
layout::Rect headerIconRect(int dpi);

// The install-location box of the install's Welcome screen.
layout::Rect locationBox(const PaintInput& in);
int locationBoxRadius(int dpi);

struct ProgressBar {
    layout::Rect track;
    int fillWidth = 0;       // (track width × progress) / 100, truncated
    bool fillShown = false;  // only a fill wider than the bar is high is drawn
    int radius = 0;
};
ProgressBar progressBar(const PaintInput& in);

// A checkbox's box: a square of S(18) at the element's left, centred on its height.
layout::Rect checkboxBox(const layout::Rect& element, int dpi);
// Where a checkbox's label goes: right of the box and an 11-pixel gap.
layout::Rect checkboxLabel(const layout::Rect& element, int dpi);

struct PointF {
    float x = 0;
    float y = 0;
};
// The tick of a checked box: one open polyline of three points.
std::array<PointF, 3> tickPoints(const layout::Rect& box);

// Corner radii of buttons and checkbox boxes, and the tick's pen width.
int buttonRadius(int dpi);
int checkboxRadius(int dpi);
int tickWidth(int dpi);

}  // namespace paint
