// The setup window through a screen reader: the client area's accessible
// object read with AccessibleObjectFromWindow and the IAccessible calls, its
// WinEvents caught with an out-of-context hook, and keys typed for real.
// Mostly the built installer and uninstaller in a process of their own, as
// Narrator reads them, from start-up to the last screen; in this process the
// rules that a real run cannot time: the Working screen held still, a
// default action that waits for the window's own turn, and an object held
// past its window.
#include "screen_reader.h"
#include "window_fixture.h"

#include "common/core/product.h"
#include "install/core/manifest.h"
#include "support/test_support.h"
#include "ui/core/layout.h"
#include "ui/setup_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using uitest::AccessibleChild;
using uitest::pumpUntil;
using uitest::ScreenReader;
using uitest::WinEventLog;

constexpr DWORD kRunMs = 90000;

struct Expected {
    long role;
    std::wstring name;
};

// Roles and names in reading order; a name of "*" is not compared.
void expectChildren(const std::vector<AccessibleChild>& children, const std::vector<Expected>& expected) {
    ASSERT_EQ(children.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "child " << i + 1 << " " << ts::narrow(children[i].name));
        EXPECT_EQ(children[i].role, expected[i].role);
        if (expected[i].name != L"*") {
            EXPECT_EQ(children[i].name, expected[i].name);
        }
    }
}

RECT onScreen(HWND window, const layout::Rect& client) {
    RECT rect{client.left, client.top, client.right, client.bottom};
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// The install window as a separate program, started with the folder given.
class InstallerProcess {
public:
    explicit InstallerProcess(const std::wstring& arguments, const wchar_t* title = product::kInstallTitle,
                              const std::wstring& program = ts::binPath(L"TessarkStudioSetup.exe"))
        : child_(ts::quoted(program) + L" " + arguments) {
        window_ = ts::waitForWindow(product::kSetupWindowClass, title, 60000);
    }
    HWND window() const { return window_; }
    // Waits pumping this thread's messages: the window's last WinEvents and
    // COM's farewells come to this thread, and Wine's sender waits for them.
    std::optional<DWORD> exitCode() {
        std::optional<DWORD> code;
        pumpUntil([&] { return (code = child_.wait(0)).has_value(); }, kRunMs);
        return code;
    }

private:
    ts::Child child_;
    HWND window_ = nullptr;
};

// The default action of a button that ends the program. Its answer is not
// checked: the call returns before the posted action runs, but under Wine the
// reply can lose the race with the program's exit (RPC_S_CALL_FAILED).
void closeThrough(const ScreenReader& reader, const wchar_t* button) {
    const long id = reader.find(button);
    ASSERT_NE(id, 0) << ts::narrow(button);
    reader.doDefaultAction(id);
}

class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const wchar_t* value) : name_(name) { SetEnvironmentVariableW(name, value); }
    ~ScopedVariable() { SetEnvironmentVariableW(name_, nullptr); }

private:
    const wchar_t* name_;
};

class ScreenReaderOnTheInstaller : public testing::Test {
protected:
    win::ComApartment apartment_;
    ts::TempDir temp_;
};

