// The stand-in application TessarkStudio.exe, run as the installer and the
// uninstaller run it: its Explorer entries in HKCU, its window and how it
// closes, the files it keeps, and the switches the installer's tests use.

#include "common/core/product.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

constexpr wchar_t kFolderVerb[] = L"Software\\Classes\\Directory\\shell\\TessarkStudio";
constexpr wchar_t kBackgroundVerb[] = L"Software\\Classes\\Directory\\Background\\shell\\TessarkStudio";
constexpr DWORD kQuickMs = 15000;  // a Wine process start takes about a second; leave room

// A copy of the built application alone in a folder, as in an install folder,
// so that its files and marker files stay apart from the build.
class SampleAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CopyFileW(ts::binPath(product::kAppExe).c_str(), exe().c_str(), FALSE));
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kFolderVerb);
        RegDeleteTreeW(HKEY_CURRENT_USER, kBackgroundVerb);
    }

    std::wstring exe() const { return folder_ / product::kAppExe; }
    std::wstring commandLine(const std::wstring& arguments) const {
        return L"\"" + exe() + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    }
    ts::ProcessResult runQuick(const std::wstring& arguments) const {
        return ts::run(commandLine(arguments), kQuickMs, folder_.path());
    }
    void placeMarker(const wchar_t* name) const { ASSERT_TRUE(ts::writeFile(folder_ / name, "")); }
    static HWND appWindow() { return ts::waitForWindow(product::kAppWindowClass, nullptr, kQuickMs); }
    // The application's window once it shows, with a WM_CLOSE posted to it; null when none showed.
    static HWND appWindowAskedToClose() {
        const HWND window = appWindow();
        if (window) PostMessageW(window, WM_CLOSE, 0, 0);
        return window;
    }

    ts::TempDir folder_;
};

void expectExitedWith(const ts::ProcessResult& result, DWORD code) {
    ASSERT_TRUE(result.started);
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, code);
}

std::wstring textOf(const wchar_t* key, const wchar_t* name = nullptr) {
    const auto value = ts::readRegistryValue(HKEY_CURRENT_USER, key, name);
    return value ? value->text() : L"<missing>";
}

TEST_F(SampleAppTest, RegisterShellAddsFolderAndBackgroundEntriesThatOpenThisExe) {
    expectExitedWith(runQuick(product::kRegisterShellArgs), 0);

    struct Verb {
        const wchar_t* key;
        const wchar_t* placeholder;
    };
    for (const Verb& verb : {Verb{kFolderVerb, L"%1"}, Verb{kBackgroundVerb, L"%V"}}) {
        SCOPED_TRACE(ts::narrow(verb.key));
        const std::wstring command = std::wstring(verb.key) + L"\\command";
        EXPECT_EQ(textOf(verb.key), L"Open with Tessark Studio");
        EXPECT_EQ(textOf(command.c_str()), L"\"" + exe() + L"\" \"" + verb.placeholder + L"\"");
    }
}

