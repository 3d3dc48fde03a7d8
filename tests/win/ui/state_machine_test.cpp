// The screens of the setup window driven through real messages to a real
// window: what a click, a key or a close request does on each screen, how the
// worker's reports move the window on, and the roads that start the
// application.
#include "screen_reader.h"
#include "window_fixture.h"

#include "install/core/manifest.h"
#include "support/test_support.h"
#include "ui/setup_window.h"
#include "ui/worker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using uitest::clickOn;
using uitest::element;
using uitest::pumpUntil;

void installMode(SetupState& state) {
    state.options.installDir = L"C:\\Tessark Studio test";
}

void uninstallMode(SetupState& state) {
    state.uninstallMode = true;
    state.uninstallOptions.installDir = L"C:\\Tessark Studio test";
}

// A window already on a later screen, as the worker's reports leave it.
void showScreen(Screen screen) {
    setupState().screen = screen;
    layoutElements();
}

bool failToLaunch(std::unique_ptr<WorkerTask>, std::thread&) {
    return false;
}

class SetupWindow : public testing::Test {
protected:
    void TearDown() override { uitest::resetState(); }
};

TEST_F(SetupWindow, ClickCountsOnlyWhenPressAndReleaseHitTheSameElement) {
    uitest::openWindow(installMode);
    uitest::pressAndRelease(uitest::centreOf(ID_MAIN), uitest::centreOf(ID_CANCEL));
    uitest::pressAndRelease({5, 300}, uitest::centreOf(ID_CANCEL));
    uitest::pressAndRelease(uitest::centreOf(ID_CANCEL), {5, 300});
    EXPECT_FALSE(uitest::windowGone());
    EXPECT_EQ(setupState().screen, Screen::Welcome);
    EXPECT_EQ(setupState().pressedId, 0);
    clickOn(ID_CANCEL);
    EXPECT_TRUE(uitest::windowGone());
}

TEST_F(SetupWindow, CheckboxTogglesAnywhereInItsRowAndTwiceOnADoubleClick) {
    uitest::openWindow(installMode);
    SetupState& state = setupState();
    clickOn(ID_DESKTOP);
    EXPECT_FALSE(state.options.desktopShortcut);
    // On the label, far right of the box.
    const RECT row = element(ID_START_MENU)->rect;
    const POINT onLabel{row.right - 2, row.bottom - 2};
    uitest::pressAndRelease(onLabel, onLabel);
    EXPECT_FALSE(state.options.startMenuShortcut);
    // Without CS_DBLCLKS a double click is two clicks.
    clickOn(ID_EXPLORER);
    clickOn(ID_EXPLORER);
    EXPECT_TRUE(state.options.explorerEntries);
    // The launch box carries the id of "Open Tessark Studio" and only toggles.
    clickOn(ID_OPEN_APP);
    EXPECT_FALSE(state.options.launchAfter);
    EXPECT_FALSE(uitest::windowGone());
    EXPECT_EQ(state.screen, Screen::Welcome);
}

TEST_F(SetupWindow, PurgeCheckboxTogglesTheUninstallOption) {
    uitest::openWindow(uninstallMode);
    clickOn(ID_PURGE);
    EXPECT_TRUE(setupState().uninstallOptions.purgeSettings);
    clickOn(ID_PURGE);
    EXPECT_FALSE(setupState().uninstallOptions.purgeSettings);
}

struct KeyCase {
    const char* name;
    Screen screen;
    bool uninstall;
    enum Input { Escape, Enter, Close } input;
    bool closes;
};

