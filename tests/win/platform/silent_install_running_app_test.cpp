// A silent install over a running copy of the application, with the built
// installer and the stand-in application: a copy that closes on request is
// closed first and the install succeeds; a copy whose process outlives its
// window, or runs on without one, is waited for and the install succeeds; a
// copy that ignores the request is waited for ten seconds, after which the
// install runs anyway and stops at its first file, the running
// TessarkStudio.exe, which Windows (and Wine) will not let anyone overwrite.
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kAppWindowClass[] = L"TessarkStudioHostWindow";
constexpr DWORD kInstallTimeoutMs = 120000;

ts::ProcessResult silentInstall(const std::wstring& folder) {
    return ts::run(ts::quoted(ts::binPath(L"TessarkStudioSetup.exe")) + L" /S --no-shell --no-desktop --no-startmenu " +
                       ts::quoted(L"--dir=" + folder),
                   kInstallTimeoutMs);
}

// The installed files other than the application itself, from the manifest.
std::vector<std::wstring> otherInstalledFiles(const std::wstring& folder) {
    std::vector<std::wstring> files;
    std::istringstream manifest(ts::readFile(folder + L"\\install-manifest.txt").value_or(""));
    for (std::string line; std::getline(manifest, line);) {
        if (line.empty() || line[0] == '#' || line[0] == '@' || line == "TessarkStudio.exe") continue;
        std::wstring path = folder + L"\\" + ts::widen(line);
        for (wchar_t& c : path) {
            if (c == L'/') c = L'\\';
        }
        files.push_back(path);
    }
    return files;
}

// The installed application, started as a user would, until the test ends.
class RunningApp {
public:
    explicit RunningApp(const std::wstring& folder) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring commandLine = ts::quoted(folder + L"\\TessarkStudio.exe");
        started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                                  &startup, &info_);
    }
    ~RunningApp() {
        if (!started_) return;
        TerminateProcess(info_.hProcess, 0);
        WaitForSingleObject(info_.hProcess, 10000);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    RunningApp(const RunningApp&) = delete;
    RunningApp& operator=(const RunningApp&) = delete;

    bool showsItsWindow() const { return started_ && ts::waitForWindow(kAppWindowClass, nullptr, 30000) != nullptr; }
    bool hasEnded() const { return started_ && WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; }

private:
    bool started_ = false;
    PROCESS_INFORMATION info_{};
};

// Wine starts its desktop process (explorer.exe /desktop) from the first
// process that needs a window, and that process inherits the standard handles
// of its starter. Started by the installer, it would keep ts::run's output
// pipe open for good; a window of our own starts it first, from this process.
void startWineDesktop() {
    DestroyWindow(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
}

class SilentInstallOverRunningApp : public testing::Test {
protected:
    void SetUp() override {
        startWineDesktop();
        folder_ = temp_ / L"Tessark Studio";
        const ts::ProcessResult first = silentInstall(folder_);
        ASSERT_TRUE(first.started);
        ASSERT_EQ(first.exitCode, 0u) << first.output;
    }

    ts::TempDir temp_;
    std::wstring folder_;
};

TEST_F(SilentInstallOverRunningApp, ClosesTheAppFirstAndSucceeds) {
    RunningApp app(folder_);
    ASSERT_TRUE(app.showsItsWindow());

    const ULONGLONG start = GetTickCount64();
    const ts::ProcessResult update = silentInstall(folder_);
    const ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_EQ(update.exitCode, 0u) << update.output;
    EXPECT_EQ(FindWindowW(kAppWindowClass, nullptr), nullptr);
    EXPECT_LT(elapsed, 10000u) << "a copy that closes is not waited for in full";
}

// linger.flag: the stand-in's process stays five seconds after its window.
TEST_F(SilentInstallOverRunningApp, AppWhoseProcessOutlivesItsWindowIsWaitedForWithOrWithoutTheWindow) {
    ASSERT_TRUE(ts::writeFile(folder_ + L"\\linger.flag", ""));
    for (const bool windowOpen : {true, false}) {
        SCOPED_TRACE(windowOpen ? "window open" : "window already gone");
        RunningApp app(folder_);
        ASSERT_TRUE(app.showsItsWindow());
        if (!windowOpen) {
            PostMessageW(FindWindowW(kAppWindowClass, nullptr), WM_CLOSE, 0, 0);
            ASSERT_TRUE(ts::waitUntil([] { return !FindWindowW(kAppWindowClass, nullptr); }, 30000));
            ASSERT_FALSE(app.hasEnded());
        }
        const ts::ProcessResult update = silentInstall(folder_);
        EXPECT_EQ(update.exitCode, 0u) << update.output;
        EXPECT_TRUE(app.hasEnded());
    }
}

TEST_F(SilentInstallOverRunningApp, AppThatWillNotCloseFailsTheInstallAtItsFirstFile) {
    ASSERT_TRUE(ts::writeFile(folder_ + L"\\ignore-close.flag", ""));
    const std::vector<std::wstring> later = otherInstalledFiles(folder_);
    ASSERT_FALSE(later.empty());
    for (const std::wstring& file : later) ASSERT_TRUE(DeleteFileW(file.c_str())) << ts::narrow(file);

    RunningApp app(folder_);
    ASSERT_TRUE(app.showsItsWindow());
    const ULONGLONG start = GetTickCount64();
    const ts::ProcessResult update = silentInstall(folder_);
    const ULONGLONG elapsed = GetTickCount64() - start;

    EXPECT_EQ(update.exitCode, 1u);
    EXPECT_GE(elapsed, 10000u) << "the installer waits ten seconds for the window to go";
    EXPECT_NE(update.output.find("Could not write " + ts::narrow(folder_) + "\\TessarkStudio.exe"), std::string::npos)
        << update.output;
    EXPECT_NE(update.output.find("If Tessark Studio is still running, close it and try again."), std::string::npos)
        << update.output;
    EXPECT_NE(FindWindowW(kAppWindowClass, nullptr), nullptr);
    for (const std::wstring& file : later) EXPECT_FALSE(ts::fileExists(file)) << ts::narrow(file) << " was written";
}

}  // namespace
