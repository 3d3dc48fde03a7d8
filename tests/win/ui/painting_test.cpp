// The painting, probed pixel by pixel: the setup state is prepared as the
// screens leave it, paintWindow draws into a 32-bit memory bitmap, and the
// tests read back the colours that tell the looks apart (hover, checked,
// progress, error and warning texts, the focus ring, the high-contrast
// palette) and compare texts with the text they must say, drawn the same way.
#include "high_contrast_theme.h"
#include "window_fixture.h"

#include "ui/core/paint_plan.h"
#include "ui/gdiplus_runtime.h"
#include "ui/painting.h"
#include "ui/setup_window.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 620;
constexpr int kHeight = 430;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << "RGB(" << c.r << ", " << c.g << ", " << c.b << ")";
}

Rgb fromArgb(std::uint32_t argb) {
    return {static_cast<int>((argb >> 16) & 0xFF), static_cast<int>((argb >> 8) & 0xFF), static_cast<int>(argb & 0xFF)};
}

// A top-down 32-bit DIB section selected into a memory DC.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0));
        previous_ = SelectObject(dc_.get(), bitmap_.get());
    }
    ~Canvas() { SelectObject(dc_.get(), previous_); }
    HDC dc() const { return dc_.get(); }
    Rgb at(int x, int y) const {
        GdiFlush();
        const std::uint32_t pixel = bits_[y * width_ + x];
        return {static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
                static_cast<int>(pixel & 0xFF)};
    }
    std::vector<std::uint32_t> snapshot() const {
        GdiFlush();
        return {bits_, bits_ + width_ * height_};
    }
    bool any(const RECT& area, const std::function<bool(Rgb)>& test) const {
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (test(at(x, y))) return true;
        return false;
    }

private:
    int width_;
    int height_;
    win::UniqueDc dc_;
    win::UniqueGdiObject bitmap_;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

bool similar(Rgb a, Rgb b, int tolerance = 3) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

class Painting : public testing::Test {
protected:
    static void SetUpTestSuite() { session_ = new GdiplusSession(); }
    static void TearDownTestSuite() { delete session_; }

    // The state of a screen at 96 DPI, without a window: the layout takes
    // the design size then.
    void prepare(Screen screen, bool uninstall, const std::function<void(SetupState&)>& more = {}) {
        uitest::resetState();
        SetupState& state = setupState();
        state.uninstallMode = uninstall;
        state.screen = screen;
        state.options.installDir = L"C:\\Users\\tess\\AppData\\Local\\Programs\\Tessark Studio";
        state.uninstallOptions.installDir = state.options.installDir;
        state.payloadBytes = 5767168;
        if (more) more(state);
        createFonts();
        layoutElements();
    }
    const Canvas& paint() {
        const RECT client{0, 0, kWidth, kHeight};
        paintWindow(canvas_.dc(), client);
        return canvas_;
    }
    void TearDown() override { uitest::resetState(); }

    static GdiplusSession* session_;
    Canvas canvas_{kWidth, kHeight};
};

GdiplusSession* Painting::session_ = nullptr;

// A 1-pixel outline straddles the top edge: the row above it or the edge row
// itself shows the hairline blended in, instead of the bare background and fill.
bool outlinedAt(const Canvas& canvas, int x, int top, std::uint32_t fill) {
    return canvas.at(x, top - 1) != fromArgb(paint::colorBackground) || canvas.at(x, top) != fromArgb(fill);
}

Rgb insideLeftEdge(const Canvas& canvas, int id) {
    const UiElement* e = uitest::element(id);
    return canvas.at(e->rect.left + 4, (e->rect.top + e->rect.bottom) / 2);
}

TEST_F(Painting, GdiplusIsRunningForTheseTests) {
    ASSERT_TRUE(session_->active());
    ASSERT_NE(gdiplusApi(), nullptr);
}

TEST_F(Painting, BackgroundHeaderBandAndRule) {
    prepare(Screen::Welcome, false);
    const Canvas& c = paint();
    EXPECT_EQ(c.at(5, 300), fromArgb(paint::colorBackground));
    EXPECT_EQ(c.at(5, 5), fromArgb(paint::colorSurface));
    EXPECT_EQ(c.at(610, 111), fromArgb(paint::colorSurface));
    // The hairline: white at alpha 24 over the background, a shade lighter.
    const Rgb rule = c.at(610, 112);
    EXPECT_GT(rule.r, 0x0B);
    EXPECT_LT(rule.r, 0x30);
    EXPECT_EQ(c.at(610, 114), fromArgb(paint::colorBackground));
}