TEST_F(ScreenReaderOnTheInstaller, WelcomeReadsEveryTextAndControlWhereItIsDrawn) {
    struct Case {
        const char* name;
        bool manifestThere;
        const wchar_t* label;
        const wchar_t* mainButton;
    };
    // The wording comes from the real start-up: a manifest in the folder makes it an update.
    const Case cases[] = {{"fresh folder", false, L"Install location", L"Install"},
                          {"installed before", true, L"Update the copy installed here", L"Update"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring folder = temp_ / (ts::widen(c.name) + L"\\Tessark Studio");
        if (c.manifestThere) {
            ASSERT_TRUE(ts::writeFile(folder + L"\\install-manifest.txt", std::string(kManifestHeader)));
        }
        InstallerProcess setup(ts::quoted(L"--dir=" + folder));
        ASSERT_NE(setup.window(), nullptr);
        const ScreenReader reader(setup.window());
        ASSERT_TRUE(reader.connected());
        const std::vector<AccessibleChild> children = reader.children();
        expectChildren(children,
                       {{ROLE_SYSTEM_STATICTEXT, L"Tessark Studio"},
                        {ROLE_SYSTEM_STATICTEXT, L"*"},
                        {ROLE_SYSTEM_STATICTEXT, c.label},
                        {ROLE_SYSTEM_STATICTEXT, folder},
                        {ROLE_SYSTEM_PUSHBUTTON, L"Change\u2026"},
                        {ROLE_SYSTEM_CHECKBUTTON, L"Create a desktop shortcut"},
                        {ROLE_SYSTEM_CHECKBUTTON, L"Add it to the Start menu"},
                        {ROLE_SYSTEM_CHECKBUTTON, L"Offer \u201COpen with Tessark Studio\u201D in Explorer"},
                        {ROLE_SYSTEM_CHECKBUTTON, L"Launch when the install finishes"},
                        {ROLE_SYSTEM_STATICTEXT, L"WebView2 is not installed. Tessark Studio draws its whole "
                                                 L"interface in it and will not start without it."},
                        {ROLE_SYSTEM_LINK, L"Get the WebView2 runtime"},
                        {ROLE_SYSTEM_PUSHBUTTON, L"Cancel"},
                        {ROLE_SYSTEM_PUSHBUTTON, c.mainButton}});
        ASSERT_EQ(children.size(), 13u);
        EXPECT_EQ(children[1].name.rfind(L"Version 0.2.5  \u00B7  ", 0), 0u) << ts::narrow(children[1].name);

        // Every control where the layout puts it, in screen coordinates; the folder inside its box.
        const auto layoutRects = layout::layoutScreen({Screen::Welcome, false, false, c.manifestThere});
        for (const auto& placement : layoutRects) {
            const long id = reader.find(placement.label);
            ASSERT_NE(id, 0) << ts::narrow(placement.label);
            EXPECT_TRUE(reader.child(id).location == onScreen(setup.window(), placement.rect))
                << ts::narrow(placement.label);
        }
        EXPECT_TRUE(children[3].location == onScreen(setup.window(), {44, 154, 470, 196}));

        for (const AccessibleChild& child : children) {
            SCOPED_TRACE(ts::narrow(child.name));
            switch (child.role) {
            case ROLE_SYSTEM_STATICTEXT:
                EXPECT_EQ(child.state, STATE_SYSTEM_READONLY);
                EXPECT_EQ(child.defaultAction, L"");
                break;
            case ROLE_SYSTEM_CHECKBUTTON:
                EXPECT_EQ(child.state, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_CHECKED) << "every option starts on";
                EXPECT_EQ(child.defaultAction, L"Uncheck");
                break;
            case ROLE_SYSTEM_LINK:
                EXPECT_EQ(child.state, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_LINKED);
                EXPECT_EQ(child.defaultAction, L"Jump");
                break;
            default:
                EXPECT_EQ(child.state, STATE_SYSTEM_FOCUSABLE | (child.id == 13 ? STATE_SYSTEM_DEFAULT : 0));
                EXPECT_EQ(child.defaultAction, L"Press");
                break;
            }
        }
        closeThrough(reader, L"Cancel");
        EXPECT_EQ(setup.exitCode(), std::optional<DWORD>(0u));
    }
}

// With the keyboard for the options and the reader's default actions for the
// rest, the way a screen-reader user may well go; every step is heard.
TEST_F(ScreenReaderOnTheInstaller, AnInstallIsHeardFromTheOptionsToTheResult) {
    // The stand-in application takes its time over the Explorer entries, so
    // that the Working screen stays up at 98 % long enough to be read.
    const ScopedVariable slow(L"TS_SAMPLE_SLOW_REGISTER", L"1");
    InstallerProcess setup(ts::quoted(L"--dir=" + (temp_ / L"Tessark Studio")));
    const HWND window = setup.window();
    ASSERT_NE(window, nullptr);
    const ScreenReader reader(window);
    WinEventLog log(window);

    const long launch = reader.find(L"Launch when the install finishes");
    for (int i = 0; i < 5; ++i) uitest::typeKey(window, VK_TAB);
    EXPECT_TRUE(pumpUntil([&] { return log.seen(EVENT_OBJECT_FOCUS, launch); }));
    EXPECT_EQ(reader.focus(), launch);
    EXPECT_TRUE(reader.child(launch).has(STATE_SYSTEM_FOCUSED));
    uitest::typeKey(window, VK_SPACE);
    EXPECT_TRUE(pumpUntil([&] { return log.seen(EVENT_OBJECT_STATECHANGE, launch); }));
    EXPECT_FALSE(reader.child(launch).has(STATE_SYSTEM_CHECKED));

    const long desktop = reader.find(L"Create a desktop shortcut");
    EXPECT_EQ(reader.doDefaultAction(desktop), S_OK);
    EXPECT_TRUE(pumpUntil([&] { return log.seen(EVENT_OBJECT_STATECHANGE, desktop); }));
    EXPECT_FALSE(reader.child(desktop).has(STATE_SYSTEM_CHECKED));
    EXPECT_EQ(reader.child(desktop).defaultAction, L"Check");

    EXPECT_EQ(reader.doDefaultAction(reader.find(L"Install")), S_OK);
    const auto atNinetyEight = [&] { return reader.child(4).value == L"98%"; };
    ASSERT_TRUE(pumpUntil(atNinetyEight, kRunMs));
    expectChildren(reader.children(), {{ROLE_SYSTEM_STATICTEXT, L"Tessark Studio"},
                                       {ROLE_SYSTEM_STATICTEXT, L"*"},
                                       {ROLE_SYSTEM_STATICTEXT, L"Installing\u2026"},
                                       {ROLE_SYSTEM_PROGRESSBAR, L"Installing\u2026"},
                                       {ROLE_SYSTEM_STATICTEXT, L"Adding the Explorer entries\u2026"}});
    EXPECT_TRUE(reader.child(4).location == onScreen(window, {30, 206, 590, 212}));
    EXPECT_EQ(reader.focus(), CHILDID_SELF) << "a new screen starts with nothing focused";
    EXPECT_TRUE(pumpUntil([&] { return log.seen(EVENT_OBJECT_VALUECHANGE, 4); })) << "the bar's value";
    EXPECT_TRUE(pumpUntil([&] { return log.seen(EVENT_OBJECT_NAMECHANGE, 5); })) << "the status line";

    ASSERT_TRUE(pumpUntil([&] { return log.seen(EVENT_SYSTEM_ALERT); }, kRunMs));
    const long heading = reader.find(L"Installed.");
    ASSERT_EQ(heading, 3);
    EXPECT_TRUE(log.seen(EVENT_SYSTEM_ALERT, heading));
    EXPECT_TRUE(log.seen(EVENT_OBJECT_NAMECHANGE, heading));
    EXPECT_EQ(reader.child(heading).description, L"It is in the Start menu, and in \u201COpen a folder\u2026\u201D "
                                                 L"it will offer the gamemode roots it found.");
    EXPECT_NE(reader.find(L"Open Tessark Studio"), 0);
    // The launch box was unticked, so Close starts nothing.
    closeThrough(reader, L"Close");
    EXPECT_EQ(setup.exitCode(), std::optional<DWORD>(0u));
    EXPECT_TRUE(ts::fileExists(temp_ / L"Tessark Studio\\uninstall.exe"));
}

TEST_F(ScreenReaderOnTheInstaller, AnUninstallNeedsOnlyTheKeyboard) {
    const std::wstring folder = temp_ / L"Tessark Studio";
    const ts::ProcessResult installed =
        ts::run(ts::quoted(ts::binPath(L"TessarkStudioSetup.exe")) + L" /S " + ts::quoted(L"--dir=" + folder), kRunMs);
    ASSERT_EQ(installed.exitCode, 0u) << installed.output;
    InstallerProcess uninstall(L"", product::kUninstallTitle, folder + L"\\uninstall.exe");
    const HWND window = uninstall.window();
    ASSERT_NE(window, nullptr);
    const ScreenReader reader(window);
    WinEventLog log(window);

    const long purge = reader.find(L"Also delete settings and cached data");
    uitest::typeKey(window, VK_TAB);
    EXPECT_TRUE(pumpUntil([&] { return log.seen(EVENT_OBJECT_FOCUS, purge); }));
    uitest::typeKey(window, VK_SPACE);
    EXPECT_TRUE(pumpUntil([&] { return reader.child(purge).has(STATE_SYSTEM_CHECKED); }));
    uitest::typeKey(window, VK_TAB);
    uitest::typeKey(window, VK_TAB);
    const long remove = reader.find(L"Remove");
    EXPECT_TRUE(pumpUntil([&] { return reader.focus() == remove; }));
    uitest::typeKey(window, VK_RETURN);

    ASSERT_TRUE(pumpUntil([&] { return log.seen(EVENT_SYSTEM_ALERT); }, kRunMs));
    const long heading = reader.find(L"Tessark Studio has been removed.");
    EXPECT_TRUE(log.seen(EVENT_SYSTEM_ALERT, heading));
    EXPECT_EQ(reader.child(heading).description, L"Its settings and cached data were removed as well.");
    uitest::typeKey(window, VK_RETURN);  // the primary Close
    EXPECT_EQ(uninstall.exitCode(), std::optional<DWORD>(0u));
    EXPECT_FALSE(ts::fileExists(folder + L"\\TessarkStudio.exe"));
    // The self-deletion's command interpreter is waited for here, not in the
    // next test: under Wine it can take the keyboard focus from a window.
    EXPECT_TRUE(ts::waitForProcessesToEnd(L"cmd.exe", 30000));
    EXPECT_FALSE(ts::directoryExists(folder)) << "the folder deletes itself";
}

TEST_F(ScreenReaderOnTheInstaller, AFailureIsAnnouncedWithItsReason) {
    // An uninstaller in a folder that holds no install: Remove fails at once.
    const std::wstring folder = temp_ / L"Nothing here";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(ts::binPath(L"uninstall.exe").c_str(), (folder + L"\\uninstall.exe").c_str(), FALSE));
    InstallerProcess uninstall(L"", product::kUninstallTitle, folder + L"\\uninstall.exe");
    ASSERT_NE(uninstall.window(), nullptr);
    const ScreenReader reader(uninstall.window());
    WinEventLog log(uninstall.window());
    EXPECT_EQ(reader.doDefaultAction(reader.find(L"Remove")), S_OK);
    ASSERT_TRUE(pumpUntil([&] { return log.seen(EVENT_SYSTEM_ALERT); }, kRunMs));
    const long heading = reader.find(L"The uninstall did not finish.");
    EXPECT_TRUE(log.seen(EVENT_SYSTEM_ALERT, heading));
    const AccessibleChild message = reader.child(heading + 1);
    EXPECT_NE(message.name.find(L"install-manifest.txt"), std::wstring::npos) << ts::narrow(message.name);
    EXPECT_EQ(reader.child(heading).description, message.name);
    expectChildren(reader.children(), {{ROLE_SYSTEM_STATICTEXT, L"Tessark Studio"},
                                       {ROLE_SYSTEM_STATICTEXT, L"Uninstall"},
                                       {ROLE_SYSTEM_STATICTEXT, L"The uninstall did not finish."},
                                       {ROLE_SYSTEM_STATICTEXT, message.name},
                                       {ROLE_SYSTEM_PUSHBUTTON, L"Close"}});
    uitest::typeKey(uninstall.window(), VK_ESCAPE);
    EXPECT_EQ(uninstall.exitCode(), std::optional<DWORD>(0u));
}

