// Closing a running application: the one close request, the 200 ms polls,
// the ten-second limit, and what the window install and uninstall tell the
// user. The application is stood in for by windows of its class on threads of
// this process; message boxes are answered by a driver thread.
#include "platform/running_app.h"
#include "support/dialog_driver.h"
#include "support/fake_app_window.h"

#include <gtest/gtest.h>

namespace {

using ts::DialogAnswer;
using ts::DialogDriver;
using ts::FakeAppWindow;

constexpr wchar_t kCaption[] = L"Tessark Studio";

// Milliseconds that `action` took.
template <typename Action>
ULONGLONG timed(Action action) {
    const ULONGLONG start = GetTickCount64();
    action();
    return GetTickCount64() - start;
}

TEST(CloseRunningApp, WithoutARunningCopyReturnsTrueAtOnce) {
    bool closed = false;
    const ULONGLONG elapsed = timed([&] { closed = closeRunningApp(); });
    EXPECT_TRUE(closed);
    EXPECT_LT(elapsed, 100u) << "no request, no wait, no sleep";
}

TEST(CloseRunningApp, AppThatClosesAtOnceIsAskedOnceAndGoneWithinAPoll) {
    FakeAppWindow app(FakeAppWindow::OnClose::CloseAtOnce);
    ASSERT_TRUE(isAppRunning());
    bool closed = false;
    const ULONGLONG elapsed = timed([&] { closed = closeRunningApp(); });
    EXPECT_TRUE(closed);
    EXPECT_EQ(app.closeRequests(), 1);
    EXPECT_FALSE(isAppRunning());
    EXPECT_LT(elapsed, 1000u);
}

TEST(CloseRunningApp, AppThatTakesASecondIsWaitedForAndAskedOnlyOnce) {
    FakeAppWindow app(FakeAppWindow::OnClose::CloseLater, 1000);
    bool closed = false;
    const ULONGLONG elapsed = timed([&] { closed = closeRunningApp(); });
    EXPECT_TRUE(closed);
    EXPECT_EQ(app.closeRequests(), 1) << "the request is posted once, however often the window is polled";
    EXPECT_GE(elapsed, 1000u);
    EXPECT_LT(elapsed, 2500u) << "the window is polled every 200 ms";
}

TEST(CloseRunningApp, GivesUpAfterTenSecondsAndAsksOnlyTheFirstWindowFound) {
    FakeAppWindow first(FakeAppWindow::OnClose::Ignore);
    FakeAppWindow second(FakeAppWindow::OnClose::Ignore);
    bool closed = true;
    const ULONGLONG elapsed = timed([&] { closed = closeRunningApp(); });
    EXPECT_FALSE(closed);
    EXPECT_EQ(first.closeRequests() + second.closeRequests(), 1);
    EXPECT_GE(elapsed, 9800u);
    EXPECT_LT(elapsed, 12000u);
}

TEST(ConfirmCloseRunningApp, WithoutARunningCopyAsksNothing) {
    DialogDriver driver(kCaption);
    EXPECT_TRUE(confirmCloseRunningApp(nullptr));
    EXPECT_TRUE(driver.finish().empty());
}

TEST(ConfirmCloseRunningApp, AnsweringNoLeavesTheAppAloneAndStopsTheInstall) {
    FakeAppWindow app(FakeAppWindow::OnClose::CloseAtOnce);
    DialogDriver driver(kCaption, {DialogAnswer::button(IDNO)});
    EXPECT_FALSE(confirmCloseRunningApp(nullptr));
    const auto seen = driver.finish();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text,
              L"Tessark Studio is open. It has to close before its files can be replaced.\n\nClose it now?");
    EXPECT_EQ(seen[0].buttonIds(), (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(seen[0].defaultButton(), IDYES);
    EXPECT_EQ(seen[0].icon, LoadIconW(nullptr, IDI_QUESTION));
    EXPECT_EQ(app.closeRequests(), 0);
    EXPECT_TRUE(app.isOpen());
}

TEST(ConfirmCloseRunningApp, AnsweringYesClosesTheAppAndLetsTheInstallGoOn) {
    FakeAppWindow app(FakeAppWindow::OnClose::CloseAtOnce);
    DialogDriver driver(kCaption, {DialogAnswer::button(IDYES)});
    EXPECT_TRUE(confirmCloseRunningApp(nullptr));
    EXPECT_EQ(driver.finish().size(), 1u) << "one question, no warning";
    EXPECT_EQ(app.closeRequests(), 1);
    EXPECT_FALSE(isAppRunning());
}

TEST(ConfirmCloseRunningApp, AppThatStaysOpenIsReportedAfterTheWait) {
    FakeAppWindow app(FakeAppWindow::OnClose::Ignore);
    DialogDriver driver(kCaption, {DialogAnswer::button(IDYES), DialogAnswer::button(IDOK)});
    EXPECT_FALSE(confirmCloseRunningApp(nullptr));
    const auto seen = driver.finish();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].text, L"Tessark Studio is still running. Close it and try again.");
    EXPECT_EQ(seen[1].buttonIds(), (std::vector<int>{IDOK}));
    EXPECT_EQ(seen[1].icon, LoadIconW(nullptr, IDI_WARNING));
    EXPECT_EQ(app.closeRequests(), 1);
}

TEST(CloseRunningAppOrWarn, ClosesTheAppWithoutAsking) {
    FakeAppWindow app(FakeAppWindow::OnClose::CloseAtOnce);
    DialogDriver driver(kCaption);
    EXPECT_TRUE(closeRunningAppOrWarn(nullptr));
    EXPECT_TRUE(driver.finish().empty());
    EXPECT_EQ(app.closeRequests(), 1);
}

TEST(CloseRunningAppOrWarn, AppThatStaysOpenIsReportedAfterTheWait) {
    FakeAppWindow app(FakeAppWindow::OnClose::Ignore);
    DialogDriver driver(kCaption, {DialogAnswer::button(IDOK)});
    EXPECT_FALSE(closeRunningAppOrWarn(nullptr));
    const auto seen = driver.finish();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, L"Close Tessark Studio and try again.");
    EXPECT_EQ(seen[0].icon, LoadIconW(nullptr, IDI_WARNING));
}

}  // namespace