TEST_F(Painting, ButtonsTakeTheirHoverColoursAndSecondaryButtonsKeepTheirOutline) {
    struct Case { int id; std::uint32_t normal; std::uint32_t hover; };
    const Case cases[] = {{ID_MAIN, paint::colorAccent, paint::colorAccentHover},
                          {ID_CANCEL, paint::colorButton, paint::colorButtonHover},
                          {ID_CHANGE_FOLDER, paint::colorButton, paint::colorButtonHover}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.id);
        prepare(Screen::Welcome, false);
        EXPECT_EQ(insideLeftEdge(paint(), k.id), fromArgb(k.normal));
        setupState().hoverId = k.id;
        const Canvas& hovered = paint();
        EXPECT_EQ(insideLeftEdge(hovered, k.id), fromArgb(k.hover));
        // The others keep their normal look.
        if (k.id != ID_MAIN) {
            EXPECT_EQ(insideLeftEdge(hovered, ID_MAIN), fromArgb(paint::colorAccent));
        }
    }
    prepare(Screen::Welcome, false);
    setupState().hoverId = ID_CANCEL;
    const Canvas& c = paint();
    const UiElement* cancel = uitest::element(ID_CANCEL);
    const int middle = (cancel->rect.left + cancel->rect.right) / 2;
    EXPECT_TRUE(outlinedAt(c, middle, cancel->rect.top, paint::colorButtonHover))
        << c.at(middle, cancel->rect.top - 1) << " " << c.at(middle, cancel->rect.top);
    // A primary button has no outline.
    const UiElement* main = uitest::element(ID_MAIN);
    EXPECT_FALSE(outlinedAt(c, (main->rect.left + main->rect.right) / 2, main->rect.top, paint::colorAccent));
}

TEST_F(Painting, ButtonLabelsAreDrawnOverTheirShapes) {
    prepare(Screen::Done, false);
    const Canvas& c = paint();
    const UiElement* open = uitest::element(ID_OPEN_APP);
    EXPECT_TRUE(c.any(open->rect, [](Rgb p) { return p.r > 200 && p.g > 200 && p.b > 200; }));
}

TEST_F(Painting, CheckedBoxIsBlueWithAWhiteTickAndUncheckedIsOutlinedDark) {
    prepare(Screen::Welcome, false, [](SetupState& s) { s.options.desktopShortcut = false; });
    const UiElement* desktop = uitest::element(ID_DESKTOP);
    const layout::Rect box = paint::checkboxBox({desktop->rect.left, desktop->rect.top, desktop->rect.right,
                                                 desktop->rect.bottom}, 96);
    const RECT boxRect{box.left, box.top, box.right, box.bottom};
    const auto white = [](Rgb p) { return p.r > 230 && p.g > 230 && p.b > 230; };
    {
        const Canvas& c = paint();
        EXPECT_EQ(c.at(box.left + 3, box.top + 3), fromArgb(paint::colorSurface));
        EXPECT_FALSE(c.any(boxRect, white));
        EXPECT_TRUE(outlinedAt(c, box.left + 9, box.top, paint::colorSurface));
    }
    setupState().options.desktopShortcut = true;
    const Canvas& c = paint();
    EXPECT_EQ(c.at(box.left + 3, box.top + 3), fromArgb(paint::colorAccent));
    EXPECT_TRUE(c.any(boxRect, white));
    EXPECT_FALSE(outlinedAt(c, box.left + 9, box.top, paint::colorAccent));
    // A hovered checkbox looks the same.
    setupState().hoverId = ID_DESKTOP;
    const Canvas& hovered = paint();
    EXPECT_EQ(hovered.at(box.left + 3, box.top + 3), fromArgb(paint::colorAccent));
}

TEST_F(Painting, ProgressFillShowsOnlyOnceWiderThanTheBar) {
    struct Case { int progress; int x; bool filled; };
    const Case cases[] = {{0, 33, false}, {1, 33, false}, {2, 36, true}, {42, 230, true}, {42, 280, false},
                          {100, 586, true}, {100, 320, true}};
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << k.progress << "% at x " << k.x);
        prepare(Screen::Working, false, [&](SetupState& s) { s.progress = k.progress; });
        const Rgb pixel = paint().at(k.x, 209);
        EXPECT_EQ(pixel, fromArgb(k.filled ? paint::colorAccent : paint::colorTrack));
    }
    prepare(Screen::Working, false);
    const Canvas& c = paint();
    EXPECT_EQ(c.at(28, 209), fromArgb(paint::colorBackground)) << "the track starts at the margin";
    EXPECT_EQ(c.at(592, 209), fromArgb(paint::colorBackground));
}

