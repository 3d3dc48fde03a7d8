// The colours the setup window paints with. Normally the window's own dark
// palette; under a high-contrast theme the user's system colours instead, so
// that every text and shape keeps the contrast the user asked for. Which one
// applies is decided here from plain values, so it is tested without Windows.
#pragma once

#include <cstdint>

namespace paint {

// 0x00BBGGRR, as GDI's COLORREF stores a colour.
constexpr std::uint32_t rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return r | (static_cast<std::uint32_t>(g) << 8) | (static_cast<std::uint32_t>(b) << 16);
}

// An opaque ARGB value of a COLORREF.
constexpr std::uint32_t opaque(std::uint32_t colorref) {
    return 0xFF000000u | ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}

// Shapes are GDI+ ARGB values, texts GDI COLORREF values.
struct Palette {
    std::uint32_t background;   // whole client area
    std::uint32_t surface;      // header band, install-location box, unchecked box
    std::uint32_t button;       // secondary button
    std::uint32_t buttonHover;  // secondary button under the mouse
    std::uint32_t hairline;     // header rule, outlines
    std::uint32_t accent;       // primary button, checked box, progress fill
    std::uint32_t accentHover;  // primary button under the mouse
    std::uint32_t track;        // progress track
    std::uint32_t checkMark;    // the tick inside a checked box
    std::uint32_t focusRing;    // the ring around the element the keyboard has reached
    std::uint32_t text;         // product name, paths, headings, checkbox labels
    std::uint32_t textMuted;    // subtitle, labels, status, notes, detail and error texts
    std::uint32_t error;        // heading of the Failed screen
    std::uint32_t warning;      // the note when the WebView2 runtime is missing
    std::uint32_t link;
    std::uint32_t linkHover;
    std::uint32_t buttonText;         // label of a secondary button
    std::uint32_t buttonHoverText;    // label of a secondary button under the mouse
    std::uint32_t accentText;         // label of a primary button
    bool outlinePrimary;              // primary buttons get the hairline too
    bool operator==(const Palette&) const = default;
};

// The window's own palette.
inline constexpr Palette kDarkPalette{
    .background = 0xFF0B0B0D,
    .surface = 0xFF18181B,
    .button = 0xFF2A2A2E,
    .buttonHover = 0xFF35353A,
    .hairline = 0x18FFFFFF,  // white at alpha 24 of 255
    .accent = 0xFF0A84FF,
    .accentHover = 0xFF329BFF,
    .track = 0xFF2A2A2E,
    .checkMark = 0xFFFFFFFF,
    .focusRing = opaque(rgb(245, 245, 247)),  // the text colour
    .text = rgb(245, 245, 247),
    .textMuted = rgb(142, 142, 147),
    .error = rgb(255, 107, 96),
    .warning = rgb(255, 214, 10),
    .link = rgb(10, 132, 255),
    .linkHover = rgb(50, 155, 255),
    .buttonText = rgb(245, 245, 247),
    .buttonHoverText = rgb(245, 245, 247),
    .accentText = rgb(245, 245, 247),
    .outlinePrimary = false,
};

// The system colours a high-contrast theme defines, as COLORREF values.
struct SystemColours {
    std::uint32_t window = 0;
    std::uint32_t windowText = 0;
    std::uint32_t highlight = 0;
    std::uint32_t highlightText = 0;
    std::uint32_t buttonFace = 0;
    std::uint32_t buttonText = 0;
    std::uint32_t grayText = 0;
    std::uint32_t hotLight = 0;
};

// The dark palette, or under high contrast one made of the system colours:
// everything on the window colour, texts and outlines in window text, the
// accent in highlight, buttons in button face, the track in grey text and
// the link in hot-light. Colour alone then never carries meaning (error and
// warning texts are window text too; their words say it).
Palette choosePalette(bool highContrast, const SystemColours& system);

}  // namespace paint
