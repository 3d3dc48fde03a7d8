// The main button's questions, answered through the real message boxes: a
// folder that already holds other files, and a running copy of the
// application. A refusal leaves the window on Welcome with nothing started.
#include "window_fixture.h"

#include "support/dialog_driver.h"
#include "support/fake_app_window.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace {

using ts::DialogAnswer;
using ts::DialogDriver;

constexpr wchar_t kCaption[] = L"Tessark Studio";

class MainButtonQuestions : public testing::Test {
protected:
    void TearDown() override { uitest::resetState(); }
};

bool leftWorking() {
    return uitest::pumpUntil([] { return setupState().screen != Screen::Working; });
}

TEST_F(MainButtonQuestions, ForeignFilesQuestionNoStaysOnWelcomeYesStartsTheInstall) {
    ts::TempDir folder;
    ASSERT_TRUE(ts::writeFile(folder / L"somebody-else.txt", "x"));
    uitest::openWindow([&](SetupState& state) { state.options.installDir = folder.path(); });
    {
        DialogDriver driver(kCaption, {DialogAnswer::button(IDNO)});
        uitest::clickOn(ID_MAIN);
        const auto seen = driver.finish();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].text, L"This folder already contains other files:\n\n" + folder.path() +
                                    L"\n\nTessark Studio will be written into it alongside them. Continue?");
        EXPECT_EQ(seen[0].defaultButton(), IDNO);
    }
    EXPECT_EQ(setupState().screen, Screen::Welcome);
    EXPECT_FALSE(setupState().worker.joinable());
    {
        DialogDriver driver(kCaption, {DialogAnswer::button(IDYES)});
        uitest::clickOn(ID_MAIN);
        EXPECT_EQ(driver.finish().size(), 1u);
    }
    EXPECT_TRUE(leftWorking());
    // The test program has no payload: the install itself fails, after the question.
    EXPECT_EQ(setupState().screen, Screen::Failed);
}

TEST_F(MainButtonQuestions, RunningAppIsClosedOnlyWhenTheUserSaysYes) {
    ts::TempDir folder;
    ts::FakeAppWindow app(ts::FakeAppWindow::OnClose::CloseAtOnce);
    uitest::openWindow([&](SetupState& state) { state.options.installDir = folder / L"Tessark Studio"; });
    {
        DialogDriver driver(kCaption, {DialogAnswer::button(IDNO)});
        uitest::key(VK_RETURN);
        const auto seen = driver.finish();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].text,
                  L"Tessark Studio is open. It has to close before its files can be replaced.\n\nClose it now?");
    }
    EXPECT_EQ(setupState().screen, Screen::Welcome);
    EXPECT_TRUE(app.isOpen());
    EXPECT_EQ(app.closeRequests(), 0);
    {
        DialogDriver driver(kCaption, {DialogAnswer::button(IDYES)});
        uitest::key(VK_RETURN);
        EXPECT_EQ(driver.finish().size(), 1u);
    }
    EXPECT_EQ(app.closeRequests(), 1);
    EXPECT_FALSE(app.isOpen());
    EXPECT_TRUE(leftWorking());
}

TEST_F(MainButtonQuestions, UninstallClosesTheRunningAppWithoutAsking) {
    ts::TempDir folder;
    ts::FakeAppWindow app(ts::FakeAppWindow::OnClose::CloseAtOnce);
    uitest::openWindow([&](SetupState& state) {
        state.uninstallMode = true;
        state.uninstallOptions.installDir = folder.path();
    });
    DialogDriver driver(kCaption);
    uitest::clickOn(ID_MAIN);
    EXPECT_TRUE(leftWorking());
    EXPECT_TRUE(driver.finish().empty());
    EXPECT_EQ(app.closeRequests(), 1);
    EXPECT_FALSE(app.isOpen());
}

TEST_F(MainButtonQuestions, UninstallWarnsAndStaysWhenTheAppWillNotClose) {
    ts::TempDir folder;
    ts::FakeAppWindow app(ts::FakeAppWindow::OnClose::Ignore);
    uitest::openWindow([&](SetupState& state) {
        state.uninstallMode = true;
        state.uninstallOptions.installDir = folder.path();
    });
    DialogDriver driver(kCaption);
    uitest::clickOn(ID_MAIN);  // waits the full ten seconds
    const auto seen = driver.finish();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, L"Close Tessark Studio and try again.");
    EXPECT_EQ(setupState().screen, Screen::Welcome);
}

}  // namespace
