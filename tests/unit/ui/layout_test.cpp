// Where every clickable element of the setup window lies, at 96, 120 and 144
// DPI. The rectangles are the hit areas as well as the drawing areas, and the
// order decides what a click and the Enter key reach, so each screen is
// checked element by element.
#include "ui/core/layout.h"

#include "ui/core/texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using layout::ElementPlacement;
using layout::LayoutInput;
using layout::Option;
using layout::Rect;

TEST(Scaling, RoundsEachTermToNearestWithHalvesAwayFromZero) {
    struct Case { int value, dpi, scaled; };
    const Case cases[] = {
        {30, 96, 30}, {30, 120, 38}, {126, 120, 158}, {430, 120, 538}, {620, 120, 775},
        {430, 144, 645}, {1, 144, 2}, {3, 144, 5}, {6, 120, 8}, {0, 120, 0}, {-30, 120, -38},
        {56, 168, 98}, {112, 192, 224},
    };
    for (const auto& c : cases) EXPECT_EQ(layout::scaleLength(c.value, c.dpi), c.scaled) << c.value << " @" << c.dpi;
    // A sum is the sum of its scaled terms, not the scaled sum.
    EXPECT_EQ(layout::scaleLength(30, 120) + layout::scaleLength(126, 120), 196);
}

TEST(Scaling, MulDivFailsLikeWindowsOnZeroDivisorAndOverflow) {
    EXPECT_EQ(layout::mulDiv(5, 3, 0), -1);
    EXPECT_EQ(layout::mulDiv(0x40000000, 8, 1), -1);
    EXPECT_EQ(layout::mulDiv(7, 1, -2), -4);  // -3.5 rounds away from zero
}

TEST(Fonts, HeightsAreNegativePointSizesAtSeventyTwoPerInch) {
    struct Case { int dpi, title, body, small, button; };
    const Case cases[] = {{96, -25, -13, -12, -13}, {120, -32, -17, -15, -17}, {144, -38, -20, -18, -20}};
    for (const auto& c : cases) {
        EXPECT_EQ(layout::fontHeight(19, c.dpi), c.title) << c.dpi;
        EXPECT_EQ(layout::fontHeight(10, c.dpi), c.body) << c.dpi;
        EXPECT_EQ(layout::fontHeight(9, c.dpi), c.small) << c.dpi;
        EXPECT_EQ(layout::fontHeight(10, c.dpi), c.button) << c.dpi;
    }
}

TEST(Centring, SplitsTheSpareRoomAndTruncatesHalvesTowardZero) {
    EXPECT_EQ(layout::centredOrigin({0, 0, 1280, 984}, 636, 469), (layout::Point{322, 257}));
    EXPECT_EQ(layout::centredOrigin({100, 40, 1380, 1024}, 637, 470), (layout::Point{421, 297}));
    // A window larger than the work area: a negative half, truncated toward zero.
    EXPECT_EQ(layout::centredOrigin({0, 0, 800, 600}, 931, 700), (layout::Point{-65, -50}));
}

struct Expected {
    int id;
    ElementKind kind;
    Rect rect;
    bool primary;
    Option option;
};

struct ScreenCase {
    const char* name;
    int dpi;
    Screen screen;
    bool uninstallMode;
    bool webView2Present;
    std::vector<Expected> elements;
};

LayoutInput inputFor(const ScreenCase& c) {
    const int width = layout::scaleLength(layout::kDesignClientWidth, c.dpi);
    const int height = layout::scaleLength(layout::kDesignClientHeight, c.dpi);
    return {c.screen, c.uninstallMode, c.webView2Present, false, c.dpi, width, height};
}

