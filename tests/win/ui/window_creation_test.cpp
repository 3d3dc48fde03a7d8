// The window as createSetupWindow makes it: its class and title, a client of
// exactly the design scaled to the DPI, centred on the work area, fonts made
// from points at the DPI, and elements laid out from the real client. Other
// DPIs are checked in a second run of this program in which Wine's LogPixels
// has been changed first (the system DPI is read once, at process start).
#include "window_fixture.h"

#include "common/core/product.h"
#include "support/test_support.h"
#include "ui/core/layout.h"
#include "ui/setup_window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

constexpr wchar_t kExpectedDpiVariable[] = L"TS_UI_EXPECTED_DPI";

int expectedDpi() {
    wchar_t value[16] = {};
    if (GetEnvironmentVariableW(kExpectedDpiVariable, value, 16) == 0) return 96;
    return _wtoi(value);
}

int fontHeightOf(HFONT font) {
    LOGFONTW info{};
    GetObjectW(font, sizeof info, &info);
    return info.lfHeight;
}

class WindowCreation : public testing::Test {
protected:
    void TearDown() override { uitest::resetState(); }
};

TEST_F(WindowCreation, ClientIsTheDesignScaledToTheDpiAndCentredOnTheWorkArea) {
    const int dpi = expectedDpi();
    HWND window = uitest::openWindow([](SetupState& state) { state.options.installDir = L"C:\\Apps"; });
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(setupState().window, window);
    EXPECT_EQ(setupState().dpi, dpi);

    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    EXPECT_STREQ(className, L"TessarkStudioSetupWindow");
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    EXPECT_STREQ(title, L"Install Tessark Studio");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)) & 0x00CF0000u, 0x00CA0000u);
    EXPECT_TRUE(IsWindowVisible(window));

    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, layout::scaleLength(620, dpi));
    EXPECT_EQ(client.bottom, layout::scaleLength(430, dpi));

    RECT outer{};
    GetWindowRect(window, &outer);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    EXPECT_EQ(outer.left, work.left + (work.right - work.left - (outer.right - outer.left)) / 2);
    EXPECT_EQ(outer.top, work.top + (work.bottom - work.top - (outer.bottom - outer.top)) / 2);
}

TEST_F(WindowCreation, FontsAndHeaderIconFollowTheDpi) {
    const int dpi = expectedDpi();
    uitest::openWindow([](SetupState&) {});
    const SetupState& state = setupState();
    EXPECT_EQ(fontHeightOf(state.titleFont.get()), layout::fontHeight(19, dpi));
    EXPECT_EQ(fontHeightOf(state.bodyFont.get()), layout::fontHeight(10, dpi));
    EXPECT_EQ(fontHeightOf(state.smallFont.get()), layout::fontHeight(9, dpi));
    EXPECT_EQ(fontHeightOf(state.buttonFont.get()), layout::fontHeight(10, dpi));
    if (dpi == 96) {
        EXPECT_EQ(fontHeightOf(state.titleFont.get()), -25);
    }
    if (dpi == 144) {
        EXPECT_EQ(fontHeightOf(state.titleFont.get()), -38);
        EXPECT_EQ(fontHeightOf(state.bodyFont.get()), -20);
        EXPECT_EQ(fontHeightOf(state.smallFont.get()), -18);
    }
    ASSERT_NE(state.headerIcon.get(), nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(state.headerIcon.get(), &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, layout::scaleLength(56, dpi));
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
}

TEST_F(WindowCreation, ElementsPointAtTheOptionsTheyShow) {
    const int dpi = expectedDpi();
    uitest::openWindow([](SetupState& state) { state.webView2Present = false; });
    SetupState& state = setupState();
    const auto expected =
        layout::layoutScreen({Screen::Welcome, false, false, false, dpi, layout::scaleLength(620, dpi),
                              layout::scaleLength(430, dpi)});
    ASSERT_EQ(state.elements.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(state.elements[i].id, expected[i].id);
        EXPECT_EQ(state.elements[i].rect.left, expected[i].rect.left);
        EXPECT_EQ(state.elements[i].rect.bottom, expected[i].rect.bottom);
        EXPECT_EQ(state.elements[i].label, expected[i].label);
    }
    EXPECT_EQ(state.elements[1].value, &state.options.desktopShortcut);
    EXPECT_EQ(state.elements[2].value, &state.options.startMenuShortcut);
    EXPECT_EQ(state.elements[3].value, &state.options.explorerEntries);
    EXPECT_EQ(state.elements[4].value, &state.options.launchAfter);
    EXPECT_EQ(state.elements[0].value, nullptr);

    uitest::openWindow([](SetupState& s) { s.uninstallMode = true; });
    wchar_t title[64] = {};
    GetWindowTextW(setupState().window, title, 64);
    EXPECT_STREQ(title, L"Uninstall Tessark Studio");
    ASSERT_EQ(setupState().elements.size(), 3u);
    EXPECT_EQ(setupState().elements[0].value, &setupState().uninstallOptions.purgeSettings);
}

TEST_F(WindowCreation, DpiChangeRemakesFontsTakesTheSuggestedRectangleAndRelayouts) {
    if (expectedDpi() != 96) GTEST_SKIP() << "run once, at 96 DPI";
    HWND window = uitest::openWindow([](SetupState&) {});
    RECT suggested{10, 20, 10 + 950, 20 + 700};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    const SetupState& state = setupState();
    EXPECT_EQ(state.dpi, 144);
    EXPECT_EQ(fontHeightOf(state.bodyFont.get()), -20);
    RECT outer{};
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.left, 10);
    EXPECT_EQ(outer.right - outer.left, 950);
    RECT client{};
    GetClientRect(window, &client);
    // The main button ends at the real client's right margin, at the new scale.
    const UiElement* main = uitest::element(ID_MAIN);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->rect.right, client.right - 45);
    EXPECT_EQ(main->rect.bottom - main->rect.top, 51);
}

// Runs this program again with Wine's LogPixels set, limited to the tests above.
class OtherDpi : public testing::TestWithParam<int> {};

TEST_P(OtherDpi, WindowTestsPassAtTheSystemDpi) {
    if (expectedDpi() != 96) GTEST_SKIP() << "already the child run";
    const int dpi = GetParam();
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr), ERROR_SUCCESS);
    const win::UniqueKey owner(key);
    const DWORD value = static_cast<DWORD>(dpi);
    ASSERT_EQ(RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
              ERROR_SUCCESS);
    SetEnvironmentVariableW(kExpectedDpiVariable, std::to_wstring(dpi).c_str());
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const ts::ProcessResult child =
        ts::run(L"\"" + std::wstring(self) + L"\" --gtest_filter=WindowCreation.*", 120000);
    SetEnvironmentVariableW(kExpectedDpiVariable, nullptr);
    const DWORD standard = 96;
    RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&standard), sizeof standard);
    EXPECT_EQ(child.exitCode, 0u) << child.output;
    EXPECT_NE(child.output.find("[  PASSED  ]"), std::string::npos) << child.output;
}

INSTANTIATE_TEST_SUITE_P(LogPixels, OtherDpi, testing::Values(120, 144));

}  // namespace