TEST_F(SampleAppTest, UnregisterShellRemovesExactlyItsOwnKeys) {
    const std::wstring neighbour = L"Software\\Classes\\Directory\\shell\\SomeOtherTool\\command";
    ASSERT_TRUE(ts::writeRegistryString(HKEY_CURRENT_USER, neighbour, nullptr, L"other.exe \"%1\""));
    expectExitedWith(runQuick(product::kRegisterShellArgs), 0);

    expectExitedWith(runQuick(product::kUnregisterShellArgs), 0);

    EXPECT_FALSE(ts::registryKeyExists(HKEY_CURRENT_USER, kFolderVerb));
    EXPECT_FALSE(ts::registryKeyExists(HKEY_CURRENT_USER, kBackgroundVerb));
    EXPECT_TRUE(ts::registryKeyExists(HKEY_CURRENT_USER, neighbour));
    EXPECT_TRUE(ts::registryKeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\Directory\\Background\\shell"))
        << "the parent key belongs to everyone";
    // A second removal (an uninstall run twice) finds nothing and still succeeds.
    expectExitedWith(runQuick(product::kUnregisterShellArgs), 0);
}

TEST_F(SampleAppTest, RunningAppShowsItsWindowKeepsItsFilesAndClosesOnWmClose) {
    ts::Child app(commandLine(L""), folder_.path());
    ASSERT_TRUE(app.started());
    const HWND window = appWindow();
    ASSERT_NE(window, nullptr);

    const auto session = ts::readFile(folder_ / product::kSessionFile);
    ASSERT_TRUE(session.has_value());
    EXPECT_TRUE(session->starts_with("http://127.0.0.1:")) << *session;
    EXPECT_TRUE(ts::fileExists(folder_ / product::kSettingsFile));
    wchar_t localAppData[MAX_PATH];
    ASSERT_GT(ExpandEnvironmentStringsW(L"%LOCALAPPDATA%", localAppData, MAX_PATH), 0u);
    EXPECT_TRUE(ts::fileExists(std::wstring(localAppData) + L"\\TessarkStudio\\Cache\\startup.cache"));

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.wait(kQuickMs), 0u);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(SampleAppTest, RunningAppKeepsExistingSettings) {
    const std::string settings = "{ \"theme\": \"light\" }\n";
    ASSERT_TRUE(ts::writeFile(folder_ / product::kSettingsFile, settings));
    ts::Child app(commandLine(L""), folder_.path());
    ASSERT_NE(appWindow(), nullptr);
    EXPECT_EQ(ts::readFile(folder_ / product::kSettingsFile), settings);
}

// Both ways of switching a test behaviour on: an inherited environment
// variable, or a marker file beside the executable.
enum class SwitchedBy { Environment, Marker };

class SampleAppSwitchTest : public SampleAppTest, public ::testing::WithParamInterface<SwitchedBy> {
protected:
    // Switches the behaviour on for every process the test starts after this.
    void switchOn(const wchar_t* variable, const wchar_t* marker, const std::wstring& value = L"1") {
        if (GetParam() == SwitchedBy::Environment) {
            variable_.emplace(variable, value);
        } else {
            placeMarker(marker);
        }
    }

private:
    std::optional<ts::ScopedVariable> variable_;
};

TEST_P(SampleAppSwitchTest, IgnoreCloseKeepsTheWindowOpenAfterWmClose) {
    switchOn(L"TS_SAMPLE_IGNORE_CLOSE", L"ignore-close.flag");
    ts::Child app(commandLine(L""), folder_.path());
    const HWND window = appWindowAskedToClose();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(app.wait(2000), std::nullopt);
    EXPECT_TRUE(IsWindow(window));
}

TEST_P(SampleAppSwitchTest, LingerKeepsTheProcessRunningAfterItsWindowIsGoneThenEndsIt) {
    switchOn(L"TS_SAMPLE_LINGER", L"linger.flag");
    ts::Child app(commandLine(L""), folder_.path());
    const HWND window = appWindowAskedToClose();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(ts::waitUntil([&] { return !IsWindow(window); }, kQuickMs));
    EXPECT_FALSE(DeleteFileW(exe().c_str())) << "the process outlives its window and holds its executable";
    EXPECT_EQ(app.wait(kQuickMs), 0u) << "then it ends by itself";
    EXPECT_TRUE(DeleteFileW(exe().c_str()));
}

TEST_P(SampleAppSwitchTest, SlowRegisterWritesTheEntriesThenKeepsRunning) {
    switchOn(L"TS_SAMPLE_SLOW_REGISTER", L"slow-register.flag");
    ts::Child app(commandLine(product::kRegisterShellArgs), folder_.path());
    ASSERT_TRUE(app.started());

    const auto registered = [] { return ts::registryKeyExists(HKEY_CURRENT_USER, kBackgroundVerb); };
    EXPECT_TRUE(ts::waitUntil(registered, kQuickMs));
    EXPECT_EQ(app.wait(3000), std::nullopt);
}

TEST_P(SampleAppSwitchTest, LaunchLogRecordsCurrentFolderAndCommandLine) {
    const std::wstring log = folder_ / L"launch-log.txt";
    switchOn(L"TS_SAMPLE_LAUNCH_LOG", L"launch-log.flag", log);

    expectExitedWith(runQuick(product::kRegisterShellArgs), 0);
    expectExitedWith(runQuick(product::kUnregisterShellArgs), 0);

    const auto line = [&](const wchar_t* arguments) {
        return ts::narrow(folder_.path() + L"\t" + commandLine(arguments)) + "\r\n";
    };
    EXPECT_EQ(ts::readFile(log), line(product::kRegisterShellArgs) + line(product::kUnregisterShellArgs));
}

INSTANTIATE_TEST_SUITE_P(Switches, SampleAppSwitchTest,
                         ::testing::Values(SwitchedBy::Environment, SwitchedBy::Marker),
                         [](const auto& info) {
                             return info.param == SwitchedBy::Environment ? "Environment" : "Marker";
                         });

}  // namespace
