// Closing a running application: the one close request, the 200 ms polls,
// the ten-second limit, the wait for its processes, and what the window
// install and uninstall tell the user. The window is stood in for by windows
// of its class on threads of this process, the processes by copies of the
// stand-in application TessarkStudio.exe; message boxes are answered by a
// driver thread.
#include "platform/running_app.h"
#include "support/dialog_driver.h"
#include "support/fake_app_window.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

using ts::DialogAnswer;
using ts::DialogDriver;
using ts::FakeAppWindow;

constexpr wchar_t kCaption[] = L"Tessark Studio";
constexpr wchar_t kAppWindowClass[] = L"TessarkStudioHostWindow";
constexpr DWORD kStartMs = 30000;

// An install folder without a TessarkStudio.exe: only windows count there.
constexpr wchar_t kNoApp[] = L"C:\\nothing installed here";

// Milliseconds that `action` took.
template <typename Action>
ULONGLONG timed(Action action) {
    const ULONGLONG start = GetTickCount64();
    action();
    return GetTickCount64() - start;
}

TEST(CloseRunningApp, WithoutARunningCopyReturnsTrueAtOnce) {
    bool closed = false;
    const ULONGLONG elapsed = timed([&] { closed = closeRunningApp(kNoApp); });
    EXPECT_TRUE(closed);
    EXPECT_LT(elapsed, 100u) << "no request, no wait, no sleep";
}

TEST(CloseRunningApp, AppThatClosesAtOnceIsAskedOnceAndGoneWithinAPoll) {
    FakeAppWindow app(FakeAppWindow::OnClose::CloseAtOnce);
    ASSERT_TRUE(isAppRunning());
    bool closed = false;
    const ULONGLONG elapsed = timed([&] { closed = closeRunningApp(kNoApp); });
    EXPECT_TRUE(closed);
    EXPECT_EQ(app.closeRequests(), 1);
    EXPECT_FALSE(isAppRunning());
    EXPECT_LT(elapsed, 1000u);
}

TEST(CloseRunningApp, AppThatTakesASecondIsWaitedForAndAskedOnlyOnce) {
    FakeAppWindow app(FakeAppWindow::OnClose::CloseLater, 1000);
    bool closed = false;
    const ULONGLONG elapsed = timed([&] { closed = closeRunningApp(kNoApp); });
    EXPECT_TRUE(closed);
    EXPECT_EQ(app.closeRequests(), 1) << "the request is posted once, however often the window is polled";
    EXPECT_GE(elapsed, 1000u);
    EXPECT_LT(elapsed, 2500u) << "the window is polled every 200 ms";
}

TEST(CloseRunningApp, GivesUpAfterTenSecondsAndAsksOnlyTheFirstWindowFound) {
    FakeAppWindow first(FakeAppWindow::OnClose::Ignore);
    FakeAppWindow second(FakeAppWindow::OnClose::Ignore);
    bool closed = true;
    const ULONGLONG elapsed = timed([&] { closed = closeRunningApp(kNoApp); });
    EXPECT_FALSE(closed);
    EXPECT_EQ(first.closeRequests() + second.closeRequests(), 1);
    EXPECT_GE(elapsed, 9800u);
    EXPECT_LT(elapsed, 12000u);
}

TEST(ConfirmCloseRunningApp, WithoutARunningCopyAsksNothing) {
    DialogDriver driver(kCaption);
    EXPECT_TRUE(confirmCloseRunningApp(nullptr, kNoApp));
    EXPECT_TRUE(driver.finish().empty());
}

TEST(ConfirmCloseRunningApp, AnsweringNoLeavesTheAppAloneAndStopsTheInstall) {
    FakeAppWindow app(FakeAppWindow::OnClose::CloseAtOnce);
    DialogDriver driver(kCaption, {DialogAnswer::button(IDNO)});
    EXPECT_FALSE(confirmCloseRunningApp(nullptr, kNoApp));
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
    EXPECT_TRUE(confirmCloseRunningApp(nullptr, kNoApp));
    EXPECT_EQ(driver.finish().size(), 1u) << "one question, no warning";
    EXPECT_EQ(app.closeRequests(), 1);
    EXPECT_FALSE(isAppRunning());
}

TEST(ConfirmCloseRunningApp, AppThatStaysOpenIsReportedAfterTheWait) {
    FakeAppWindow app(FakeAppWindow::OnClose::Ignore);
    DialogDriver driver(kCaption, {DialogAnswer::button(IDYES), DialogAnswer::button(IDOK)});
    EXPECT_FALSE(confirmCloseRunningApp(nullptr, kNoApp));
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
    EXPECT_TRUE(closeRunningAppOrWarn(nullptr, kNoApp));
    EXPECT_TRUE(driver.finish().empty());
    EXPECT_EQ(app.closeRequests(), 1);
}

