// What the setup window paints, worked out without Windows: the palette, the
// texts of the header and of each screen with their font, colour, rectangle
// and DrawText flags, the progress bar's arithmetic and the checkbox
// geometry. The Windows painter only turns this plan into GDI and GDI+ calls.
#pragma once

#include "ui/core/layout.h"
#include "ui/core/palette.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace paint {

// The dark palette's entries by their own names.
inline constexpr std::uint32_t colorBackground = kDarkPalette.background;
inline constexpr std::uint32_t colorSurface = kDarkPalette.surface;
inline constexpr std::uint32_t colorButton = kDarkPalette.button;
inline constexpr std::uint32_t colorButtonHover = kDarkPalette.buttonHover;
inline constexpr std::uint32_t colorHairline = kDarkPalette.hairline;
inline constexpr std::uint32_t colorAccent = kDarkPalette.accent;
inline constexpr std::uint32_t colorAccentHover = kDarkPalette.accentHover;
inline constexpr std::uint32_t colorTrack = kDarkPalette.track;
inline constexpr std::uint32_t colorCheckMark = kDarkPalette.checkMark;
inline constexpr std::uint32_t colorText = kDarkPalette.text;
inline constexpr std::uint32_t colorTextMuted = kDarkPalette.textMuted;
inline constexpr std::uint32_t colorError = kDarkPalette.error;
inline constexpr std::uint32_t colorWarning = kDarkPalette.warning;
inline constexpr std::uint32_t colorLink = kDarkPalette.link;
inline constexpr std::uint32_t colorLinkHover = kDarkPalette.linkHover;

// DrawText flag sets, by value (DT_SINGLELINE 0x20, DT_VCENTER 0x4,
// DT_CENTER 0x1, DT_RIGHT 0x2, DT_WORDBREAK 0x10, DT_PATH_ELLIPSIS 0x4000).
// The fixed labels are drawn as they are; every text that comes from a path,
// a status report or an error (kNoPrefix) is drawn with DT_NOPREFIX, else
// DrawText would take the "&" of "D:\R&D" for an access-key underline.
inline constexpr unsigned kLine = 0x20;
inline constexpr unsigned kLineCentredVertically = 0x24;
inline constexpr unsigned kLineCentred = 0x25;
inline constexpr unsigned kLineRight = 0x22;
inline constexpr unsigned kWrapped = 0x10;
inline constexpr unsigned kPath = 0x4020;
inline constexpr unsigned kPathCentredVertically = 0x4024;
inline constexpr unsigned kNoPrefix = 0x800;

enum class Font { Title, Body, Small, Button };

// What a text is to a screen reader: most are plain static texts; a screen's
// heading is announced when the screen changes; the status line is renamed
// as the work goes on, the install folder when "Change…" picks another; the
// percentage is the progress bar's value rather than a text of its own.
enum class TextKind { Plain, Heading, Status, Folder, Percentage };

struct TextItem {
    std::wstring text;
    Font font = Font::Body;
    std::uint32_t color = colorText;
    layout::Rect rect;
    unsigned flags = kLine;
    TextKind kind = TextKind::Plain;
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
    Palette palette = kDarkPalette;
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

// The keyboard focus ring: a rounded outline a little outside the element,
// clear of its neighbours (the closest, Cancel and the main button, lie 10
// logical pixels apart).
struct FocusRing {
    layout::Rect rect;
    int radius = 0;
    int width = 0;
};
FocusRing focusRing(const layout::Rect& element, int dpi);

}  // namespace paint