// The expected rectangles were worked out by hand from the logical design.
const std::vector<ScreenCase>& screenCases() {
    static const std::vector<ScreenCase> cases = {
        {"install welcome, no WebView2, 96", 96, Screen::Welcome, false, false,
         {{ID_CHANGE_FOLDER, Button, {494, 160, 590, 190}, false, Option::None},
          {ID_DESKTOP, Checkbox, {30, 214, 350, 238}, false, Option::DesktopShortcut},
          {ID_START_MENU, Checkbox, {30, 244, 350, 268}, false, Option::StartMenuShortcut},
          {ID_EXPLORER, Checkbox, {30, 274, 390, 298}, false, Option::ExplorerEntries},
          {ID_OPEN_APP, Checkbox, {30, 304, 350, 328}, false, Option::LaunchAfter},
          {ID_WEBVIEW2_LINK, Link, {30, 378, 230, 398}, false, Option::None},
          {ID_MAIN, Button, {464, 370, 590, 404}, true, Option::None},
          {ID_CANCEL, Button, {358, 370, 454, 404}, false, Option::None}}},
        {"install welcome, WebView2 present, 96", 96, Screen::Welcome, false, true,
         {{ID_CHANGE_FOLDER, Button, {494, 160, 590, 190}, false, Option::None},
          {ID_DESKTOP, Checkbox, {30, 214, 350, 238}, false, Option::DesktopShortcut},
          {ID_START_MENU, Checkbox, {30, 244, 350, 268}, false, Option::StartMenuShortcut},
          {ID_EXPLORER, Checkbox, {30, 274, 390, 298}, false, Option::ExplorerEntries},
          {ID_OPEN_APP, Checkbox, {30, 304, 350, 328}, false, Option::LaunchAfter},
          {ID_MAIN, Button, {464, 370, 590, 404}, true, Option::None},
          {ID_CANCEL, Button, {358, 370, 454, 404}, false, Option::None}}},
        {"uninstall welcome, 96", 96, Screen::Welcome, true, true,
         {{ID_PURGE, Checkbox, {30, 206, 430, 230}, false, Option::PurgeSettings},
          {ID_MAIN, Button, {464, 370, 590, 404}, true, Option::None},
          {ID_CANCEL, Button, {358, 370, 454, 404}, false, Option::None}}},
        {"install done, 96", 96, Screen::Done, false, true,
         {{ID_OPEN_APP, Button, {420, 370, 590, 404}, true, Option::None},
          {ID_CLOSE, Button, {314, 370, 410, 404}, false, Option::None}}},
        {"uninstall done, 96", 96, Screen::Done, true, true, {{ID_CLOSE, Button, {464, 370, 590, 404}, true, Option::None}}},
        {"install failed, 96", 96, Screen::Failed, false, true, {{ID_CLOSE, Button, {464, 370, 590, 404}, true, Option::None}}},
        {"uninstall failed, 96", 96, Screen::Failed, true, true, {{ID_CLOSE, Button, {464, 370, 590, 404}, true, Option::None}}},
        {"install working, 96", 96, Screen::Working, false, false, {}},
        {"uninstall working, 96", 96, Screen::Working, true, true, {}},

        {"install welcome, no WebView2, 120", 120, Screen::Welcome, false, false,
         {{ID_CHANGE_FOLDER, Button, {617, 200, 737, 238}, false, Option::None},
          {ID_DESKTOP, Checkbox, {38, 268, 438, 298}, false, Option::DesktopShortcut},
          {ID_START_MENU, Checkbox, {38, 306, 438, 336}, false, Option::StartMenuShortcut},
          {ID_EXPLORER, Checkbox, {38, 343, 488, 373}, false, Option::ExplorerEntries},
          {ID_OPEN_APP, Checkbox, {38, 381, 438, 411}, false, Option::LaunchAfter},
          {ID_WEBVIEW2_LINK, Link, {38, 472, 288, 497}, false, Option::None},
          {ID_MAIN, Button, {579, 462, 737, 505}, true, Option::None},
          {ID_CANCEL, Button, {446, 462, 566, 505}, false, Option::None}}},
        {"uninstall welcome, 120", 120, Screen::Welcome, true, true,
         {{ID_PURGE, Checkbox, {38, 258, 538, 288}, false, Option::PurgeSettings},
          {ID_MAIN, Button, {579, 462, 737, 505}, true, Option::None},
          {ID_CANCEL, Button, {446, 462, 566, 505}, false, Option::None}}},
        {"install done, 120", 120, Screen::Done, false, true,
         {{ID_OPEN_APP, Button, {524, 462, 737, 505}, true, Option::None},
          {ID_CLOSE, Button, {391, 462, 511, 505}, false, Option::None}}},
        {"failed, 120", 120, Screen::Failed, false, true, {{ID_CLOSE, Button, {579, 462, 737, 505}, true, Option::None}}},

        {"install welcome, no WebView2, 144", 144, Screen::Welcome, false, false,
         {{ID_CHANGE_FOLDER, Button, {741, 240, 885, 285}, false, Option::None},
          {ID_DESKTOP, Checkbox, {45, 321, 525, 357}, false, Option::DesktopShortcut},
          {ID_START_MENU, Checkbox, {45, 366, 525, 402}, false, Option::StartMenuShortcut},
          {ID_EXPLORER, Checkbox, {45, 411, 585, 447}, false, Option::ExplorerEntries},
          {ID_OPEN_APP, Checkbox, {45, 456, 525, 492}, false, Option::LaunchAfter},
          {ID_WEBVIEW2_LINK, Link, {45, 567, 345, 597}, false, Option::None},
          {ID_MAIN, Button, {696, 555, 885, 606}, true, Option::None},
          {ID_CANCEL, Button, {537, 555, 681, 606}, false, Option::None}}},
        {"uninstall welcome, 144", 144, Screen::Welcome, true, true,
         {{ID_PURGE, Checkbox, {45, 309, 645, 345}, false, Option::PurgeSettings},
          {ID_MAIN, Button, {696, 555, 885, 606}, true, Option::None},
          {ID_CANCEL, Button, {537, 555, 681, 606}, false, Option::None}}},
        {"install done, 144", 144, Screen::Done, false, true,
         {{ID_OPEN_APP, Button, {630, 555, 885, 606}, true, Option::None},
          {ID_CLOSE, Button, {471, 555, 615, 606}, false, Option::None}}},
        {"uninstall done, 144", 144, Screen::Done, true, true, {{ID_CLOSE, Button, {696, 555, 885, 606}, true, Option::None}}},
    };
    return cases;
}

