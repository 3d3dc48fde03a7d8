// The window's dialogs, answered for real: the main button's message boxes
// (a folder that already holds other files, a running copy of the
// application; a refusal leaves the window on Welcome with nothing started)
// and the folder picker behind "Change…".
#include "window_fixture.h"

#include "support/dialog_driver.h"
#include "support/fake_app_window.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using ts::DialogAnswer;
using ts::DialogDriver;

constexpr wchar_t kCaption[] = L"Tessark Studio";
// The name box of the common file dialogs (edt1), where the picker takes a typed folder.
constexpr int kFileNameBox = 0x480;

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

// "Change…" through the window, the picker answered as a user would: the
// folder is taken, and whether it reads "Install" or "Update" is asked again
// of the folder picked, whatever the start-up said.
class ChangeFolder : public MainButtonQuestions {
protected:
    win::ComApartment apartment_;  // the picker is a COM object
};

TEST_F(ChangeFolder, TakesThePickedFolderAndItsOwnWording) {
    struct Case {
        const char* name;
        bool startedAsUpdate;
        bool pickedHoldsAnInstall;
        const wchar_t* mainButton;
    };
    const Case cases[] = {{"an empty folder after an update", true, false, L"Install"},
                          {"a folder with an install", false, true, L"Update"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ts::TempDir temp;
        const std::wstring picked = temp / L"Tessark Studio";  // already named so: taken as it is
        ASSERT_TRUE(CreateDirectoryW(picked.c_str(), nullptr));
        if (c.pickedHoldsAnInstall) {
            ASSERT_TRUE(ts::writeFile(picked + L"\\install-manifest.txt", "x"));
        }
        uitest::openWindow([&](SetupState& state) {
            state.options.installDir = L"C:\\Before";
            state.existingInstall = c.startedAsUpdate;
        });
        std::thread picker([&] {
            const HWND dialog = ts::waitForDialog(L"Choose where to install Tessark Studio", 15000);
            if (!dialog) return;
            SendMessageW(GetDlgItem(dialog, kFileNameBox), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(picked.c_str()));
            ts::answerDialog(dialog, DialogAnswer::button(IDOK));
        });
        uitest::clickOn(ID_CHANGE_FOLDER);
        picker.join();
        EXPECT_EQ(setupState().options.installDir, picked);
        EXPECT_EQ(setupState().existingInstall, c.pickedHoldsAnInstall);
        ASSERT_NE(uitest::element(ID_MAIN), nullptr);
        EXPECT_EQ(uitest::element(ID_MAIN)->label, c.mainButton);
        EXPECT_EQ(setupState().screen, Screen::Welcome);
    }
}

}  // namespace
