// What the painting shows, worked out before any pixel is drawn: the size on
// disk, the result sentences, each screen's texts with their rectangles,
// fonts, colours and DrawText flags (DT_NOPREFIX on every text that is not a
// fixed label), the progress bar's rule that a fill no wider than the bar is
// high is not drawn, the focus ring, and the high-contrast palette.
#include "ui/core/paint_plan.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <vector>

namespace {

using layout::Rect;
using paint::Font;
using paint::PaintInput;
using paint::TextItem;
using paint::TextKind;

TEST(SizeText, WholeKilobytesBelowOneMebibyteElseOneDecimalMegabyte) {
    struct Case { std::uint64_t bytes; const wchar_t* text; };
    const Case cases[] = {
        {0, L"0 KB"}, {512, L"0 KB"}, {1536, L"2 KB"}, {1048575, L"1024 KB"},
        {1048576, L"1.0 MB"}, {5767168, L"5.5 MB"}, {1073741824, L"1024.0 MB"},
    };
    for (const auto& c : cases) EXPECT_EQ(paint::sizeText(c.bytes), c.text) << c.bytes;
}

// The text must read exactly as "%.0f KB" / "%.1f MB" print, ties included.
TEST(SizeText, AgreesWithPrintfOnBoundariesAndTies) {
    std::vector<std::uint64_t> sizes = {1, 511, 513, 2560, 3584, 1048064, 10747904, 1310720, 28801704,
                                        (1ull << 40) + 12345, (1ull << 52) + 3};
    for (std::uint64_t b = 1; b < (1ull << 50); b = b * 7 + 13) sizes.push_back(b);
    for (const auto bytes : sizes) {
        wchar_t expected[64];
        const double b = static_cast<double>(bytes);
        if (bytes < 0x100000) std::swprintf(expected, 64, L"%.0f KB", b * (1.0 / 1024));
        else std::swprintf(expected, 64, L"%.1f MB", b * (1.0 / 0x100000));
        EXPECT_EQ(paint::sizeText(bytes), expected) << bytes;
    }
}

TEST(Subtitle, NamesVersionAndSizeInAnInstallAndOnlyTheModeInAnUninstall) {
    EXPECT_EQ(paint::subtitle(false, 5767168), L"Version 0.2.5  \u00B7  5.5 MB on disk");
    EXPECT_EQ(paint::subtitle(true, 5767168), L"Uninstall");
}

TEST(ResultSentence, FollowsModePurgeAndStartMenu) {
    EXPECT_STREQ(paint::resultSentence(true, true, true), L"Its settings and cached data were removed as well.");
    EXPECT_STREQ(paint::resultSentence(true, false, true), L"Settings were left in place, in case you install it again.");
    EXPECT_STREQ(paint::resultSentence(false, true, true),
                 L"It is in the Start menu, and in \u201COpen a folder\u2026\u201D it will offer the gamemode roots it found.");
    EXPECT_STREQ(paint::resultSentence(false, true, false), L"Launch it from the folder above.");
}

PaintInput input(Screen screen, bool uninstall) {
    PaintInput in;
    in.screen = screen;
    in.uninstallMode = uninstall;
    in.payloadBytes = 5767168;
    in.progress = 42;
    in.statusText = L"Writing files\u2026";
    in.errorText = L"Could not write C:\\x\\a.txt.";
    in.installDir = L"C:\\Users\\u\\Programs\\Tessark Studio";
    in.uninstallDir = L"D:\\Apps\\Tessark Studio";
    return in;
}

std::vector<TextItem> screenPart(const PaintInput& in) {
    auto all = paint::screenTexts(in);
    return {all.begin() + 2, all.end()};  // the header's two lines come first
}

TEST(ScreenTexts, HeaderHasTheProductNameAndSubtitleBesideTheIcon) {
    const auto texts = paint::screenTexts(input(Screen::Welcome, false));
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[0], (TextItem{L"Tessark Studio", Font::Title, paint::colorText, {102, 36, 620, 66}, 0x20}));
    EXPECT_EQ(texts[1], (TextItem{L"Version 0.2.5  \u00B7  5.5 MB on disk", Font::Small, paint::colorTextMuted,
                                  {102, 66, 620, 88}, 0x20}));
}