TEST(CloseRunningAppOrWarn, AppThatStaysOpenIsReportedAfterTheWait) {
    FakeAppWindow app(FakeAppWindow::OnClose::Ignore);
    DialogDriver driver(kCaption, {DialogAnswer::button(IDOK)});
    EXPECT_FALSE(closeRunningAppOrWarn(nullptr, kNoApp));
    const auto seen = driver.finish();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, L"Close Tessark Studio and try again.");
    EXPECT_EQ(seen[0].icon, LoadIconW(nullptr, IDI_WARNING));
}

// ---- processes: the stand-in application, which outlives its window when
// linger.flag lies beside it ----

// Every window of the application's class asked to close, then gone.
bool closeAppWindowsAndWait() {
    return ts::waitUntil([] {
        const HWND window = FindWindowW(kAppWindowClass, nullptr);
        if (window) PostMessageW(window, WM_CLOSE, 0, 0);
        return window == nullptr;
    }, kStartMs);
}

bool hasEnded(ts::Child& process) { return process.wait(0).has_value(); }

class AppProcesses : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CopyFileW(ts::binPath(L"TessarkStudio.exe").c_str(), appExe.c_str(), FALSE));
        ASSERT_TRUE(ts::writeFile(installDir / L"linger.flag", ""));
    }

    // Started from `exe`, once its window shows (a run with arguments shows none).
    static std::unique_ptr<ts::Child> start(const std::wstring& exe, const std::wstring& arguments = L"") {
        auto child = std::make_unique<ts::Child>(L"\"" + exe + L"\" " + arguments);
        EXPECT_TRUE(child->started());
        if (arguments.empty()) {
            EXPECT_NE(ts::waitForWindow(kAppWindowClass, nullptr, kStartMs), nullptr);
        }
        return child;
    }

    ts::TempDir installDir;
    std::wstring appExe = installDir / L"TessarkStudio.exe";
};

TEST_F(AppProcesses, CloseRunningAppWaitsForTheProcessThatOutlivesItsWindow) {
    const auto app = start(appExe);
    EXPECT_TRUE(closeRunningApp(installDir.path()));
    EXPECT_TRUE(hasEnded(*app)) << "returned while the process still ran";
}

// The same file started through a hard link of another name in another
// folder is waited for; a copy of it elsewhere, which runs windowless for 30 s
// (its Explorer-entries step with slow-register.flag), is another file and is not.
TEST_F(AppProcesses, ProcessesAreMatchedByTheFileTheyRunNotByItsPath) {
    ts::TempDir elsewhere;
    const std::wstring link = elsewhere / L"Studio Link.exe";
    ASSERT_TRUE(CreateHardLinkW(link.c_str(), appExe.c_str(), nullptr)) << GetLastError();
    ASSERT_TRUE(ts::writeFile(elsewhere / L"linger.flag", ""));
    ts::TempDir copyDir;
    const std::wstring copy = copyDir / L"TessarkStudio.exe";
    ASSERT_TRUE(CopyFileW(appExe.c_str(), copy.c_str(), FALSE));
    ASSERT_TRUE(ts::writeFile(copyDir / L"slow-register.flag", ""));

    const auto other = start(copy, L"--register-shell --quiet");
    const auto linked = start(link);
    ASSERT_TRUE(closeAppWindowsAndWait());
    ASSERT_FALSE(hasEnded(*linked)) << "the linked copy lingers without its window";

    EXPECT_TRUE(closeRunningApp(installDir.path()));
    EXPECT_TRUE(hasEnded(*linked));
    EXPECT_FALSE(hasEnded(*other)) << "the copy elsewhere was not waited for";
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\Directory\\shell\\TessarkStudio");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Classes\\Directory\\Background\\shell\\TessarkStudio");
}

// Both window roads wait for a process whose window is already gone, without
// a question or a warning.
TEST_F(AppProcesses, BothWindowRoadsWaitSilentlyForAProcessWithoutAWindow) {
    using Helper = std::function<bool(HWND, const std::wstring&)>;
    const Helper helpers[] = {confirmCloseRunningApp, closeRunningAppOrWarn};
    for (const Helper& helper : helpers) {
        const auto app = start(appExe);
        ASSERT_TRUE(closeAppWindowsAndWait());
        ASSERT_FALSE(hasEnded(*app));
        DialogDriver driver(kCaption);
        EXPECT_TRUE(helper(nullptr, installDir.path()));
        EXPECT_TRUE(driver.finish().empty());
        EXPECT_TRUE(hasEnded(*app));
    }
}

}  // namespace
