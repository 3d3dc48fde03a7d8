// Painting of the setup window, in a fixed order: background, header band
// and rule, the progress bar or the install-location box, the elements and
// the keyboard's focus ring, then with GDI the header icon, product name,
// subtitle and the screen's texts. What each text says and where it goes is
// worked out by ui/core/paint_plan, every colour comes from the state's
// palette (ui/core/palette); this file turns that plan into GDI and GDI+
// calls on an off-screen DC.
#include "ui/painting.h"

#include "common/owners.h"
#include "ui/core/paint_plan.h"
#include "ui/primitives.h"
#include "ui/setup_state.h"
#include "ui/setup_window.h"

#include <string>

namespace {

RECT toRect(const layout::Rect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

layout::Rect toLayoutRect(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

HFONT fontFor(paint::Font font) {
    const SetupState& state = setupState();
    switch (font) {
    case paint::Font::Title: return state.titleFont.get();
    case paint::Font::Body: return state.bodyFont.get();
    case paint::Font::Small: return state.smallFont.get();
    case paint::Font::Button: return state.buttonFont.get();
    }
    return state.bodyFont.get();
}

// Every text is drawn the same way: font selected for the call only,
// transparent background, DrawTextW up to the terminating null.
void drawText(HDC dc, const std::wstring& text, HFONT font, COLORREF color, RECT rect, unsigned flags) {
    const HGDIOBJ previous = SelectObject(dc, font);
    SetTextColor(dc, color);
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text.c_str(), -1, &rect, flags);
    SelectObject(dc, previous);
}

void drawTextItem(HDC dc, const paint::TextItem& item) {
    drawText(dc, item.text, fontFor(item.font), item.color, toRect(item.rect), item.flags);
}

void drawProgressBar(GpGraphics* graphics, const paint::PaintInput& in) {
    const paint::ProgressBar bar = paint::progressBar(in);
    const float radius = static_cast<float>(bar.radius);
    gp::RectF track = gp::toRectF(toRect(bar.track));
    fillRoundedRect(graphics, track, radius, in.palette.track, nullptr);
    if (!bar.fillShown) return;
    track.width = static_cast<float>(bar.fillWidth);
    fillRoundedRect(graphics, track, radius, in.palette.accent, nullptr);
}

void drawBackdrop(GpGraphics* graphics, const paint::PaintInput& in) {
    const paint::Palette& colors = in.palette;
    gdiplusApi()->graphicsClear(graphics, colors.background);
    const int header = paint::headerHeight(in.dpi);
    fillRectangle(graphics, {0, 0, in.width, header}, colors.surface);
    drawLine(graphics, colors.hairline, 1.0f, {0, header}, {in.width, header});
    if (in.screen == Screen::Working) drawProgressBar(graphics, in);
    if (in.screen == Screen::Welcome && !in.uninstallMode) {
        fillRoundedRect(graphics, toRect(paint::locationBox(in)), static_cast<float>(paint::locationBoxRadius(in.dpi)),
                        colors.surface, &colors.hairline);
    }
}

// GDI's COLORREF of an ARGB colour, alpha dropped.
COLORREF colorRefOf(ARGB argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

// Without GDI+ the window still shows its texts on the background colour.
void fillBackgroundWithGdi(HDC dc, int width, int height, const paint::Palette& colors) {
    const win::UniqueGdiObject brush(CreateSolidBrush(colorRefOf(colors.background)));
    const RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(brush.get()));
}

bool isChecked(const UiElement& element) {
    return element.value && *element.value;
}

void drawElementShape(GpGraphics* graphics, const UiElement& element, bool hovered, int dpi,
                      const paint::Palette& colors) {
    switch (element.kind) {
    case Button: {
        const float radius = static_cast<float>(paint::buttonRadius(dpi));
        if (element.primary) {
            fillRoundedRect(graphics, element.rect, radius, hovered ? colors.accentHover : colors.accent,
                            colors.outlinePrimary ? &colors.hairline : nullptr);
        } else {
            fillRoundedRect(graphics, element.rect, radius, hovered ? colors.buttonHover : colors.button,
                            &colors.hairline);
        }
        break;
    }
    case Checkbox: {
        // No hover look: only the cursor tells that a checkbox is under the mouse.
        const layout::Rect box = paint::checkboxBox(toLayoutRect(element.rect), dpi);
        const float radius = static_cast<float>(paint::checkboxRadius(dpi));
        if (!isChecked(element)) {
            fillRoundedRect(graphics, toRect(box), radius, colors.surface, &colors.hairline);
            break;
        }
        fillRoundedRect(graphics, toRect(box), radius, colors.accent, nullptr);
        const auto tick = paint::tickPoints(box);
        const GpPointF points[] = {{tick[0].x, tick[0].y}, {tick[1].x, tick[1].y}, {tick[2].x, tick[2].y}};
        drawRoundPolyline(graphics, colors.checkMark, static_cast<float>(paint::tickWidth(dpi)), points);
        break;
    }
    case Link:
        break;  // plain coloured text
    }
}

COLORREF buttonTextColor(const UiElement& element, bool hovered, const paint::Palette& colors) {
    if (element.primary) return colors.accentText;
    return hovered ? colors.buttonHoverText : colors.buttonText;
}

void drawElementText(HDC dc, const UiElement& element, bool hovered, int dpi, const paint::Palette& colors) {
    const SetupState& state = setupState();
    switch (element.kind) {
    case Button:
        drawText(dc, element.label, state.buttonFont.get(), buttonTextColor(element, hovered, colors), element.rect,
                 paint::kLineCentred);
        break;
    case Checkbox:
        drawText(dc, element.label, state.bodyFont.get(), colors.text,
                 toRect(paint::checkboxLabel(toLayoutRect(element.rect), dpi)), paint::kLineCentredVertically);
        break;
    case Link:
        drawText(dc, element.label, state.smallFont.get(), hovered ? colors.linkHover : colors.link, element.rect,
                 paint::kLineCentredVertically);
        break;
    }
}

// Only while the keyboard has reached an element and the window's UI state
// shows focus cues: a window used with the mouse alone looks as it always did.
void drawFocusRing(GpGraphics* graphics, const SetupState& state) {
    if (state.focusId == 0 || state.focusHidden) return;
    for (const UiElement& element : state.elements) {
        if (element.id != state.focusId) continue;
        const paint::FocusRing ring = paint::focusRing(toLayoutRect(element.rect), state.dpi);
        strokeRoundedRect(graphics, toRect(ring.rect), static_cast<float>(ring.radius), state.palette.focusRing,
                          static_cast<float>(ring.width));
        return;
    }
}

void drawHeaderIcon(HDC dc, int dpi) {
    const HICON icon = setupState().headerIcon.get();
    if (!icon) return;
    const layout::Rect where = paint::headerIconRect(dpi);
    DrawIconEx(dc, where.left, where.top, icon, where.width(), where.height(), 0, nullptr, DI_NORMAL);
}

// Keeps a DC's original bitmap and selects it back before the DC goes.
class BitmapSelection {
public:
    BitmapSelection(HDC dc, HGDIOBJ bitmap) : dc_(dc), previous_(SelectObject(dc, bitmap)) {}
    ~BitmapSelection() { SelectObject(dc_, previous_); }
    BitmapSelection(const BitmapSelection&) = delete;
    BitmapSelection& operator=(const BitmapSelection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace

void drawElements(HDC dc, GpGraphics* graphics) {
    const SetupState& state = setupState();
    if (graphics) {
        for (const UiElement& element : state.elements) {
            drawElementShape(graphics, element, element.id == state.hoverId, state.dpi, state.palette);
        }
        drawFocusRing(graphics, state);
    }
    for (const UiElement& element : state.elements) {
        drawElementText(dc, element, element.id == state.hoverId, state.dpi, state.palette);
    }
}

void paintWindow(HDC target, const RECT& client) {
    const int width = client.right;
    const int height = client.bottom;
    const paint::PaintInput in = paintInputFor(setupState(), width, height);

    const win::UniqueDc memory(CreateCompatibleDC(target));
    const win::UniqueGdiObject bitmap(CreateCompatibleBitmap(target, width, height));
    if (!memory || !bitmap) return;
    const BitmapSelection selection(memory.get(), bitmap.get());
    {
        const gp::UniqueGraphics graphics = gp::openGraphics(memory.get());
        if (graphics) drawBackdrop(graphics.get(), in);
        else fillBackgroundWithGdi(memory.get(), width, height, in.palette);
        drawElements(memory.get(), graphics.get());
    }
    drawHeaderIcon(memory.get(), in.dpi);
    for (const paint::TextItem& item : paint::screenTexts(in)) drawTextItem(memory.get(), item);
    BitBlt(target, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
}

paint::PaintInput paintInputFor(const SetupState& state, int width, int height) {
    paint::PaintInput in;
    in.screen = state.screen;
    in.uninstallMode = state.uninstallMode;
    in.webView2Present = state.webView2Present;
    in.existingInstall = state.existingInstall;
    in.payloadBytes = state.payloadBytes;
    in.progress = state.progress;
    in.statusText = state.statusText;
    in.errorText = state.errorText;
    in.installDir = state.options.installDir;
    in.uninstallDir = state.uninstallOptions.installDir;
    in.dpi = state.dpi;
    in.width = width;
    in.height = height;
    in.palette = state.palette;
    return in;
}

paint::Palette systemPalette() {
    HIGHCONTRASTW highContrast{};
    highContrast.cbSize = sizeof highContrast;
    const bool on = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof highContrast, &highContrast, 0) &&
                    (highContrast.dwFlags & HCF_HIGHCONTRASTON);
    if (!on) return paint::kDarkPalette;
    return paint::choosePalette(true, {.window = GetSysColor(COLOR_WINDOW),
                                       .windowText = GetSysColor(COLOR_WINDOWTEXT),
                                       .highlight = GetSysColor(COLOR_HIGHLIGHT),
                                       .highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT),
                                       .buttonFace = GetSysColor(COLOR_BTNFACE),
                                       .buttonText = GetSysColor(COLOR_BTNTEXT),
                                       .grayText = GetSysColor(COLOR_GRAYTEXT),
                                       .hotLight = GetSysColor(COLOR_HOTLIGHT)});
}