TEST(ScreenTexts, EachScreenAt96DpiMatchesTheDesign) {
    const std::wstring dir = L"C:\\Users\\u\\Programs\\Tessark Studio";
    struct Case {
        const char* name;
        PaintInput in;
        std::vector<TextItem> texts;
    };
    PaintInput withWebView = input(Screen::Welcome, false);
    PaintInput withoutWebView = withWebView;
    withoutWebView.webView2Present = false;
    withoutWebView.existingInstall = true;
    const Case cases[] = {
        {"install welcome", withWebView,
         {{L"Install location", Font::Small, paint::colorTextMuted, {30, 134, 590, 152}, 0x20},
          {dir, Font::Body, paint::colorText, {44, 154, 470, 196}, 0x4824, TextKind::Folder},
          {L"Installs for you alone - no administrator rights, nothing written outside your own profile.", Font::Small,
           paint::colorTextMuted, {30, 330, 570, 370}, 0x10}}},
        {"update welcome without WebView2", withoutWebView,
         {{L"Update the copy installed here", Font::Small, paint::colorTextMuted, {30, 134, 590, 152}, 0x20},
          {dir, Font::Body, paint::colorText, {44, 154, 470, 196}, 0x4824, TextKind::Folder},
          {L"WebView2 is not installed. Tessark Studio draws its whole interface in it and will not start without it.",
           Font::Small, paint::colorWarning, {30, 330, 570, 370}, 0x10}}},
        {"uninstall welcome", input(Screen::Welcome, true),
         {{L"This removes Tessark Studio from", Font::Small, paint::colorTextMuted, {30, 134, 590, 152}, 0x20},
          {L"D:\\Apps\\Tessark Studio", Font::Body, paint::colorText, {30, 156, 590, 180}, 0x4820, TextKind::Folder},
          {L"Only the files this installer wrote are deleted. Anything else in that folder is left alone.",
           Font::Small, paint::colorTextMuted, {30, 246, 590, 286}, 0x10}}},
        {"install working", input(Screen::Working, false),
         {{L"Installing\u2026", Font::Body, paint::colorText, {30, 158, 590, 184}, 0x20, TextKind::Heading},
          {L"Writing files\u2026", Font::Small, paint::colorTextMuted, {30, 222, 540, 244}, 0x4820, TextKind::Status},
          {L"42%", Font::Small, paint::colorTextMuted, {30, 222, 590, 244}, 0x22, TextKind::Percentage}}},
        {"uninstall working", input(Screen::Working, true),
         {{L"Removing\u2026", Font::Body, paint::colorText, {30, 158, 590, 184}, 0x20, TextKind::Heading},
          {L"Writing files\u2026", Font::Small, paint::colorTextMuted, {30, 222, 540, 244}, 0x4820, TextKind::Status},
          {L"42%", Font::Small, paint::colorTextMuted, {30, 222, 590, 244}, 0x22, TextKind::Percentage}}},
        {"install done", input(Screen::Done, false),
         {{L"Installed.", Font::Body, paint::colorText, {30, 154, 590, 180}, 0x20, TextKind::Heading},
          {dir, Font::Small, paint::colorTextMuted, {30, 186, 590, 206}, 0x4820, TextKind::Folder},
          {L"Writing files\u2026", Font::Small, paint::colorTextMuted, {30, 210, 590, 258}, 0x810}}},
        {"uninstall done", input(Screen::Done, true),
         {{L"Tessark Studio has been removed.", Font::Body, paint::colorText, {30, 154, 590, 180}, 0x20,
           TextKind::Heading},
          {L"Writing files\u2026", Font::Small, paint::colorTextMuted, {30, 186, 590, 234}, 0x810}}},
        {"install failed", input(Screen::Failed, false),
         {{L"The install did not finish.", Font::Body, paint::colorError, {30, 154, 590, 180}, 0x20, TextKind::Heading},
          {L"Could not write C:\\x\\a.txt.", Font::Small, paint::colorTextMuted, {30, 186, 590, 306}, 0x810}}},
        {"uninstall failed", input(Screen::Failed, true),
         {{L"The uninstall did not finish.", Font::Body, paint::colorError, {30, 154, 590, 180}, 0x20,
           TextKind::Heading},
          {L"Could not write C:\\x\\a.txt.", Font::Small, paint::colorTextMuted, {30, 186, 590, 306}, 0x810}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto got = screenPart(c.in);
        ASSERT_EQ(got.size(), c.texts.size());
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], c.texts[i]) << "text " << i;
    }
}

TEST(ScreenTexts, At144DpiEachTermIsScaledAndTheWidthIsTheRealClient) {
    PaintInput in = input(Screen::Working, false);
    in.dpi = 144;
    in.width = 930;
    in.height = 645;
    const auto texts = screenPart(in);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].rect, (Rect{45, 237, 885, 276}));  // ct 201 + 36, 39 high
    EXPECT_EQ(texts[1].rect, (Rect{45, 333, 810, 366}));  // ends 75 before the margin
    EXPECT_EQ(texts[2].rect, (Rect{45, 333, 885, 366}));
}

TEST(ProgressBar, FillIsDrawnOnlyOnceWiderThanTheBarIsHigh) {
    struct Case { int progress; int fill; bool shown; };
    const Case cases[] = {{0, 0, false}, {1, 5, false}, {2, 11, true}, {42, 235, true}, {100, 560, true}};
    for (const auto& c : cases) {
        PaintInput in = input(Screen::Working, false);
        in.progress = c.progress;
        const auto bar = paint::progressBar(in);
        EXPECT_EQ(bar.track, (Rect{30, 206, 590, 212})) << c.progress;
        EXPECT_EQ(bar.fillWidth, c.fill) << c.progress;
        EXPECT_EQ(bar.fillShown, c.shown) << c.progress;
        EXPECT_EQ(bar.radius, 3);
    }
}