const auto kErrorRed = [](Rgb p) { return p.r > 180 && p.g < 130 && p.b < 120 && p.r - p.g > 80; };
const auto kWarningYellow = [](Rgb p) { return p.r > 180 && p.g > 150 && p.b < 90; };

TEST_F(Painting, FailedHeadingIsRedInBothModesAndDoneIsNot) {
    const RECT heading{30, 154, 590, 180};
    for (bool uninstall : {false, true}) {
        prepare(Screen::Failed, uninstall, [](SetupState& s) { s.errorText = L"Could not write a file."; });
        EXPECT_TRUE(paint().any(heading, kErrorRed)) << uninstall;
        prepare(Screen::Done, uninstall, [](SetupState& s) { s.statusText = L"Launch it from the folder above."; });
        EXPECT_FALSE(paint().any(heading, kErrorRed)) << uninstall;
    }
}

TEST_F(Painting, WarningNoteAndLinkOnlyWithoutWebView2) {
    const RECT note{30, 330, 570, 370};
    const RECT linkArea{30, 378, 230, 398};
    const auto linkBlue = [](Rgb p) { return p.b > 200 && p.r < 90; };
    prepare(Screen::Welcome, false, [](SetupState& s) { s.webView2Present = false; });
    const Canvas& without = paint();
    EXPECT_TRUE(without.any(note, kWarningYellow));
    EXPECT_TRUE(without.any(linkArea, linkBlue));
    prepare(Screen::Welcome, false, [](SetupState& s) { s.webView2Present = true; });
    const Canvas& with = paint();
    EXPECT_FALSE(with.any(note, kWarningYellow));
    EXPECT_TRUE(with.any(note, [](Rgb p) { return p.r > 60; })) << "the muted per-user note";
    EXPECT_FALSE(with.any(linkArea, linkBlue));
}

// A text alone, drawn on a plain fill the way the painting draws texts.
struct LoneText {
    const wchar_t* text;
    HFONT font;
    COLORREF color;
    COLORREF fill;
    RECT rect;
    unsigned flags;
};

// How many pixels of `area` differ between the painted window and the lone text.
int differingFromLoneText(const Canvas& painted, const LoneText& lone, const RECT& area) {
    Canvas expected(kWidth, kHeight);
    const win::UniqueGdiObject fill(CreateSolidBrush(lone.fill));
    FillRect(expected.dc(), &area, static_cast<HBRUSH>(fill.get()));
    SelectObject(expected.dc(), lone.font);
    SetTextColor(expected.dc(), lone.color);
    SetBkMode(expected.dc(), TRANSPARENT);
    RECT where = lone.rect;
    DrawTextW(expected.dc(), lone.text, -1, &where, lone.flags);
    int differing = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) differing += !(painted.at(x, y) == expected.at(x, y));
    return differing;
}

// The subtitle as painted, against the expected text drawn the same way on
// the header band.
TEST_F(Painting, SubtitleSaysTheSizeOnDisk) {
    struct Case { std::uint64_t bytes; const wchar_t* text; };
    const Case cases[] = {{0, L"Version 0.2.5  \u00B7  0 KB on disk"},
                          {1048575, L"Version 0.2.5  \u00B7  1024 KB on disk"},
                          {1048576, L"Version 0.2.5  \u00B7  1.0 MB on disk"},
                          {5767168, L"Version 0.2.5  \u00B7  5.5 MB on disk"}};
    const RECT line{102, 66, 620, 88};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.bytes);
        prepare(Screen::Welcome, false, [&](SetupState& s) { s.payloadBytes = k.bytes; });
        const LoneText subtitle{k.text, setupState().smallFont.get(), paint::colorTextMuted, RGB(0x18, 0x18, 0x1B),
                                line, DT_SINGLELINE};
        EXPECT_EQ(differingFromLoneText(paint(), subtitle, line), 0);
    }
}

// An ampersand in a path or a report is a character, not an access-key
// prefix: "D:\R&D" must not show as "D:\RD" with the D underlined.
TEST_F(Painting, PathsAndErrorTextsShowTheirAmpersands) {
    const wchar_t* folder = L"D:\\R&D\\Tessark Studio";
    prepare(Screen::Welcome, false, [&](SetupState& s) { s.options.installDir = folder; });
    const RECT inBox{44, 160, 470, 190};  // the path's row, clear of the box's outline
    LoneText path{folder, setupState().bodyFont.get(), paint::colorText, RGB(0x18, 0x18, 0x1B),
                  {44, 154, 470, 196}, DT_SINGLELINE | DT_VCENTER | DT_PATH_ELLIPSIS | DT_NOPREFIX};
    const Canvas& painted = paint();
    EXPECT_EQ(differingFromLoneText(painted, path, inBox), 0);
    path.flags &= ~DT_NOPREFIX;
    EXPECT_GT(differingFromLoneText(painted, path, inBox), 0) << "the two drawings can be told apart";

    const wchar_t* error = L"Could not write D:\\R&D\\Tessark Studio\\a.dll.";
    prepare(Screen::Failed, false, [&](SetupState& s) { s.errorText = error; });
    const RECT errorArea{30, 186, 590, 306};
    const LoneText errorText{error, setupState().smallFont.get(), paint::colorTextMuted, RGB(0x0B, 0x0B, 0x0D),
                             errorArea, DT_WORDBREAK | DT_NOPREFIX};
    EXPECT_EQ(differingFromLoneText(paint(), errorText, errorArea), 0);
}