TEST_F(SetupWindow, EscapeEnterAndCloseRequestOnEachScreen) {
    const KeyCase cases[] = {
        {"welcome escape", Screen::Welcome, false, KeyCase::Escape, true},
        {"welcome close", Screen::Welcome, true, KeyCase::Close, true},
        {"working escape", Screen::Working, false, KeyCase::Escape, false},
        {"working enter", Screen::Working, false, KeyCase::Enter, false},
        {"working close", Screen::Working, true, KeyCase::Close, false},
        {"done escape", Screen::Done, false, KeyCase::Escape, true},
        {"done close", Screen::Done, true, KeyCase::Close, true},
        {"uninstall done enter", Screen::Done, true, KeyCase::Enter, true},
        {"failed escape", Screen::Failed, false, KeyCase::Escape, true},
        {"failed enter", Screen::Failed, true, KeyCase::Enter, true},
        {"failed close", Screen::Failed, false, KeyCase::Close, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        uitest::openWindow(c.uninstall ? uninstallMode : installMode);
        setupState().options.launchAfter = false;
        showScreen(c.screen);
        if (c.input == KeyCase::Escape) uitest::key(VK_ESCAPE);
        if (c.input == KeyCase::Enter) uitest::key(VK_RETURN);
        if (c.input == KeyCase::Close) uitest::closeRequest();
        EXPECT_EQ(uitest::windowGone(), c.closes);
        EXPECT_EQ(setupState().screen, c.screen);
    }
}

// Keys as the keyboard sends them (SendInput): posted messages would not set
// the Shift state that Shift+Tab reads.
TEST_F(SetupWindow, TabAndShiftTabFollowReadingOrderAndSpaceActsOnItsRelease) {
    uitest::openWindow([](SetupState& s) {
        installMode(s);
        s.webView2Present = false;
    });
    SetupState& state = setupState();
    const HWND window = state.window;
    const auto focusReaches = [&](int id) { return pumpUntil([&] { return state.focusId == id; }); };
    uitest::typeKey(window, VK_TAB);
    EXPECT_TRUE(focusReaches(ID_CHANGE_FOLDER));
    uitest::typeKey(window, VK_TAB);
    EXPECT_TRUE(focusReaches(ID_DESKTOP));
    uitest::keyDown(window, VK_SPACE);
    EXPECT_TRUE(pumpUntil([&] { return state.keyPressedId == ID_DESKTOP; }));
    EXPECT_TRUE(state.options.desktopShortcut) << "nothing happens before Space is released";
    uitest::keyUp(window, VK_SPACE);
    EXPECT_TRUE(pumpUntil([&] { return !state.options.desktopShortcut; }));
    uitest::typeKey(window, VK_TAB, true);
    EXPECT_TRUE(focusReaches(ID_CHANGE_FOLDER));
    uitest::typeKey(window, VK_TAB, true);
    EXPECT_TRUE(focusReaches(ID_MAIN)) << "Shift+Tab wraps round to the last in reading order";
    uitest::typeKey(window, VK_TAB, true);
    EXPECT_TRUE(focusReaches(ID_CANCEL));
    // Focus cues the system hides (after mouse use) come back with the next Tab.
    SendMessageW(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    EXPECT_TRUE(state.focusHidden);
    uitest::typeKey(window, VK_TAB, true);
    EXPECT_TRUE(focusReaches(ID_WEBVIEW2_LINK));
    EXPECT_FALSE(state.focusHidden);
    // A click anywhere clears the focus, even on empty space.
    uitest::pressAndRelease({5, 300}, {5, 300});
    EXPECT_EQ(state.focusId, 0);
    EXPECT_EQ(state.screen, Screen::Welcome);
}

TEST_F(SetupWindow, EnterPressesTheFocusedButtonOrElseThePrimaryOne) {
    {
        SCOPED_TRACE("Cancel focused");
        uitest::openWindow(installMode);
        const HWND window = setupState().window;
        uitest::typeKey(window, VK_TAB, true);
        uitest::typeKey(window, VK_TAB, true);
        ASSERT_TRUE(pumpUntil([] { return setupState().focusId == ID_CANCEL; }));
        uitest::typeKey(window, VK_RETURN);
        EXPECT_TRUE(pumpUntil(uitest::windowGone));
        EXPECT_EQ(setupState().screen, Screen::Welcome);
    }
    {
        SCOPED_TRACE("a checkbox focused: the main action, with its checks");
        ts::TempDir folder;
        uitest::openWindow([&](SetupState& state) { state.options.installDir = folder / L"Tessark Studio"; });
        const HWND window = setupState().window;
        uitest::typeKey(window, VK_TAB);
        uitest::typeKey(window, VK_TAB);
        ASSERT_TRUE(pumpUntil([] { return setupState().focusId == ID_DESKTOP; }));
        uitest::typeKey(window, VK_RETURN);
        EXPECT_TRUE(pumpUntil([] { return setupState().screen == Screen::Failed; })) << "the test has no payload";
        EXPECT_TRUE(setupState().options.desktopShortcut);
    }
}

// The mouse rests where the screen changes under it: on Cancel, which Failed
// does not have, and on the main button, where Failed has Close.
TEST_F(SetupWindow, ANewScreenClearsTheFocusAndTakesTheHoverFromTheRestingMouse) {
    struct Case { int restOn; int hoverAfter; };
    for (const Case c : {Case{ID_CANCEL, 0}, Case{ID_MAIN, ID_CLOSE}}) {
        SCOPED_TRACE(c.restOn);
        uitest::openWindow(installMode);
        SetupState& state = setupState();
        uitest::typeKey(state.window, VK_TAB);
        ASSERT_TRUE(pumpUntil([&] { return state.focusId == ID_CHANGE_FOLDER; }));
        POINT rest = uitest::centreOf(c.restOn);
        ClientToScreen(state.window, &rest);
        SetCursorPos(rest.x, rest.y);
        ASSERT_TRUE(pumpUntil([&] { return state.hoverId == c.restOn; }));
        startWorker(failToLaunch);
        EXPECT_EQ(state.screen, Screen::Failed);
        EXPECT_EQ(state.focusId, 0);
        EXPECT_EQ(state.hoverId, c.hoverAfter);
    }
}

TEST_F(SetupWindow, WorkingScreenHasNothingToClick) {
    uitest::openWindow(installMode);
    showScreen(Screen::Working);
    EXPECT_TRUE(setupState().elements.empty());
    uitest::pressAndRelease({500, 385}, {500, 385});  // where "Install" was
    EXPECT_EQ(setupState().screen, Screen::Working);
    EXPECT_FALSE(uitest::windowGone());
}

TEST_F(SetupWindow, ProgressReportsAreAppliedInOrder) {
    uitest::openWindow(installMode);
    showScreen(Screen::Working);
    uitest::postProgress(0, L"Reading the package\u2026");
    uitest::postProgress(30, L"Unpacking\u2026");
    uitest::postProgress(55, L"Writing files\u2026");
    uitest::postProgress(92, L"Creating shortcuts\u2026");
    uitest::pumpPending();
    EXPECT_EQ(setupState().progress, 92);
    EXPECT_EQ(setupState().statusText, L"Creating shortcuts\u2026");
    // A report whose string could not be allocated moves the bar and keeps the text.
    uitest::postProgress(95, nullptr);
    uitest::pumpPending();
    EXPECT_EQ(setupState().progress, 95);
    EXPECT_EQ(setupState().statusText, L"Creating shortcuts\u2026");
    EXPECT_EQ(setupState().screen, Screen::Working);
}

struct DoneCase {
    const char* name;
    bool uninstall;
    bool purge;
    bool startMenu;
    const wchar_t* sentence;
};

TEST_F(SetupWindow, SuccessShowsDoneWithTheResultSentence) {
    const DoneCase cases[] = {
        {"uninstall purged", true, true, true, L"Its settings and cached data were removed as well."},
        {"uninstall kept", true, false, true, L"Settings were left in place, in case you install it again."},
        {"install with start menu", false, false, true,
         L"It is in the Start menu, and in \u201COpen a folder\u2026\u201D it will offer the gamemode roots it found."},
        {"install without start menu", false, true, false, L"Launch it from the folder above."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        uitest::openWindow(c.uninstall ? uninstallMode : installMode);
        SetupState& state = setupState();
        state.uninstallOptions.purgeSettings = c.purge;
        state.options.startMenuShortcut = c.startMenu;
        showScreen(Screen::Working);
        uitest::postProgress(100, L"Done");
        uitest::postDone(true, L"");
        uitest::pumpPending();
        EXPECT_EQ(state.screen, Screen::Done);
        EXPECT_EQ(state.statusText, c.sentence);
        EXPECT_EQ(state.errorText, L"");
        ASSERT_FALSE(state.elements.empty());
        EXPECT_EQ(state.elements[0].id, c.uninstall ? ID_CLOSE : ID_OPEN_APP);
    }
}

TEST_F(SetupWindow, FailureShowsTheErrorAndKeepsTheLastStatusLine) {
    uitest::openWindow(installMode);
    SetupState& state = setupState();
    showScreen(Screen::Working);
    uitest::postProgress(55, L"Writing files\u2026");
    uitest::postDone(false, L"Could not write C:\\x\\a.dll.");
    uitest::pumpPending();
    EXPECT_EQ(state.screen, Screen::Failed);
    EXPECT_EQ(state.errorText, L"Could not write C:\\x\\a.dll.");
    EXPECT_EQ(state.statusText, L"Writing files\u2026");
    ASSERT_EQ(state.elements.size(), 1u);
    EXPECT_EQ(state.elements[0].id, ID_CLOSE);
    EXPECT_TRUE(state.elements[0].primary);

    // A final report without its string still ends the run, the text unchanged.
    uitest::openWindow(uninstallMode);
    setupState().errorText = L"earlier";
    showScreen(Screen::Working);
    uitest::postDone(false, nullptr);
    uitest::pumpPending();
    EXPECT_EQ(setupState().screen, Screen::Failed);
    EXPECT_EQ(setupState().errorText, L"earlier");
}

TEST_F(SetupWindow, AWorkerThatCannotStartEndsOnFailedInsteadOfHangingOnWorking) {
    uitest::openWindow(installMode);
    startWorker(failToLaunch);
    const SetupState& state = setupState();
    EXPECT_EQ(state.screen, Screen::Failed);
    EXPECT_EQ(state.errorText,
              L"Setup could not start its background work, so nothing was changed. Close this window and try again.");
    EXPECT_EQ(state.statusText, L"Starting\u2026");
    EXPECT_FALSE(state.worker.joinable());
    uitest::key(VK_RETURN);
    EXPECT_TRUE(uitest::windowGone());
}

TEST_F(SetupWindow, InstallButtonRunsTheRealWorkerAndShowsItsFailure) {
    // The test program carries no payload, so the real install fails at its first step.
    ts::TempDir folder;
    uitest::openWindow([&](SetupState& state) { state.options.installDir = folder / L"Tessark Studio"; });
    clickOn(ID_MAIN);
    EXPECT_TRUE(pumpUntil([] { return setupState().screen != Screen::Working; }));
    const SetupState& state = setupState();
    EXPECT_EQ(state.screen, Screen::Failed);
    EXPECT_EQ(state.errorText, L"This installer was built without its payload.");
    EXPECT_EQ(state.statusText, L"Reading the package\u2026");
    EXPECT_FALSE(state.worker.joinable());
}

TEST_F(SetupWindow, EnterOnWelcomeRunsTheUninstallAndReportsAMissingManifest) {
    ts::TempDir folder;
    uitest::openWindow([&](SetupState& state) {
        state.uninstallMode = true;
        state.uninstallOptions.installDir = folder.path();
    });
    uitest::key(VK_RETURN);
    EXPECT_TRUE(pumpUntil([] { return setupState().screen != Screen::Working; }));
    EXPECT_EQ(setupState().screen, Screen::Failed);
    EXPECT_NE(setupState().errorText.find(L"install-manifest.txt"), std::wstring::npos) << ts::narrow(setupState().errorText);
}

TEST_F(SetupWindow, RemoveButtonUninstallsWhatTheManifestListsAndShowsDone) {
    ts::TempDir folder;
    ASSERT_TRUE(ts::writeFile(folder / L"install-manifest.txt", std::string(kManifestHeader) + "web/app.js\n"));
    ASSERT_TRUE(ts::writeFile(folder / L"web\\app.js", "x"));
    ASSERT_TRUE(ts::writeFile(folder / L"notes.txt", "the user's own"));
    uitest::openWindow([&](SetupState& state) {
        state.uninstallMode = true;
        state.uninstallOptions.installDir = folder.path();
        state.uninstallOptions.purgeSettings = false;
    });
    clickOn(ID_MAIN);
    EXPECT_TRUE(pumpUntil([] { return setupState().screen != Screen::Working; }));
    EXPECT_EQ(setupState().screen, Screen::Done);
    EXPECT_EQ(setupState().statusText, L"Settings were left in place, in case you install it again.");
    EXPECT_FALSE(ts::fileExists(folder / L"web\\app.js"));
    EXPECT_TRUE(ts::fileExists(folder / L"notes.txt"));
}

TEST_F(SetupWindow, AnUninstallThatLeavesAFileInUseEndsOnFailedWithTheSentence) {
    ts::TempDir folder;
    ASSERT_TRUE(ts::writeFile(folder / L"install-manifest.txt", std::string(kManifestHeader) + "web/app.js\n"));
    ASSERT_TRUE(ts::writeFile(folder / L"web\\app.js", "x"));
    win::UniqueFile held(CreateFileW((folder / L"web\\app.js").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    uitest::openWindow([&](SetupState& state) {
        state.uninstallMode = true;
        state.uninstallOptions.installDir = folder.path();
    });
    clickOn(ID_MAIN);
    EXPECT_TRUE(pumpUntil([] { return setupState().screen != Screen::Working; }));
    EXPECT_EQ(setupState().screen, Screen::Failed);
    EXPECT_EQ(setupState().errorText, L"Some files could not be removed because they are in use. Close Tessark "
                                      L"Studio and run the uninstaller again.\n\n" + (folder / L"web\\app.js"));
    EXPECT_EQ(setupState().statusText, L"Tidying up\u2026");
}

constexpr wchar_t kAppExe[] = L"TessarkStudio.exe";

// A folder holding the stand-in application, which logs every start.
class AppFolder {
public:
    AppFolder() {
        CopyFileW(ts::binPath(kAppExe).c_str(), (folder_ / kAppExe).c_str(), FALSE);
        ts::writeFile(folder_ / L"launch-log.flag", "");
    }
    ~AppFolder() {
        // A copy may still be starting: close each one once its window is
        // up, until none runs, before the folder goes.
        ts::waitUntil([this] {
            if (HWND app = FindWindowW(L"TessarkStudioHostWindow", nullptr)) PostMessageW(app, WM_CLOSE, 0, 0);
            return running() == 0;
        }, 20000);
    }
    const std::wstring& path() const { return folder_.path(); }
    // The window starts the application with ShellExecuteW, which returns once
    // the process exists, and a started copy runs until it is closed. So when
    // the window has handled a message, every start it made is counted here,
    // logged or not.
    std::size_t running() const { return ts::runningProcesses(kAppExe).size(); }
    int launches() const {
        const auto log = ts::readFile(folder_ / L"launch-log.txt");
        if (!log) return 0;
        int lines = 0;
        for (char c : *log) lines += c == '\n';
        return lines;
    }
    bool waitForLaunches(int count) const {
        return ts::waitUntil([&] { return launches() >= count; }, 20000);
    }

private:
    ts::TempDir folder_;
};

void doneInstallIn(const std::wstring& folder, bool launchAfter) {
    uitest::openWindow([&](SetupState& state) {
        state.options.installDir = folder;
        state.options.launchAfter = launchAfter;
    });
    showScreen(Screen::Done);
}

TEST_F(SetupWindow, OpenTessarkStudioOrEnterStartsTheApplicationOnceAndClosesTheWindow) {
    for (const bool enter : {false, true}) {
        SCOPED_TRACE(enter ? "Enter" : "click");
        AppFolder app;
        doneInstallIn(app.path(), true);
        if (enter) uitest::key(VK_RETURN);
        else clickOn(ID_OPEN_APP);
        EXPECT_TRUE(uitest::windowGone());
        EXPECT_TRUE(app.waitForLaunches(1));
        EXPECT_EQ(app.running(), 1u);
        EXPECT_EQ(app.launches(), 1);
        const auto log = ts::readFile(app.path() + L"\\launch-log.txt");
        ASSERT_TRUE(log.has_value());
        EXPECT_EQ(log->find(ts::narrow(app.path())), 0u) << *log;  // started in its own folder
    }
}

TEST_F(SetupWindow, TickedLaunchBoxStartsTheApplicationWhenDoneIsLeftByClose) {
    AppFolder app;
    doneInstallIn(app.path(), true);
    uitest::pumpPending();
    EXPECT_EQ(app.running(), 0u) << "nothing starts while Screen::Done is shown";
    EXPECT_EQ(app.launches(), 0);
    clickOn(ID_CLOSE);
    EXPECT_TRUE(uitest::windowGone());
    EXPECT_TRUE(app.waitForLaunches(1));
}

TEST_F(SetupWindow, TickedLaunchBoxStartsTheApplicationOnEscapeAndTheCaptionToo) {
    for (bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "escape" : "caption");
        AppFolder app;
        doneInstallIn(app.path(), true);
        if (escape) uitest::key(VK_ESCAPE);
        else uitest::closeRequest();
        EXPECT_TRUE(uitest::windowGone());
        EXPECT_TRUE(app.waitForLaunches(1));
    }
}

TEST_F(SetupWindow, NothingStartsWithoutTheTickOrAfterAFailureOrAnUninstall) {
    AppFolder app;
    doneInstallIn(app.path(), false);
    clickOn(ID_CLOSE);
    uitest::openWindow([&](SetupState& state) { state.options.installDir = app.path(); });
    showScreen(Screen::Failed);
    clickOn(ID_CLOSE);
    uitest::openWindow([&](SetupState& state) {
        state.uninstallMode = true;
        state.options.installDir = app.path();
    });
    showScreen(Screen::Done);
    uitest::key(VK_ESCAPE);
    EXPECT_EQ(app.running(), 0u);
    EXPECT_EQ(app.launches(), 0);
}

// What opens https addresses is, in this test's own prefix, a command that
// writes the address it was given to a file. (Wine's classes root does not
// take the per-user classes over the machine's, so the machine's is replaced.)
TEST_F(SetupWindow, WebView2LinkOpensTheDownloadPageAndTheWindowStaysOnWelcome) {
    ts::TempDir temp;
    const std::wstring opened = temp / L"opened.txt";
    ASSERT_TRUE(ts::writeRegistryString(HKEY_CLASSES_ROOT, L"https\\shell\\open\\command", nullptr,
                                        L"cmd.exe /c echo %1> \"" + opened + L"\""));
    uitest::openWindow([](SetupState& state) {
        installMode(state);
        state.webView2Present = false;
    });
    clickOn(ID_WEBVIEW2_LINK);
    std::string address;
    EXPECT_TRUE(ts::waitUntil([&] {
        address = ts::readFile(opened).value_or("");
        return address.find('\n') != std::string::npos;
    }, 30000));
    EXPECT_EQ(address.substr(0, address.find_first_of(" \r\n")), "https://go.microsoft.com/fwlink/p/?LinkId=2124703");
    EXPECT_FALSE(uitest::windowGone());
    EXPECT_EQ(setupState().screen, Screen::Welcome);
}

}  // namespace