TEST(Geometry, LocationBoxCheckboxBoxLabelAndTick) {
    EXPECT_EQ(paint::locationBox(input(Screen::Welcome, false)), (Rect{30, 154, 484, 196}));
    EXPECT_EQ(paint::headerIconRect(96), (Rect{30, 28, 86, 84}));
    EXPECT_EQ(paint::headerHeight(144), 168);
    const Rect element{30, 214, 350, 238};
    const Rect box = paint::checkboxBox(element, 96);
    EXPECT_EQ(box, (Rect{30, 217, 48, 235}));
    EXPECT_EQ(paint::checkboxLabel(element, 96), (Rect{59, 214, 350, 238}));
    // At 120 DPI the box (23) is centred on a 30-pixel row with the odd pixel below.
    EXPECT_EQ(paint::checkboxBox({38, 268, 438, 298}, 120), (Rect{38, 271, 61, 294}));
    const auto tick = paint::tickPoints(box);
    EXPECT_FLOAT_EQ(tick[0].x, 30 + 0.26f * 18);
    EXPECT_FLOAT_EQ(tick[1].y, 217 + 0.70f * 18);
    EXPECT_FLOAT_EQ(tick[2].x, 30 + 0.76f * 18);
    // The focus ring of the main button, and of Cancel beside it: 3 pixels
    // out, a 2-pixel pen, and the two rings (each a pixel either side of its
    // edge) never touch.
    const paint::FocusRing main = paint::focusRing({464, 370, 590, 404}, 96);
    EXPECT_EQ(main.rect, (Rect{461, 367, 593, 407}));
    EXPECT_EQ(main.radius, 11);
    EXPECT_EQ(main.width, 2);
    EXPECT_LT(paint::focusRing({358, 370, 454, 404}, 96).rect.right + 1, main.rect.left - 1);
    EXPECT_EQ(paint::focusRing({696, 555, 885, 606}, 144).rect, (Rect{691, 550, 890, 611}));
}

// "High Contrast White" as Windows defines it.
constexpr paint::SystemColours kHighContrastWhite{
    .window = paint::rgb(255, 255, 255),
    .windowText = paint::rgb(0, 0, 0),
    .highlight = paint::rgb(55, 0, 110),
    .highlightText = paint::rgb(255, 255, 255),
    .buttonFace = paint::rgb(255, 255, 255),
    .buttonText = paint::rgb(0, 0, 0),
    .grayText = paint::rgb(96, 0, 0),
    .hotLight = paint::rgb(0, 0, 159),
};

TEST(Palette, HighContrastPaintsEverythingInTheSystemColours) {
    EXPECT_EQ(paint::choosePalette(false, kHighContrastWhite), paint::kDarkPalette);
    const paint::Palette p = paint::choosePalette(true, kHighContrastWhite);
    // Shapes: ARGB, opaque, red and blue swapped from the COLORREF.
    EXPECT_EQ(p.background, 0xFFFFFFFFu);
    EXPECT_EQ(p.surface, 0xFFFFFFFFu);
    EXPECT_EQ(p.hairline, 0xFF000000u);
    EXPECT_EQ(p.accent, 0xFF37006Eu);
    EXPECT_EQ(p.accentHover, 0xFF37006Eu);
    EXPECT_EQ(p.button, 0xFFFFFFFFu);
    EXPECT_EQ(p.buttonHover, 0xFF37006Eu);
    EXPECT_EQ(p.track, 0xFF600000u);
    EXPECT_EQ(p.checkMark, 0xFFFFFFFFu);
    EXPECT_EQ(p.focusRing, 0xFF000000u);
    EXPECT_TRUE(p.outlinePrimary);
    // Texts: COLORREF as the system gives them; no colour of our own is left.
    for (const std::uint32_t text : {p.text, p.textMuted, p.error, p.warning}) {
        EXPECT_EQ(text, paint::rgb(0, 0, 0));
    }
    EXPECT_EQ(p.link, paint::rgb(0, 0, 159));
    EXPECT_EQ(p.linkHover, paint::rgb(0, 0, 159));
    EXPECT_EQ(p.buttonText, paint::rgb(0, 0, 0));
    EXPECT_EQ(p.buttonHoverText, paint::rgb(255, 255, 255));
    EXPECT_EQ(p.accentText, paint::rgb(255, 255, 255));
}

TEST(ScreenTexts, TakeTheirColoursFromThePalette) {
    PaintInput in = input(Screen::Failed, false);
    in.palette = paint::choosePalette(true, kHighContrastWhite);
    for (const TextItem& text : paint::screenTexts(in)) {
        EXPECT_EQ(text.color, paint::rgb(0, 0, 0)) << static_cast<int>(text.font);
    }
    in = input(Screen::Welcome, false);
    in.webView2Present = false;
    in.palette = paint::choosePalette(true, kHighContrastWhite);
    EXPECT_EQ(screenPart(in).back().color, paint::rgb(0, 0, 0)) << "the WebView2 warning";
}

}  // namespace