// Only while an element has the focus and the window shows focus cues; with
// the cues hidden the window is the same, pixel for pixel, as with no focus.
TEST_F(Painting, FocusRingOnlyWhileAnElementHasFocusAndCuesAreShown) {
    prepare(Screen::Welcome, false);
    const std::vector<std::uint32_t> unfocused = paint().snapshot();
    const UiElement* cancel = uitest::element(ID_CANCEL);
    const int middle = (cancel->rect.left + cancel->rect.right) / 2;
    const int ringRow = cancel->rect.top - 3;  // 3 pixels out, on the ring's 2-pixel line
    EXPECT_EQ(paint().at(middle, ringRow), fromArgb(paint::colorBackground));

    setupState().focusId = ID_CANCEL;
    EXPECT_TRUE(similar(paint().at(middle, ringRow), fromArgb(paint::kDarkPalette.focusRing), 40))
        << paint().at(middle, ringRow);
    EXPECT_EQ(insideLeftEdge(paint(), ID_CANCEL), fromArgb(paint::colorButton)) << "the button itself unchanged";

    setupState().focusHidden = true;
    EXPECT_TRUE(paint().snapshot() == unfocused);
}

TEST_F(Painting, HighContrastPaintsWithTheSystemColoursOnly) {
    const auto white = [](Rgb p) { return p.r > 230 && p.g > 230 && p.b > 230; };
    const auto highContrast = [](SetupState& s) {
        s.palette = paint::choosePalette(true, uitest::kHighContrastBlack);
        s.webView2Present = false;
        s.hoverId = ID_CANCEL;
    };
    prepare(Screen::Welcome, false, highContrast);
    const Canvas& welcome = paint();
    EXPECT_EQ(welcome.at(5, 300), (Rgb{0, 0, 0}));
    EXPECT_EQ(welcome.at(5, 5), (Rgb{0, 0, 0})) << "the header band";
    EXPECT_EQ(welcome.at(610, 112), (Rgb{255, 255, 255})) << "the rule";
    EXPECT_EQ(insideLeftEdge(welcome, ID_MAIN), (Rgb{26, 235, 255}));
    EXPECT_EQ(insideLeftEdge(welcome, ID_CANCEL), (Rgb{26, 235, 255})) << "hovered";
    EXPECT_EQ(insideLeftEdge(welcome, ID_CHANGE_FOLDER), (Rgb{0, 0, 0}));
    const UiElement* desktop = uitest::element(ID_DESKTOP);
    EXPECT_EQ(welcome.at(desktop->rect.left + 3, (desktop->rect.top + desktop->rect.bottom) / 2 - 5),
              (Rgb{26, 235, 255})) << "a checked box";
    const RECT note{30, 330, 570, 370};
    EXPECT_FALSE(welcome.any(note, kWarningYellow));
    EXPECT_TRUE(welcome.any(note, white));
    EXPECT_TRUE(welcome.any({30, 378, 230, 398}, [](Rgb p) { return p.r > 200 && p.g > 200 && p.b < 60; }))
        << "the link in hot-light";

    prepare(Screen::Failed, false, [&](SetupState& s) {
        highContrast(s);
        s.errorText = L"Could not write a file.";
    });
    const Canvas& failed = paint();
    EXPECT_FALSE(failed.any({30, 154, 590, 180}, kErrorRed));
    EXPECT_TRUE(failed.any({30, 154, 590, 180}, white));
}

TEST_F(Painting, WorkingScreenShowsNoButtons) {
    prepare(Screen::Working, true, [](SetupState& s) { s.progress = 50; });
    const Canvas& c = paint();
    const RECT buttonRow{300, 370, 590, 404};
    EXPECT_FALSE(c.any(buttonRow, [](Rgb p) { return p.b > 200 && p.r < 90; }));
    EXPECT_FALSE(c.any(buttonRow, [](Rgb p) { return similar(p, fromArgb(paint::colorButton), 0); }));
}

}  // namespace