class ScreenReaderInProcess : public testing::Test {
protected:
    void TearDown() override { uitest::resetState(); }
    win::ComApartment apartment_;
};

void installMode(SetupState& state) {
    state.options.installDir = L"C:\\Tessark Studio test";
}

TEST_F(ScreenReaderInProcess, WorkingReadsAsHeadingProgressBarAndStatusAndFollowsTheReports) {
    const HWND window = uitest::openWindow(installMode);
    SetupState& state = setupState();
    state.screen = Screen::Working;
    state.progress = 42;
    state.statusText = L"Writing files\u2026";
    layoutElements();
    const ScreenReader reader(window);
    WinEventLog log(window);
    expectChildren(reader.children(), {{ROLE_SYSTEM_STATICTEXT, L"Tessark Studio"},
                                       {ROLE_SYSTEM_STATICTEXT, L"*"},
                                       {ROLE_SYSTEM_STATICTEXT, L"Installing\u2026"},
                                       {ROLE_SYSTEM_PROGRESSBAR, L"Installing\u2026"},
                                       {ROLE_SYSTEM_STATICTEXT, L"Writing files\u2026"}});
    EXPECT_EQ(reader.child(4).value, L"42%");
    EXPECT_EQ(reader.child(4).state, STATE_SYSTEM_READONLY);
    uitest::postProgress(55, L"Writing files\u2026");
    uitest::postProgress(92, L"Creating shortcuts\u2026");
    ASSERT_TRUE(pumpUntil([&] { return log.seen(EVENT_OBJECT_NAMECHANGE, 5); }));
    EXPECT_EQ(reader.child(4).value, L"92%");
    EXPECT_EQ(reader.child(5).name, L"Creating shortcuts\u2026");
    // One value change per new percentage; the status is renamed only when it changes.
    const std::vector<uitest::WinEvent> expected{
        {EVENT_OBJECT_VALUECHANGE, 4}, {EVENT_OBJECT_VALUECHANGE, 4}, {EVENT_OBJECT_NAMECHANGE, 5}};
    EXPECT_EQ(log.events(), expected);
}

TEST_F(ScreenReaderInProcess, ADefaultActionWaitsForTheWindowAndAnObjectHeldPastItsWindowSaysSo) {
    const HWND window = uitest::openWindow(installMode);
    const ScreenReader reader(window);
    const long desktop = reader.find(L"Create a desktop shortcut");
    ASSERT_NE(desktop, 0);
    EXPECT_EQ(reader.doDefaultAction(desktop), S_OK);
    EXPECT_TRUE(setupState().options.desktopShortcut) << "nothing runs inside the call";
    EXPECT_TRUE(pumpUntil([] { return !setupState().options.desktopShortcut; }));
    EXPECT_EQ(reader.doDefaultAction(1), DISP_E_MEMBERNOTFOUND) << "a text has no action";
    EXPECT_EQ(reader.doDefaultAction(99), E_INVALIDARG);

    DestroyWindow(window);
    long count = 0;
    EXPECT_EQ(reader.client()->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
    EXPECT_EQ(reader.doDefaultAction(desktop), CO_E_OBJNOTCONNECTED);
}

}  // namespace