TEST(Layout, EveryScreenHasItsElementsInOrderAtTheirRectangles) {
    for (const auto& c : screenCases()) {
        SCOPED_TRACE(c.name);
        const std::vector<ElementPlacement> got = layout::layoutScreen(inputFor(c));
        ASSERT_EQ(got.size(), c.elements.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            SCOPED_TRACE("element " + std::to_string(i + 1));
            EXPECT_EQ(got[i].id, c.elements[i].id);
            EXPECT_EQ(got[i].kind, c.elements[i].kind);
            EXPECT_EQ(got[i].rect, c.elements[i].rect);
            EXPECT_EQ(got[i].primary, c.elements[i].primary);
            EXPECT_EQ(got[i].option, c.elements[i].option);
        }
    }
}

TEST(Layout, EdgeCaseFiguresAt120And144Dpi) {
    // 120 DPI: client 775 × 538 (537.5 rounds up), m = 38, main button at 775 − 38 − 158.
    EXPECT_EQ(layout::scaleLength(620, 120), 775);
    EXPECT_EQ(layout::scaleLength(430, 120), 538);
    auto welcome120 = layout::layoutScreen({Screen::Welcome, false, true, false, 120, 775, 538});
    EXPECT_EQ(welcome120[5].rect.left, 579);
    // 144 DPI: 930 × 645, m = 45, button row at 555, main at 696, Cancel at 537.
    auto welcome144 = layout::layoutScreen({Screen::Welcome, false, true, false, 144, 930, 645});
    EXPECT_EQ(welcome144[1].rect.left, 45);
    EXPECT_EQ(welcome144[5].rect.top, 555);
    EXPECT_EQ(welcome144[5].rect.left, 696);
    EXPECT_EQ(welcome144[6].rect.left, 537);
}

TEST(Layout, ButtonRowFollowsTheRealClientRatherThanTheDesignSize) {
    // The client height comes from GetClientRect: a window the system made
    // shorter moves the row with its bottom edge.
    auto done = layout::layoutScreen({Screen::Done, true, true, false, 96, 700, 400});
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].rect, (Rect{544, 340, 670, 374}));
}

TEST(Layout, LabelsNameTheActionOfEachScreen) {
    auto install = layout::layoutScreen({Screen::Welcome, false, false, false, 96, 620, 430});
    std::vector<std::wstring> labels;
    for (const auto& e : install) labels.push_back(e.label);
    EXPECT_EQ(labels, (std::vector<std::wstring>{L"Change\u2026", L"Create a desktop shortcut",
                                                 L"Add it to the Start menu",
                                                 L"Offer \u201COpen with Tessark Studio\u201D in Explorer",
                                                 L"Launch when the install finishes", L"Get the WebView2 runtime",
                                                 L"Install", L"Cancel"}));
    auto update = layout::layoutScreen({Screen::Welcome, false, true, true, 96, 620, 430});
    EXPECT_EQ(std::wstring(update[5].label), L"Update");
    auto uninstall = layout::layoutScreen({Screen::Welcome, true, true, false, 96, 620, 430});
    EXPECT_EQ(std::wstring(uninstall[0].label), L"Also delete settings and cached data");
    EXPECT_EQ(std::wstring(uninstall[1].label), L"Remove");
    auto done = layout::layoutScreen({Screen::Done, false, true, false, 96, 620, 430});
    EXPECT_EQ(std::wstring(done[0].label), L"Open Tessark Studio");
    EXPECT_EQ(std::wstring(done[1].label), L"Close");
}

}  // namespace
